#pragma once

#include <QObject>

class PopupHook;
class QCefClient;
class QCefEngine;
class QCefView;
class SplashHandover;
class WindowRegistry;
class WindowStatusControl;
struct WindowRecord;

// Makes the client and browser of each engine window, and connects the
// client to the window manager and to what brings the window's page back
// when it fails (load failures, ended renderers). The start-up window takes
// over from the splash; a program not set up shows that in it instead of
// any page.
// Runs on the GUI thread; the window manager owns it.
class BrowserWiring : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(BrowserWiring)

public:
    struct Receivers
    {
        QCefView &view;
        SplashHandover &splash;
        PopupHook &popups;
        WindowStatusControl &status;
    };

    BrowserWiring(QCefEngine &engineHost, const WindowRegistry &registry,
        const Receivers &receivers, QObject *parent = nullptr);

    // While the engine is not ready no client is made: the caller asks again.
    void createBrowser(WindowRecord &record);
    // The next start-up window shows that the program is not set up.
    void showNotSetUpNext() { m_notSetUp = true; }
    // Page requests reach the scene once the browser is in its window.
    void onAttached(const QString &name);

private:
    void connectToView(QCefClient *client);
    void showNotSetUp(QCefClient *client);

    QCefEngine &m_engineHost;
    const WindowRegistry &m_registry;
    Receivers m_receivers;
    bool m_notSetUp = false;
};
