#pragma once

#include <QString>

#include <memory>

class BrowserEngine;

// The engine the administrator chose with lumen_config engine: Qt WebEngine,
// the system's Chromium, or "auto", which takes that Chromium when it is
// installed and recent enough, else Qt WebEngine.
namespace EngineChoice {

// Once the configuration and the daily log are there; the log says what it took.
std::unique_ptr<BrowserEngine> make();
// What --version tells of the engine make() would take: its Chromium version, and which
// engine it is. Logs nothing.
QString versionLine();

} // namespace EngineChoice
