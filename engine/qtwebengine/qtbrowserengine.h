#pragma once

#include "engine/browserengine.h"

#include <QObject>

#include <memory>

class QtEngineProfile;

// The engine interface over Qt WebEngine: Chromium, with its sub-processes
// running the program the settings name.
// Runs on the GUI thread, after the application object exists.
class QtBrowserEngine : public BrowserEngine
{
    Q_DISABLE_COPY(QtBrowserEngine)

public:
    QtBrowserEngine();
    ~QtBrowserEngine() override;

    // The same as chromiumVersion(), before any engine exists.
    static QString engineChromiumVersion();

    bool start(const EngineSettings &settings) override;
    EngineProfile *profile() override;
    EngineProfile *legacyProfile(const QString &storagePath) override;
    QString chromiumVersion() const override;
    QString httpCacheFolder(const QString &cachePath) const override;

private:
    // Goes first: its profiles' pages must go before the engine's profiles.
    QObject m_owner;
    QtEngineProfile *m_profile = nullptr;
    QtEngineProfile *m_legacyProfile = nullptr;
};
