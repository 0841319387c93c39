#include "app/platform.h"

#include <QtTest>

#include <iterator>
#include <optional>

namespace {

const char kPlatformVariable[] = "QT_QPA_PLATFORM";

// The environment variables a case sets; cleanup() puts back what the process had.
const char *const kTouched[] = { kPlatformVariable, "XDG_SESSION_TYPE", "WAYLAND_DISPLAY" };

std::optional<QByteArray> variable(const char *name)
{
    if (!qEnvironmentVariableIsSet(name))
        return std::nullopt;
    return qgetenv(name);
}

void setVariable(const char *name, const std::optional<QByteArray> &value)
{
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

} // namespace

// The window system the shell asks Qt for before its application object exists.
class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowSystem_data();
    void windowSystem();

private:
    std::optional<QByteArray> m_saved[std::size(kTouched)];
};

void TestPlatform::init()
{
    for (size_t i = 0; i < std::size(kTouched); ++i)
        m_saved[i] = variable(kTouched[i]);
}

void TestPlatform::cleanup()
{
    for (size_t i = 0; i < std::size(kTouched); ++i)
        setVariable(kTouched[i], m_saved[i]);
}

void TestPlatform::windowSystem_data()
{
    QTest::addColumn<bool>("given");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("waylandDesktop");
    QTest::addColumn<QByteArray>("requested");

    QTest::newRow("unset") << false << QByteArray() << false << QByteArray("xcb");
    QTest::newRow("unset on a Wayland desktop")
        << false << QByteArray() << true << QByteArray("xcb");
    // Qt reads an empty value as none, and would then pick Wayland by itself.
    QTest::newRow("empty on a Wayland desktop")
        << true << QByteArray() << true << QByteArray("xcb");
    QTest::newRow("wayland chosen")
        << true << QByteArray("wayland") << true << QByteArray("wayland");
    QTest::newRow("offscreen chosen")
        << true << QByteArray("offscreen") << false << QByteArray("offscreen");
    QTest::newRow("xcb chosen") << true << QByteArray("xcb") << true << QByteArray("xcb");
    QTest::newRow("fallback list chosen")
        << true << QByteArray("wayland;xcb") << true << QByteArray("wayland;xcb");
    QTest::newRow("plugin options kept")
        << true << QByteArray("vnc:size=800x600") << false << QByteArray("vnc:size=800x600");
}

void TestPlatform::windowSystem()
{
    QFETCH(bool, given);
    QFETCH(QByteArray, value);
    QFETCH(bool, waylandDesktop);
    QFETCH(QByteArray, requested);
    setVariable(kPlatformVariable, given ? std::optional<QByteArray>(value) : std::nullopt);
    setVariable("XDG_SESSION_TYPE", waylandDesktop ? "wayland" : "x11");
    setVariable(
        "WAYLAND_DISPLAY", waylandDesktop ? std::optional<QByteArray>("wayland-0") : std::nullopt);

    Platform::selectWindowSystem();

    QVERIFY(qEnvironmentVariableIsSet(kPlatformVariable));
    QCOMPARE(qgetenv(kPlatformVariable), requested);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
