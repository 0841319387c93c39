#include "shell/enginechoice.h"

#include "app/configkeys.h"
#include "app/mvtconfig.h"
#include "app/tspdlog.h"
#include "engine/chromium/chromiumbrowserengine.h"
#include "engine/qtwebengine/qtbrowserengine.h"

namespace {

bool chromiumIsUsable()
{
    const QString version = ChromiumBrowserEngine::installedVersion();
    const bool usable
        = version.section(QLatin1Char('.'), 0, 0).toInt() >= ConfigKeys::minimumChromiumVersion();
    TSpdlog::instance()->otherInfo(QStringLiteral("The system's Chromium: %1, %2")
            .arg(version.isEmpty() ? QStringLiteral("not installed") : version,
                usable ? QStringLiteral("usable") : QStringLiteral("not usable")));
    return usable;
}

} // namespace

std::unique_ptr<BrowserEngine> EngineChoice::make()
{
    const QString choice = MVTConfig::instance()->engineChoice();
    const bool chromium = choice == QLatin1String("chromium")
        || (choice == QLatin1String("auto") && chromiumIsUsable());
    TSpdlog::instance()->otherInfo(QStringLiteral("Engine: %1, chosen by %2")
            .arg(chromium ? QStringLiteral("chromium") : QStringLiteral("qtwebengine"), choice));
    if (chromium)
        return std::make_unique<ChromiumBrowserEngine>();
    return std::make_unique<QtBrowserEngine>();
}
