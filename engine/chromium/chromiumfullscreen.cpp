#include "engine/chromium/chromiumfullscreen.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"

#include <QUrl>

namespace {

const char leaveScript[] = "if (document.fullscreenElement) document.exitFullscreen();";

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
    m_runInWorld(QLatin1String(leaveScript));
}
