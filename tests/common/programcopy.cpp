#include "programcopy.h"

#include "testengine.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

// What went wrong, or nothing.
QString configure(const QString &appDir, const QStringList &command)
{
    QProcess config;
    config.start(qEnvironmentVariable("LUMEN_BIN_DIR") + "/lumen_config",
        QStringList { "--file", appDir + "/config.ini" } + command);
    if (!config.waitForFinished() || config.exitCode() != 0)
        return "lumen_config failed: " + QString::fromUtf8(config.readAllStandardError());
    return QString();
}

} // namespace

QString installProgramCopy(const QString &appDir, quint16 portalPort)
{
    const QString bin = qEnvironmentVariable("LUMEN_BIN_DIR");
    if (!QDir().mkpath(appDir))
        return "cannot make " + appDir;
    for (const QString name : { "lumen", "lumen_render" }) {
        if (!QFile::copy(bin + "/" + name, appDir + "/" + name))
            return "cannot copy " + name + " from " + bin;
    }
    const QString failure
        = configure(appDir, { "set-domain", "lumen.localhost:" + QString::number(portalPort) });
    if (!failure.isEmpty())
        return failure;
    return configure(appDir, { "engine", TestEngine::configName() });
}

QProcessEnvironment sessionEnvironment(const QString &home, const QString &display)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString name : { "QT_QPA_PLATFORM", "XAUTHORITY", "WAYLAND_DISPLAY" })
        environment.remove(name);
    environment.insert("DISPLAY", display);
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    environment.insert("XDG_DATA_HOME", home + "/data");
    environment.insert("XDG_CACHE_HOME", home + "/cache");
    return environment;
}

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
    }
}
