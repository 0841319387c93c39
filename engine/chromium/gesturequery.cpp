#include "engine/chromium/gesturequery.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/gesturereport.h"

#include <QJsonObject>
#include <QPointer>

void GestureQuery::ask(DevToolsPipe *pipe, const QString &sessionId, int world,
    const QObject *context, const std::function<void(const PlayerGesture &)> &answer)
{
    // Evaluated anywhere else, the page's own script would answer.
    if (world == 0) {
        answer({});
        return;
    }
    pipe->send(QStringLiteral("Runtime.evaluate"),
        { { QStringLiteral("expression"), QStringLiteral("lumenGestures()") },
            { QStringLiteral("contextId"), world }, { QStringLiteral("returnByValue"), true } },
        sessionId, [context = QPointer<const QObject>(context), answer](const QJsonObject &reply) {
            if (!context)
                return;
            const QJsonObject result = reply.value(QStringLiteral("result")).toObject();
            answer(GestureReport::read(
                result.value(QStringLiteral("value")).toObject().toVariantMap()));
        });
}
