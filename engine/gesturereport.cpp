#include "engine/gesturereport.h"

#include <cmath>

PlayerGesture GestureReport::read(const QVariantMap &report)
{
    bool number = false;
    const double ageMs = report.value(QStringLiteral("age")).toDouble(&number);
    const bool counted = number && std::isfinite(ageMs) && ageMs >= 0 && ageMs < kSpanMs;
    const QString origin = report.value(QStringLiteral("origin")).toString();
    const bool acting = counted && origin != QLatin1String("null");
    return { acting ? origin : QString(), report.value(QStringLiteral("page")).toString() };
}
