#pragma once

#include <QObject>

class QSettings;
class QVariant;

// The configuration file "config.ini": plain switches in the "Browser" group,
// page-defined entries encrypted (names and values) in the "Setting" group.
// Beside a read-only program the administrator's file gives the defaults and
// the user's own file, which takes every write, overrides them key by key.
// Runs on the GUI thread. The instance() object lives until process exit.
class MVTConfig : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MVTConfig)

public:
    explicit MVTConfig(const QString &filePath, QObject *parent = nullptr);
    // defaultsPath: read where filePath lacks a key, never written; empty for none.
    MVTConfig(const QString &filePath, const QString &defaultsPath, QObject *parent = nullptr);

    static MVTConfig *instance();

    // The fixed passphrase of the encrypted "Setting" entries, for tools that
    // write the entries the program only reads.
    static QString passphrase();
    static QString version();

    Q_INVOKABLE void setIsCache(bool flag);
    Q_INVOKABLE bool getOpenLog() const;
    Q_INVOKABLE QString getVersion() const;
    Q_INVOKABLE void set(const QString &key, const QString &value);
    Q_INVOKABLE QString get(const QString &key) const;
    Q_INVOKABLE QString getMainUrl() const;
    Q_INVOKABLE QString getInstallPackName() const;

    bool getIsCache() const;

private:
    QVariant value(const QString &key, const QVariant &defaultValue) const;
    void write(const QString &key, const QVariant &value);

    QSettings *m_settings;
    QSettings *m_defaults = nullptr;
    // One line in the log for a file that takes no writes, not one per write.
    bool m_writeFailureLogged = false;
};
