#include "cef/scriptdialogguard.h"

#include "app/logexcerpt.h"
#include "app/tspdlog.h"

ScriptDialogGuard::Verdict ScriptDialogGuard::judge(
    const QString &askingOrigin, const QString &pageOrigin, qint64 now, bool canWait)
{
    if (askingOrigin != pageOrigin || !canWait) {
        if (!m_loggedOrigins.contains(askingOrigin)) {
            m_loggedOrigins.insert(askingOrigin);
            TSpdlog::instance()->otherWarn(QStringLiteral("script dialog of %1 in %2 not shown")
                    .arg(LogExcerpt::of(askingOrigin), LogExcerpt::of(pageOrigin)));
        }
        return Verdict::Cancel;
    }
    if (m_stopped)
        return Verdict::Cancel;
    const bool inARow = m_lastAnswer >= 0 && now - m_lastAnswer <= kInARowMs;
    m_inARow = inARow ? m_inARow + 1 : 0;
    return m_inARow >= kDialogsBeforeStopOffer ? Verdict::ShowWithStopOffer : Verdict::Show;
}

void ScriptDialogGuard::answered(qint64 now)
{
    m_lastAnswer = now;
}

void ScriptDialogGuard::stopDialogs()
{
    m_stopped = true;
}

void ScriptDialogGuard::reset()
{
    m_lastAnswer = -1;
    m_inARow = 0;
    m_stopped = false;
}
