#include "engine/qtwebengine/pagepointerlock.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"
#include "engine/qtwebengine/pagenotice.h"
#include "engine/qtwebengine/playergestures.h"

#include <QGuiApplication>

PagePointerLock::PagePointerLock(EnginePage *owner, PageNotice *notice)
    : QObject(owner)
    , m_owner(*owner)
    , m_notice(notice)
{
}

void PagePointerLock::setPage(QWebEnginePage *page)
{
    m_page = page;
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
        &PagePointerLock::onFeaturePermissionRequested);
}

// The engine hides the cursor for the whole program while one of its pages holds the pointer,
// and shows it again when the lock ends, by Escape, the window losing the focus or the page.
bool PagePointerLock::isHeld() const
{
    const QCursor *cursor = QGuiApplication::overrideCursor();
    return m_granted && cursor && cursor->shape() == Qt::BlankCursor;
}

void PagePointerLock::onKept(const QString &origin)
{
    m_granted = true;
    m_notice->showBriefly(tr("%1 holds the mouse. Press Escape to release it").arg(origin));
}

void PagePointerLock::onFeaturePermissionRequested(
    const QUrl &origin, QWebEnginePage::Feature feature)
{
    if (feature != QWebEnginePage::MouseLock)
        return;
    PlayerGestures::ask(
        m_page, this, [this, origin](const PlayerGesture &gesture) { answer(origin, gesture); });
}

void PagePointerLock::answer(const QUrl &origin, const PlayerGesture &gesture)
{
    PointerLockRequest request(origin, gesture);
    emit m_owner.sgPointerLockRequested(request);
    if (m_page) {
        m_page->setFeaturePermission(origin, QWebEnginePage::MouseLock,
            request.isAccepted() ? QWebEnginePage::PermissionGrantedByUser
                                 : QWebEnginePage::PermissionDeniedByUser);
    }
    if (request.isAccepted())
        m_granted = true;
}
