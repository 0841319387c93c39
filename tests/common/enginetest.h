#pragma once

#include "app/policysettings.h"
#include "cef/qcefengine.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

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

// The test pages come from the loopback server, whose site the administrator
// of a test installation trusts. Once the application object exists.
inline void trustTestServer()
{
    PolicySettings::program().addTrustedOrigin(QStringLiteral("127.0.0.1"));
}

// main() of an engine test: the engine is prepared before the application
// object exists, as the program does it.
#define LUMEN_ENGINE_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        EngineTestEnvironment environment;                                                         \
        QCefEngine::prepare();                                                                     \
        QApplication app(argc, argv);                                                              \
        PolicySettings::program().addTrustedOrigin(QStringLiteral("127.0.0.1"));                   \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
