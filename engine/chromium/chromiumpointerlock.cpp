#include "engine/chromium/chromiumpointerlock.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"

#include <QUrl>

ChromiumPointerLock::ChromiumPointerLock(EnginePage &owner,
    std::function<void(const GestureAnswer &)> askGesture,
    std::function<void(const QString &)> runInWorld)
    : m_owner(owner)
    , m_askGesture(std::move(askGesture))
    , m_runInWorld(std::move(runInWorld))
{
}

void ChromiumPointerLock::onKept(const QString &origin)
{
    m_held = true;
    m_askGesture([this, origin](const PlayerGesture &gesture) { answer(origin, gesture); });
}

void ChromiumPointerLock::onReleased()
{
    m_held = false;
}

void ChromiumPointerLock::answer(const QString &origin, const PlayerGesture &gesture)
{
    PointerLockRequest request(QUrl(origin), gesture);
    emit m_owner.sgPointerLockRequested(request);
    if (request.isAccepted())
        return;
    m_held = false;
    m_runInWorld(QStringLiteral("document.exitPointerLock();"));
}
