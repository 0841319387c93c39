#include "cef/scriptdialogjudge.h"

#include "app/originpolicy.h"
#include "engine/enginepage.h"
#include "engine/pagerequests.h"

ScriptDialogJudge::ScriptDialogJudge(EnginePage *page)
    : QObject(page)
{
    m_clock.start();
    connect(page, &EnginePage::sgScriptDialogRequested, this, &ScriptDialogJudge::onRequested);
    connect(page, &EnginePage::sgScriptDialogAnswered, this, &ScriptDialogJudge::onAnswered);
    connect(page, &EnginePage::sgLoadStarted, this, [this] { m_guard.reset(); });
}

void ScriptDialogJudge::onRequested(ScriptDialogRequest &request)
{
    const ScriptDialogGuard::Verdict verdict
        = m_guard.judge(OriginPolicy::originOf(request.askingOrigin()),
            OriginPolicy::originOf(request.pageUrl()), m_clock.elapsed(), request.canWait());
    if (verdict != ScriptDialogGuard::Verdict::Cancel)
        request.show(verdict == ScriptDialogGuard::Verdict::ShowWithStopOffer);
}

void ScriptDialogJudge::onAnswered(bool stopDialogs)
{
    m_guard.answered(m_clock.elapsed());
    if (stopDialogs)
        m_guard.stopDialogs();
}
