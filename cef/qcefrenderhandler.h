#pragma once

class CefFrame;
class CefProcessMessage;
class QQmlWebChannel;
class QQuickWebEngineProfile;

// The page side of the bridge: gives every frame of every page the function
// callQML (render/bridge.js), and runs the script texts sent to a page.
// Runs on the GUI thread. Shared by the engine context and its browsers.
class QCefRenderHandler
{
public:
    // Injects the bridge into every document of the profile, before any script
    // of the page runs.
    void OnWebKitInitialized(QQuickWebEngineProfile *profile);
    // Publishes the native end of the bridge to the pages of one browser.
    void OnContextCreated(CefFrame *mainFrame, QQmlWebChannel *channel);
    // Runs the message's name as script in the frame.
    void OnProcessMessageReceived(CefFrame *frame, const CefProcessMessage &message);
};
