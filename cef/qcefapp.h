#pragma once

#include "cef/cefrefptr.h"
#include "engine/engineprofile.h"

#include <QList>
#include <QPointer>
#include <QtGlobal>

class CefCommandLine;
class QCefClient;
class QString;

// The browser-process side of the engine: the switches it starts with, and the
// browsers the window manager asks for.
// Runs on the GUI thread. Knows the clients it made without keeping them: a
// client lives as long as its window holds it, so a long session of windows
// opened and closed does not grow.
class QCefApp
{
    Q_DISABLE_COPY(QCefApp)

public:
    QCefApp() = default;

    void OnBeforeCommandLineProcessing(CefCommandLine &commandLine);
    // The engine runs: browsers live in profile from now on.
    void OnContextInitialized(EngineProfile *profile);

    // Empty while the engine is not ready. The browser itself comes later, to
    // the client's OnAfterCreated; width or height 0 leaves it to the engine.
    CefRefPtr<QCefClient> createBrowser(
        const QString &windowName, bool visible, const QString &url, int width, int height);

    // Every browser that exists now; later ones start with their sound on.
    void setAudioMuted(bool muted);

private:
    QPointer<EngineProfile> m_profile;
    QList<QWeakPointer<QCefClient>> m_clients;
};
