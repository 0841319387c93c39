#include "engine/qtwebengine/playergestures.h"

#include "engine/gesturereport.h"

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>

void PlayerGestures::ask(QWebEnginePage *page, const QObject *context,
    const std::function<void(const PlayerGesture &)> &answer)
{
    page->runJavaScript(QStringLiteral("lumenGestures()"), QWebEngineScript::ApplicationWorld,
        [context = QPointer<const QObject>(context), answer](const QVariant &report) {
            if (context)
                answer(GestureReport::read(report.toMap()));
        });
}
