#pragma once

#include "cef/cefrefptr.h"
#include "engine/enginepage.h"
#include "window/rendererdeaths.h"

#include <QElapsedTimer>
#include <QObject>

class CefBrowser;
class LoadFailureRecovery;
class QCefClient;

// Brings a window's page back when its render process ends abnormally (a
// crash, a kill, out of memory) or stops answering on screen and the player
// chooses to reload it (it is ended first): the window loads its last address again at once, which
// gives it a new render process and the page a new bridge. A renderer that dies too often
// (RendererDeaths) gets the error page instead, so that a page that kills or hangs its renderer
// does not loop. Runs on the GUI thread; a child of the window's client, so it goes with it.
class RendererRecovery : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RendererRecovery)

public:
    RendererRecovery(const QString &windowName, LoadFailureRecovery &failures, QCefClient *client);

private:
    void onRenderProcessTerminated(const CefRefPtr<CefBrowser> &browser,
        EnginePage::RendererEnd status, const QString &lastUrl);
    void onRenderProcessUnresponsive(const CefRefPtr<CefBrowser> &browser);

    const QString m_windowName;
    LoadFailureRecovery &m_failures;
    QElapsedTimer m_clock;
    RendererDeaths m_deaths;
};
