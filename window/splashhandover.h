#pragma once

#include "cef/cefrefptr.h"

#include <QObject>
#include <QSet>

class CefBrowser;
class QTimer;
class WindowRegistry;

// The splash stands in while the first pages load: two seconds after the last
// of a run of page loads has finished, every window whose page finished in that
// run appears, and the scene is told to close its splash. Not only the window
// that loaded last: a portal opening a window as soon as its own page loaded
// would otherwise keep the start-up window hidden for good, and a page nobody
// sees is not watched for hanging either.
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
    // Identifiers of the browsers loaded since the last hand-over, until their window shows.
    QSet<int> m_loadedBrowsers;
};
