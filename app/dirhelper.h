#pragma once

#include <QObject>

// The per-user data root and its fixed sub-folders. The root is kept in the
// user settings as "MVT_APP_DATA"; a folder that cannot be created ends the
// process.
// Runs on the GUI thread. Lives until process exit.
class DirHelper : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DirHelper)

public:
    static DirHelper *instance();

    Q_INVOKABLE QString configPath() const;
    Q_INVOKABLE QString logPath() const;
    Q_INVOKABLE QString logPathWithMedia() const;
    Q_INVOKABLE QString logPathWithTRtc() const;
    Q_INVOKABLE QString logPathWithAgora() const;
    Q_INVOKABLE QString dumpPath() const;
    Q_INVOKABLE QString recordPath() const;
    Q_INVOKABLE QString dbPath() const;
    Q_INVOKABLE QString downloadPath() const;
    Q_INVOKABLE QString updatePath() const;
    Q_INVOKABLE QString cefCachePath() const;
    // The legacy windows' cookies and cache; made by their browser when needed.
    QString legacyPath() const;
    Q_INVOKABLE QString getAppPath() const;
    Q_INVOKABLE QString getAppData() const;
    Q_INVOKABLE QString macResourcesPath() const;
    Q_INVOKABLE bool changeDirPath(const QString &path);
    Q_INVOKABLE QString getCurrentDirPath() const;
    Q_INVOKABLE void resetMainPath();

private:
    DirHelper();

    QString mainChild(const QString &name) const;
    void storeMainPath(const QString &path);
    void createFolders() const;
    void createFolder(const QString &parent, const QString &name, const QString &label) const;
    [[noreturn]] static void fail(const QString &label);

    QString m_mainPath;
};
