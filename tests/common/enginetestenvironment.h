#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// The user's folders of a test process that starts the engine, redirected into
// a temporary directory before anything reads them.
class EngineTestEnvironment
{
public:
    EngineTestEnvironment()
    {
        const QByteArray root = m_home.path().toLocal8Bit();
        qputenv("HOME", root);
        qputenv("XDG_CONFIG_HOME", root + "/config");
        qputenv("XDG_DATA_HOME", root + "/data");
        qputenv("XDG_CACHE_HOME", root + "/cache");
        qputenv("XDG_RUNTIME_DIR", root + "/runtime");
        QDir().mkpath(m_home.path() + QStringLiteral("/runtime"));
        QFile::setPermissions(m_home.path() + QStringLiteral("/runtime"),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

private:
    QTemporaryDir m_home;
};
