#pragma once

#include <QHash>
#include <QObject>
#include <QSet>

class CefBrowser;
class EnginePage;
class ScreenSaverInhibitor;
class WakeLockRequest;

// The screen wake locks the pages hold, and the desktop's screen saver held off while any is
// held. A lock goes to a document of a trusted origin in a page the player can see; any other
// is refused, each origin logged once. A page's locks go when the page is hidden, leaves its
// document, loses its renderer or closes, and when the document lets them go.
// Runs on the GUI thread. instance() creates it on first use; it lives until process exit.
class ScreenWakeLocks : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ScreenWakeLocks)

public:
    static ScreenWakeLocks *instance();

    // From the page's creation on; page belongs to browser.
    void watch(const CefBrowser &browser, EnginePage &page);
    bool isHeld() const { return !m_held.isEmpty(); }

private:
    ScreenWakeLocks();

    void onRequested(const CefBrowser &browser, const QObject *page, WakeLockRequest &request);
    void release(const QObject *page, const QString &lock);
    void releaseAll(const QObject *page);

    QHash<const QObject *, QSet<QString>> m_held;
    QSet<QString> m_refusedOrigins;
    ScreenSaverInhibitor *m_inhibitor;
};
