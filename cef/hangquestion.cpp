#include "cef/hangquestion.h"

#include "app/logexcerpt.h"
#include "app/tspdlog.h"

#include <QUrl>

HangQuestion::HangQuestion(EnginePage *page, int limitMs)
    : QObject(page)
    , m_page(*page)
    , m_watchdog(new RendererWatchdog(page, limitMs))
{
    connect(m_watchdog, &RendererWatchdog::sgUnanswered, this, &HangQuestion::onUnanswered);
    connect(m_watchdog, &RendererWatchdog::sgAnsweredAgain, this, &HangQuestion::onAnsweredAgain);
    connect(page, &EnginePage::sgHangAnswered, this, &HangQuestion::onAnswered);
}

void HangQuestion::onUnanswered()
{
    if (m_asking)
        return;
    m_asking = true;
    log(QStringLiteral("not answering, asked"));
    m_page.askAboutHang();
}

void HangQuestion::onAnsweredAgain()
{
    if (!m_asking)
        return;
    m_asking = false;
    log(QStringLiteral("answers again, question taken away"));
    m_page.dropHangQuestion();
}

void HangQuestion::onAnswered(EnginePage::HangChoice choice)
{
    m_asking = false;
    if (choice == EnginePage::HangChoice::Reload) {
        emit sgReloadChosen();
        return;
    }
    log(QStringLiteral("not answering, the player waits"));
    m_watchdog->restart();
}

void HangQuestion::log(const QString &what) const
{
    TSpdlog::instance()->otherWarn(
        QStringLiteral("page %1 %2").arg(LogExcerpt::of(m_page.url().toString()), what));
}
