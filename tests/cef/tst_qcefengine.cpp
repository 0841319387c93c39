#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "enginetest.h"
#include "processtree.h"
#include "testhttpserver.h"

#include <QProcess>
#include <QSettings>
#include <QTcpSocket>

namespace {

// Set in a child copy of this test: it starts the engine beside its own
// config.ini and tells whether the debugging port answers.
const char childVariable[] = "TST_QCEFENGINE_CHILD";
const quint16 debuggingPort = 10001;

bool debuggingPortAnswers()
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), debuggingPort);
    return socket.waitForConnected(2000);
}

int childMain(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCefEngine engine(realEngine());
    if (engine.initialize(argc, argv) >= 0)
        return 2;
    const CefRefPtr<QCefClient> client = engine.app()->createBrowser(
        QStringLiteral("app"), false, QStringLiteral("about:blank"), 0, 0);
    if (!QTest::qWaitFor([&client] { return bool(client->getBrowser()); }, 20000))
        return 3;
    QTest::qWait(2000);
    printf(debuggingPortAnswers() ? "port open\n" : "port closed\n");
    return 0;
}

QStringList descendantPrograms(qint64 root)
{
    QStringList programs;
    const QList<qint64> descendants = descendantProcesses(root);
    for (qint64 pid : descendants) {
        programs.append(
            QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid))).fileName());
    }
    return programs;
}

} // namespace

// The engine's start: its sub-processes, user agent, storage, debugging port,
// and what happens to the program when it cannot start.
class TestQCefEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void subProcessesAreTheRenderHelper();
    void userAgentCarriesTheProductToken();
    void storageLivesBesideTheProgram();
    void webGlDrawsUnderSoftwareOpenGl_data();
    void webGlDrawsUnderSoftwareOpenGl();
    void emojiAreDrawnInColour_data();
    void emojiAreDrawnInColour();
    void debuggingPortFollowsTheConfiguration_data();
    void debuggingPortFollowsTheConfiguration();
    void startFailureEndsTheRunQuietly_data();
    void startFailureEndsTheRunQuietly();

private:
    void openPage();
    // The id of the first bridge call the page makes.
    QString firstCallOf(const QString &path);
    QProcessEnvironment childEnvironment() const;

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_server;
    CefRefPtr<QCefClient> m_client;
    QTemporaryDir m_temp;
};

void TestQCefEngine::initTestCase()
{
    QVERIFY(m_temp.isValid());
    QVERIFY(m_server.listen());
    TestHttpServer::Response page;
    page.body = "<html><body><script>callQML('ua', navigator.userAgent, '');</script>"
                "</body></html>";
    page.headers.append(qMakePair(QByteArray("Cache-Control"), QByteArray("max-age=3600")));
    m_server.setResponse(QStringLiteral("/ua.html"), page);
    // A pixel cleared to green and read back, or the reason it could not be.
    TestHttpServer::Response webGl;
    webGl.body = "<html><body><canvas width='4' height='4'></canvas><script>"
                 "var gl = document.querySelector('canvas').getContext(location.hash.substr(1));"
                 "var pixel = new Uint8Array(4);"
                 "if (gl) { gl.clearColor(0, 1, 0, 1); gl.clear(gl.COLOR_BUFFER_BIT);"
                 "  gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel); }"
                 "callQML('gl', gl ? Array.from(pixel).join(',') : 'no context', '');"
                 "</script></body></html>";
    m_server.setResponse(QStringLiteral("/webgl.html"), webGl);
    // How many of the emoji's pixels are coloured (their channels far apart) out of all it inks.
    TestHttpServer::Response emoji;
    emoji.body = "<html><body><canvas width='64' height='64'></canvas><script>"
                 "var c = document.querySelector('canvas').getContext('2d');"
                 "c.font = '48px ' + decodeURIComponent(location.hash.substr(1));"
                 "c.fillText('\\u{1F600}', 4, 52);"
                 "var d = c.getImageData(0, 0, 64, 64).data, ink = 0, coloured = 0;"
                 "for (var i = 0; i < d.length; i += 4) { if (d[i + 3] < 128) continue; ink++;"
                 "  var rgb = [d[i], d[i + 1], d[i + 2]];"
                 "  if (Math.max.apply(null, rgb) - Math.min.apply(null, rgb) > 60) coloured++; }"
                 "callQML('emoji', coloured + '/' + ink, '');"
                 "</script></body></html>";
    m_server.setResponse(QStringLiteral("/emoji.html"), emoji);
    QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/cache")).removeRecursively();
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
}

void TestQCefEngine::cleanup()
{
    if (m_client && m_client->getBrowser())
        m_client->getBrowser()->closeBrowser();
    m_client.reset();
}

void TestQCefEngine::openPage()
{
    QVERIFY(firstCallOf(QStringLiteral("/ua.html")).contains(QStringLiteral("corvelum")));
}

QString TestQCefEngine::firstCallOf(const QString &path)
{
    m_client
        = m_engine.app()->createBrowser(QStringLiteral("app"), false, m_server.url(path), 0, 0);
    QSignalSpy messages(m_client.data(), &QCefClient::sgWebMsgReceived);
    if (!messages.wait(20000))
        return QString();
    const QJsonObject message
        = QJsonDocument::fromJson(messages.at(0).at(0).toString().toUtf8()).object();
    return message.value(QStringLiteral("id")).toString();
}

QProcessEnvironment TestQCefEngine::childEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_temp.path());
    environment.insert(
        QStringLiteral("XDG_CONFIG_HOME"), m_temp.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_temp.filePath(QStringLiteral("data")));
    return environment;
}

void TestQCefEngine::subProcessesAreTheRenderHelper()
{
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM("the system's Chromium runs its own programs");
    openPage();
    const QStringList programs = descendantPrograms(QCoreApplication::applicationPid());
    QVERIFY(!programs.isEmpty());
    QCOMPARE(programs.count(QStringLiteral("lumen_render")), programs.count());
}

void TestQCefEngine::userAgentCarriesTheProductToken()
{
    openPage();
    const QByteArray userAgent
        = m_server.lastRequestHeaders(QStringLiteral("/ua.html")).value("user-agent");
    QVERIFY2(userAgent.contains(" corvelum "), userAgent.constData());
    QVERIFY2(!userAgent.contains("Chrome/") && !userAgent.contains("QtWebEngine"),
        userAgent.constData());
}

void TestQCefEngine::storageLivesBesideTheProgram()
{
    openPage();
    const QDir cache(QCoreApplication::applicationDirPath() + QStringLiteral("/cache"));
    QTRY_VERIFY(
        cache.exists(TestEngine::isSystemChromium() ? QStringLiteral("chromium/Default/Cache")
                                                    : QStringLiteral("Cache")));
}

// Xvfb offers Mesa's software renderer only, which the engine's GPU blocklist
// refuses unless told otherwise.
void TestQCefEngine::webGlDrawsUnderSoftwareOpenGl_data()
{
    QTest::addColumn<QString>("contextType");
    QTest::newRow("WebGL") << QStringLiteral("webgl");
    QTest::newRow("WebGL 2") << QStringLiteral("webgl2");
}

void TestQCefEngine::webGlDrawsUnderSoftwareOpenGl()
{
    QFETCH(QString, contextType);
    QCOMPARE(
        firstCallOf(QStringLiteral("/webgl.html#") + contextType), QStringLiteral("0,255,0,255"));
}

// The fonts a page names first: the generic sans-serif, and Arial, which Windows pages name
// and which the system replaces with a font of its metrics.
void TestQCefEngine::emojiAreDrawnInColour_data()
{
    QTest::addColumn<QString>("family");
    QTest::newRow("sans-serif") << QStringLiteral("sans-serif");
    QTest::newRow("Arial") << QStringLiteral("Arial");
}

void TestQCefEngine::emojiAreDrawnInColour()
{
    QFETCH(QString, family);
    const QStringList counts = firstCallOf(QStringLiteral("/emoji.html#") + family).split('/');
    QCOMPARE(counts.size(), 2);
    QVERIFY2(counts.at(1).toInt() > 500, qPrintable(counts.join('/')));
    QVERIFY2(counts.at(0).toInt() * 2 > counts.at(1).toInt(), qPrintable(counts.join('/')));
}

void TestQCefEngine::debuggingPortFollowsTheConfiguration_data()
{
    QTest::addColumn<QVariant>("debugEnable");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("enabled") << QVariant(true) << QByteArray("port open");
    QTest::newRow("disabled") << QVariant(false) << QByteArray("port closed");
    QTest::newRow("absent") << QVariant() << QByteArray("port closed");
}

void TestQCefEngine::debuggingPortFollowsTheConfiguration()
{
    QFETCH(QVariant, debugEnable);
    QFETCH(QByteArray, answer);
    QTemporaryDir appDir;
    const QString program
        = appDir.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/lumen_render"),
        appDir.filePath(QStringLiteral("lumen_render"))));
    if (debugEnable.isValid()) {
        QSettings config(appDir.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
        config.setValue(QStringLiteral("Browser/DebugEnable"), debugEnable);
    }

    QProcess child;
    QProcessEnvironment environment = childEnvironment();
    environment.insert(QString::fromLatin1(childVariable), QStringLiteral("1"));
    // Only the configuration may open the port.
    environment.insert(
        QStringLiteral("QTWEBENGINE_REMOTE_DEBUGGING"), QString::number(debuggingPort));
    child.setProcessEnvironment(environment);
    child.start(program, QStringList());
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(child.readAllStandardOutput().trimmed(), answer);
}

void TestQCefEngine::startFailureEndsTheRunQuietly_data()
{
    QTest::addColumn<bool>("helperPresent");
    QTest::newRow("helper missing") << false;
    QTest::newRow("helper not executable") << true;
}

void TestQCefEngine::startFailureEndsTheRunQuietly()
{
    QFETCH(bool, helperPresent);
    QTemporaryDir appDir;
    const QString program = appDir.filePath(QStringLiteral("lumen"));
    QVERIFY(QFile::copy(qEnvironmentVariable("LUMEN_BIN_DIR") + QStringLiteral("/lumen"), program));
    // The helper is the built-in engine's sub-process program.
    QSettings(appDir.filePath(QStringLiteral("config.ini")), QSettings::IniFormat)
        .setValue(QStringLiteral("Browser/Engine"), QStringLiteral("qtwebengine"));
    if (helperPresent) {
        QFile helper(appDir.filePath(QStringLiteral("lumen_render")));
        QVERIFY(helper.open(QIODevice::WriteOnly));
        helper.write("not a program");
    }

    QProcess lumen;
    lumen.setProcessEnvironment(childEnvironment());
    lumen.start(program, QStringList());
    QVERIFY(lumen.waitForFinished(60000));
    QCOMPARE(lumen.exitStatus(), QProcess::NormalExit);
    QCOMPARE(lumen.exitCode(), 0);
    const QString output = QString::fromUtf8(lumen.readAllStandardError());
    QVERIFY2(output.contains(QStringLiteral("启动：初始化cef失败")), qPrintable(output));
    QVERIFY(!output.contains(QStringLiteral("启动：启动完成")));
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(childVariable))
        return childMain(argc, argv);
    EngineTestEnvironment environment;
    QApplication app(argc, argv);
    trustTestServer();
    TestQCefEngine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qcefengine.moc"
