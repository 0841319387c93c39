#pragma once

#include <QObject>
#include <QSet>

#include <optional>

class QSettings;
class QVariant;

// The configuration file "config.ini": plain switches in the "Browser" group,
// page-defined entries encrypted (names and values) in the "Setting" group.
// Beside a read-only program the administrator's file gives the defaults and
// the user's own file, which takes every write, overrides them key by key.
// A stored value that does not decode (damaged, or written with another key)
// reads as absent, with one log line naming the setting, never its value.
// Runs on the GUI thread. The instance() object lives until process exit; it hands the log
// its debug switch as it is created.
class MVTConfig : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MVTConfig)

public:
    explicit MVTConfig(const QString &filePath, QObject *parent = nullptr);
    // defaultsPath: read where filePath lacks a key, never written; empty for none.
    MVTConfig(const QString &filePath, const QString &defaultsPath, QObject *parent = nullptr);

    static MVTConfig *instance();

    static QString version();
    // What the program and its tools tell when isSetUp() is false.
    static QString notSetUpMessage();

    Q_INVOKABLE void setIsCache(bool flag);
    Q_INVOKABLE bool getOpenLog() const;
    Q_INVOKABLE QString getVersion() const;
    Q_INVOKABLE void set(const QString &key, const QString &value);
    Q_INVOKABLE QString get(const QString &key) const;
    Q_INVOKABLE QString getMainUrl() const;
    Q_INVOKABLE QString getInstallPackName() const;

    bool getIsCache() const;
    // The engine the administrator chose, as lumen_config engine stored it.
    QString engineChoice() const;
    // Whether a page setting is there and decodes; one that does not counts as absent.
    bool has(const QString &key) const;
    // Whether the portal's domain is there: without it the program has nothing to open.
    bool isSetUp() const;

private:
    std::optional<QString> decoded(const QString &key) const;
    QVariant value(const QString &key, const QVariant &defaultValue) const;
    void write(const QString &key, const QVariant &value);

    QSettings *m_settings;
    QSettings *m_defaults = nullptr;
    // One line in the log for a file that takes no writes, not one per write.
    bool m_writeFailureLogged = false;
    // Names of settings that did not decode, each logged once a run.
    mutable QSet<QString> m_undecodable;
};
