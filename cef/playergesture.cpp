#include "cef/playergesture.h"

#include <cmath>

PlayerGesture::PlayerGesture(const QString &pageOrigin, const QString &origin, qint64 ageMs)
    : m_pageOrigin(pageOrigin)
    , m_origin(origin)
    , m_ageMs(ageMs)
{
}

PlayerGesture PlayerGesture::fromReport(const QVariantMap &report)
{
    bool number = false;
    const double ageMs = report.value(QStringLiteral("age")).toDouble(&number);
    const bool counted = number && std::isfinite(ageMs) && ageMs >= 0 && ageMs < kSpanMs;
    return PlayerGesture(report.value(QStringLiteral("page")).toString(),
        report.value(QStringLiteral("origin")).toString(),
        counted ? static_cast<qint64>(ageMs) : -1);
}

QString PlayerGesture::actingOrigin() const
{
    if (m_ageMs < 0 || m_ageMs >= kSpanMs || m_origin == QLatin1String("null"))
        return QString();
    return m_origin;
}
