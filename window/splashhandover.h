#pragma once

#include "cef/cefrefptr.h"

#include <QObject>

class CefBrowser;
class QTimer;
class WindowRegistry;

// The splash stands in while the first pages load: two seconds after a page
// has finished loading, the window holding the page that loaded last
// appears, and the scene is told to close its splash.
// Runs on the GUI thread; the window manager owns it.
class SplashHandover : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SplashHandover)

public:
    explicit SplashHandover(const WindowRegistry &registry, QObject *parent = nullptr);

    void onLoadEnd(CefRefPtr<CefBrowser> browser);

signals:
    void sgCloseLogo();

private:
    void onDelayOver();

    const WindowRegistry &m_registry;
    QTimer *m_delay;
    CefRefPtr<CefBrowser> m_lastLoadedBrowser;
};
