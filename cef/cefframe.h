#pragma once

#include "cef/ceftypes.h"

#include <QString>

class CefBrowser;
class CefProcessMessage;

// The main frame of a browser: the frame that script texts run in and that
// bridge messages travel through. Lives as long as its browser.
class CefFrame
{
public:
    explicit CefFrame(CefBrowser *browser)
        : m_browser(browser)
    {
    }

    QString url() const;
    void loadUrl(const QString &url);
    // A page of the shell's own, made from text: it needs no network.
    void loadString(const QString &html);
    // Runs in the page's own script world.
    void executeJavaScript(const QString &code);
    // PID_RENDERER: the page side runs the name as script in this frame.
    // PID_BROWSER: the browser's client receives it.
    void sendProcessMessage(CefProcessId target, const CefProcessMessage &message);

private:
    CefBrowser *m_browser;
};
