#include "engine/chromium/navigationguard.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/pagerequests.h"

#include <QJsonArray>
#include <QJsonObject>

NavigationGuard::NavigationGuard(DevToolsPipe *pipe, std::function<void(NavigationRequest &)> asker)
    : m_pipe(pipe)
    , m_asker(std::move(asker))
{
}

QJsonObject NavigationGuard::fetchParams()
{
    const QJsonObject documents { { QStringLiteral("resourceType"), QStringLiteral("Document") },
        { QStringLiteral("requestStage"), QStringLiteral("Request") } };
    return { { QStringLiteral("patterns"), QJsonArray { documents } } };
}

// Each redirect is paused again, and asked about as a navigation of its own.
void NavigationGuard::onRequestPaused(const QJsonObject &params, const QString &sessionId) const
{
    const QJsonObject request = params.value(QStringLiteral("request")).toObject();
    NavigationRequest navigation(QUrl(request.value(QStringLiteral("url")).toString()),
        params.value(QStringLiteral("frameId")).toString() == m_mainFrame);
    m_asker(navigation);
    const QJsonValue requestId = params.value(QStringLiteral("requestId"));
    if (navigation.isRejected())
        m_pipe->send(QStringLiteral("Fetch.fulfillRequest"),
            { { QStringLiteral("requestId"), requestId }, { QStringLiteral("responseCode"), 204 } },
            sessionId);
    else
        m_pipe->send(QStringLiteral("Fetch.continueRequest"),
            { { QStringLiteral("requestId"), requestId } }, sessionId);
}
