#include "engine/qtwebengine/pagefullscreen.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"
#include "engine/qtwebengine/fullscreenanswer.h"
#include "engine/qtwebengine/pagenotice.h"
#include "engine/qtwebengine/securityorigin.h"

#include <QWebEnginePage>
#include <QWebEngineSettings>

PageFullScreen::PageFullScreen(EnginePage *owner, QWidget *view, PageNotice *notice)
    : QObject(owner)
    , m_owner(*owner)
    , m_view(view)
    , m_notice(notice)
{
}

void PageFullScreen::setPage(QWebEnginePage *page)
{
    m_page = page;
    // Without it the engine refuses every element's request at once.
    page->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    connect(page, &QWebEnginePage::fullScreenRequested, this, &PageFullScreen::onRequested);
}

void PageFullScreen::leave()
{
    if (m_page)
        m_page->triggerAction(QWebEnginePage::ExitFullScreen);
}

// The engine names the frame that asked, which may be another site's than the page's.
void PageFullScreen::onRequested(QWebEngineFullScreenRequest request)
{
    FullScreenRequest asked(request.toggleOn(), request.origin());
    emit m_owner.sgFullScreenRequested(asked);
    if (!asked.isAccepted()) {
        request.reject();
        return;
    }
    if (m_answer)
        m_answer->answerNow();
    m_answer = new FullScreenAnswer(m_view, request, m_page);
    if (asked.isToldToThePlayer()) {
        m_notice->showBriefly(tr("%1 is now full screen. Press Escape to exit")
                .arg(SecurityOrigin::text(request.origin())));
    }
}
