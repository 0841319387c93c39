#pragma once

#include <QString>

#include <memory>

class BrowserEngine;

// The real engine a test runs on: Qt WebEngine, or the system's Chromium in the runs CTest
// registers for it (label chromium, LUMEN_TEST_ENGINE=chromium).
namespace TestEngine {

inline bool isSystemChromium()
{
    return qEnvironmentVariable("LUMEN_TEST_ENGINE") == QLatin1String("chromium");
}

// Its name as the program's configuration chooses it (lumen_config engine NAME).
inline QString configName()
{
    return isSystemChromium() ? QStringLiteral("chromium") : QStringLiteral("qtwebengine");
}

std::unique_ptr<BrowserEngine> make();

} // namespace TestEngine

// A case that cannot pass on the system's Chromium says why.
#define LUMEN_SKIP_ON_SYSTEM_CHROMIUM(reason)                                                      \
    do {                                                                                           \
        if (TestEngine::isSystemChromium())                                                        \
            QSKIP(reason);                                                                         \
    } while (false)
