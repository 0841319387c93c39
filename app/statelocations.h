#pragma once

#include <QString>

// Where the program keeps what it writes. A program folder that takes writes (a portable copy)
// holds config.ini and the engine's cache beside the executable. An installed program (the
// layout of the install rules: <prefix>/lib/lumen with <prefix>/bin/lumen leading to it), and
// any program folder that takes no writes, keeps its config.ini as the administrator's
// defaults; the user's settings, the engine's storage and its cache then live in the user's XDG
// folders, whoever runs it: root writes anywhere, yet its settings must not become every user's.
// A home folder that takes no writes either leaves a private folder that lasts for this session
// only. Decided once, by the layout and by writes that really succeed or fail; the instance()
// object lives until process exit.
class StateLocations
{
public:
    explicit StateLocations(const QString &programDir);

    static const StateLocations &instance();

    bool portable() const;
    // Laid out by the install rules, whatever the permissions.
    static bool installed(const QString &programDir);
    // Where settings are written.
    QString configFile() const;
    // The administrator's config.ini that configFile() overrides key by key; empty when the
    // two are one file.
    QString defaultsFile() const;
    // config.ini in the program folder, whether or not it takes writes.
    QString programConfigFile() const;
    QString engineStoragePath() const;
    // The engine keeps its disk cache in the "Cache" folder below this one.
    QString engineCachePath() const;
    // The data root's default location (the data folders of DirHelper).
    QString defaultDataRoot() const;

private:
    bool userFoldersTakeWrites() const;

    QString m_programDir;
    bool m_portable;
    QString m_configDir;
    QString m_dataDir;
    QString m_cacheDir;
};
