#include "engine/chromium/chromiumfullscreen.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"

#include <QUrl>
#include <QWindow>

namespace {

// The browser tells the game it left with the size its document has then: it leaves once the
// document has its window's size again, or after a while if it never gets it.
const char leaveScript[] = R"((function (width, height) {
    if (!document.fullscreenElement)
        return;
    var left = false;
    function leave() {
        if (left)
            return;
        left = true;
        removeEventListener('resize', leaveIfSized);
        document.exitFullscreen();
    }
    function leaveIfSized() {
        if (innerWidth === width && innerHeight === height)
            leave();
    }
    addEventListener('resize', leaveIfSized);
    setTimeout(leave, 1000);
    leaveIfSized();
})(%1, %2))";

} // namespace

ChromiumFullScreen::ChromiumFullScreen(
    EnginePage &owner, std::function<void(const QString &)> runInWorld)
    : m_owner(owner)
    , m_runInWorld(std::move(runInWorld))
{
}

void ChromiumFullScreen::onChanged(bool on, const QString &origin)
{
    FullScreenRequest request(on, QUrl(origin));
    emit m_owner.sgFullScreenRequested(request);
    if (on && !request.isAccepted())
        leave();
}

void ChromiumFullScreen::leave()
{
    const QSize size = m_owner.window() ? m_owner.window()->size() : QSize();
    m_runInWorld(QString::fromLatin1(leaveScript).arg(size.width()).arg(size.height()));
}
