#include "shell/enginechoice.h"

#include "app/configkeys.h"
#include "app/mvtconfig.h"
#include "app/tspdlog.h"
#include "engine/chromium/chromiumbrowserengine.h"
#include "engine/qtwebengine/qtbrowserengine.h"

namespace {

const QString kChromium = QStringLiteral("chromium");
const QString kQtWebEngine = QStringLiteral("qtwebengine");

bool usable(const QString &chromiumVersion)
{
    return chromiumVersion.section(QLatin1Char('.'), 0, 0).toInt()
        >= ConfigKeys::minimumChromiumVersion();
}

// The system's Chromium is asked for its version only when the choice may take it.
bool takesChromium(const QString &choice, const QString &chromiumVersion)
{
    return choice == kChromium || (choice == QLatin1String("auto") && usable(chromiumVersion));
}

QString installedVersionFor(const QString &choice)
{
    return choice == kQtWebEngine ? QString() : ChromiumBrowserEngine::installedVersion();
}

void logChromium(const QString &choice, const QString &version)
{
    if (choice != QLatin1String("auto"))
        return;
    TSpdlog::instance()->otherInfo(QStringLiteral("The system's Chromium: %1, %2")
            .arg(version.isEmpty() ? QStringLiteral("not installed") : version,
                usable(version) ? QStringLiteral("usable") : QStringLiteral("not usable")));
}

} // namespace

std::unique_ptr<BrowserEngine> EngineChoice::make()
{
    const QString choice = MVTConfig::instance()->engineChoice();
    const QString version = installedVersionFor(choice);
    logChromium(choice, version);
    const bool chromium = takesChromium(choice, version);
    TSpdlog::instance()->otherInfo(QStringLiteral("Engine: %1, chosen by %2")
            .arg(chromium ? kChromium : kQtWebEngine, choice));
    if (chromium)
        return std::make_unique<ChromiumBrowserEngine>();
    return std::make_unique<QtBrowserEngine>();
}

QString EngineChoice::versionLine()
{
    const QString choice = MVTConfig::instance()->engineChoice();
    const QString version = installedVersionFor(choice);
    if (!takesChromium(choice, version))
        return QStringLiteral("Chromium %1 (Qt WebEngine %2)")
            .arg(QtBrowserEngine::engineChromiumVersion(), QString::fromLatin1(qVersion()));
    const QString program = ChromiumBrowserEngine::programPath();
    if (version.isEmpty())
        return QStringLiteral("Chromium not installed (the system's, %1)").arg(program);
    return QStringLiteral("Chromium %1 (the system's, %2)").arg(version, program);
}
