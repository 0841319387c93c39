#pragma once

#include <QHash>
#include <QNetworkCookieJar>
#include <QObject>
#include <QString>

class EngineProfile;
class QCefEngine;
class QWindow;
class WindowRegistry;
struct WindowRecord;

// The legacy windows: one store of their own, kept apart from the engine
// windows' (under the data folder), the cookies the engine windows had when
// they were attached, and the widgets that show their pages.
// Runs on the GUI thread; the window manager owns it. Widgets are deleted
// deferred once their window has reported closed.
class LegacyWindows : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LegacyWindows)

public:
    LegacyWindows(
        const WindowRegistry &registry, QCefEngine &engineHost, QObject *parent = nullptr);

    // Cookie name to value, as the engine windows had them when attached.
    const QHash<QString, QString> &cookieTable() const { return m_cookieTable; }
    // Legacy windows opened later carry the cookies the engine would send to
    // this engine window's address now.
    void collectCookies(const WindowRecord &record);
    // The record's legacy page, navigating to its address; its native window
    // is the one to put into the scene's window.
    QWindow *open(WindowRecord &record);
    // Runs in the engine's own threads: the scene goes on meanwhile.
    void clearCache();

    void onSendCookie(const QString &cookieName, const QString &cookie);
    // What a legacy window gets: only the collected cookies its own address
    // would receive under the usual cookie rules.
    void onCollectCookie(const QNetworkCookie &cookie);

signals:
    void sgClosed(const QString &objectName);

private:
    EngineProfile &profile();
    void closeAll();

    const WindowRegistry &m_registry;
    QHash<QString, QString> m_cookieTable;
    QNetworkCookieJar m_cookies;
    QCefEngine &m_engineHost;
};
