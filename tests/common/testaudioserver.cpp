#include "testaudioserver.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <csignal>

#include <sys/prctl.h>

TestAudioServer::~TestAudioServer()
{
    m_server.terminate();
    m_server.waitForFinished(5000);
}

QString TestAudioServer::serverAddress() const
{
    return QStringLiteral("unix:") + m_folder.filePath(QStringLiteral("socket"));
}

bool TestAudioServer::start()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty() || !m_folder.isValid())
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_folder.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder.path());
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that fails hard leaves no server behind.
    m_server.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_server.start(QStringLiteral("pulseaudio"),
        { "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes",
            "--log-level=error", "-L", "module-null-sink sink_name=lumen", "-L",
            "module-native-protocol-unix auth-anonymous=1 socket="
                + m_folder.filePath(QStringLiteral("socket")) });
    if (!QTest::qWaitFor(
            [this] { return QFileInfo::exists(m_folder.filePath(QStringLiteral("socket"))); },
            10000))
        return false;
    qputenv("PULSE_SERVER", serverAddress().toLocal8Bit());
    return true;
}

double TestAudioServer::loudness()
{
    QProcess recorder;
    recorder.start(QStringLiteral("parec"),
        { "--server=" + serverAddress(), "--device=lumen.monitor", "--raw", "--format=s16le",
            "--channels=1", "--rate=8000" });
    recorder.waitForFinished(1000);
    recorder.terminate();
    recorder.waitForFinished(5000);
    const QByteArray samples = recorder.readAllStandardOutput();
    const qsizetype count = samples.size() / 2;
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const double sample = qFromLittleEndian<qint16>(samples.constData() + 2 * i);
        sum += sample * sample;
    }
    return count > 0 ? std::sqrt(sum / count) : -1;
}
