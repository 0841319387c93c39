#pragma once

#include <QString>

// Where the program keeps what it writes. A program folder that takes writes (a portable copy)
// holds config.ini and the engine's cache beside the executable. An installed, read-only one
// keeps its config.ini as the administrator's defaults; the user's settings, the engine's
// storage and its cache then live in the user's XDG folders. A home folder that takes no
// writes either leaves a private folder that lasts for this session only.
// Decided once, by writes that really succeed or fail; the instance() object lives until
// process exit.
class StateLocations
{
public:
    explicit StateLocations(const QString &programDir);

    static const StateLocations &instance();

    bool portable() const;
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
