#include "testengine.h"

#include "engine/chromium/chromiumbrowserengine.h"
#include "engine/qtwebengine/qtbrowserengine.h"

std::unique_ptr<BrowserEngine> TestEngine::make()
{
    if (isSystemChromium())
        return std::make_unique<ChromiumBrowserEngine>();
    return std::make_unique<QtBrowserEngine>();
}
