#pragma once

#include "engine/playergesture.h"

#include <QVariantMap>

// What the bridge's script world tells of the player's last click or key (lumenGestures(), see
// EngineSettings::bridgeScript), read as the engine's gesture. Every adapter asks that world its
// own way; the reading is one.
// Pure; reentrant.
class GestureReport
{
public:
    // Browsers let a click or key count this long (transient user activation).
    static constexpr qint64 kSpanMs = 5000;

    // "page", "origin" and "age" in milliseconds. Anything else counts as no gesture.
    static PlayerGesture read(const QVariantMap &report);
};
