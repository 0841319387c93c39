#pragma once

#include "engine/browserengine.h"
#include "engine/chromium/pagescripts.h"

#include <QObject>

class ChromiumProfile;

// The engine interface over the system's own Chromium, kept current by the
// distribution: a browser process per profile, its profile folder under the
// program's storage, driven over the DevTools pipe.
// The legacy windows' profile gets a browser of its own on its own folder.
// Runs on the GUI thread, after the application object exists. Its profiles,
// their pages and their browsers go with it.
class ChromiumBrowserEngine : public BrowserEngine
{
    Q_DISABLE_COPY(ChromiumBrowserEngine)

public:
    ChromiumBrowserEngine();
    ~ChromiumBrowserEngine() override;

    // The browser's starter: LUMEN_CHROMIUM when set, else Debian's.
    static QString programPath();
    // As "chromium --version" tells it ("156.0.8078.129"); empty when it does not run.
    static QString installedVersion();

    bool start(const EngineSettings &settings) override;
    EngineProfile *profile() override;
    EngineProfile *legacyProfile(const QString &storagePath) override;
    QString chromiumVersion() const override;
    QString httpCacheFolder(const QString &cachePath) const override;

private:
    ChromiumProfile *startProfile(const QString &storagePath, const QString &cachePath);

    // Goes first: its profiles' pages must go before the profiles' browsers.
    QObject m_owner;
    QStringList m_switches;
    PageScripts m_scripts;
    QString m_version;
    ChromiumProfile *m_profile = nullptr;
    ChromiumProfile *m_legacyProfile = nullptr;
};
