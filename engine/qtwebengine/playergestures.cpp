#include "engine/qtwebengine/playergestures.h"

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <cmath>

void PlayerGestures::ask(QWebEnginePage *page, const QObject *context,
    const std::function<void(const PlayerGesture &)> &answer)
{
    page->runJavaScript(QStringLiteral("lumenGestures()"), QWebEngineScript::ApplicationWorld,
        [context = QPointer<const QObject>(context), answer](const QVariant &report) {
            if (context)
                answer(fromReport(report.toMap()));
        });
}

PlayerGesture PlayerGestures::fromReport(const QVariantMap &report)
{
    bool number = false;
    const double ageMs = report.value(QStringLiteral("age")).toDouble(&number);
    const bool counted = number && std::isfinite(ageMs) && ageMs >= 0 && ageMs < kSpanMs;
    const QString origin = report.value(QStringLiteral("origin")).toString();
    const bool acting = counted && origin != QLatin1String("null");
    return { acting ? origin : QString(), report.value(QStringLiteral("page")).toString() };
}
