#pragma once

#include "cef/cefrefptr.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QtGlobal>

#include <memory>

class CefBrowser;
class CefCommandLine;
class CefCookieManager;
class QCefApp;
class QCefRenderHandler;
class QQmlComponent;
class QQmlEngine;
class QQuickWebEngineDownloadItem;
class QQuickWebEngineProfile;
struct CefSettings;

// The running engine: the one persistent profile that every browser shares,
// the script engine their views live in, and the page side of the bridge.
// Runs on the GUI thread. Exists from a successful start until its holder lets
// it go, which takes every browser window down first.
class CefContext
{
    Q_DISABLE_COPY(CefContext)

public:
    // Null when the engine cannot start; the reason is left on the debug output.
    static std::unique_ptr<CefContext> initialize(
        const CefSettings &settings, QCefApp &app, CefCommandLine &commandLine);
    // Null before a start and after the context is gone.
    static CefContext *current();
    ~CefContext();

    QQuickWebEngineProfile *profile() const { return m_profile.get(); }
    QQmlEngine *qmlEngine() const { return m_qmlEngine.get(); }
    QQmlComponent *browserView() const { return m_browserView.get(); }
    const CefRefPtr<QCefRenderHandler> &renderHandler() const { return m_renderHandler; }
    CefCookieManager *cookieManager() const { return m_cookieManager.get(); }
    void addBrowser(CefBrowser *browser);

private:
    CefContext() = default;
    bool start(const CefSettings &settings);
    void followDownloads();
    CefBrowser *browserOf(const QQuickWebEngineDownloadItem &download) const;

    // Destroyed bottom-up: the profile must go before the script engine.
    std::unique_ptr<QQmlEngine> m_qmlEngine;
    std::unique_ptr<QQmlComponent> m_browserView;
    std::unique_ptr<QQuickWebEngineProfile> m_profile;
    std::unique_ptr<CefCookieManager> m_cookieManager;
    CefRefPtr<QCefRenderHandler> m_renderHandler;
    QList<QPointer<CefBrowser>> m_browsers;
    // Receives the profile's download signals; declared last, so it goes first:
    // the profile reports its unfinished downloads as it is destroyed.
    QObject m_downloadReceiver;
};
