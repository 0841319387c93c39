#include "engine/chromium/bridgebinding.h"

#include "engine/bridgecall.h"
#include "engine/enginelog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString text(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString();
}

} // namespace

BridgeBinding::BridgeBinding(const QString &world, const QString &binding,
    std::function<void(const BridgeCall &)> receiver,
    std::function<void(const QJsonArray &)> reports)
    : m_world(world)
    , m_binding(binding)
    , m_receiver(std::move(receiver))
    , m_reports(std::move(reports))
{
}

void BridgeBinding::onRuntimeEvent(const QString &method, const QJsonObject &params)
{
    if (method == QLatin1String("Runtime.executionContextCreated")) {
        const QJsonObject context = params.value(QStringLiteral("context")).toObject();
        const QJsonObject aux = context.value(QStringLiteral("auxData")).toObject();
        if (context.value(QStringLiteral("name")).toString() == m_world
            && aux.value(QStringLiteral("frameId")).toString() == m_mainFrame) {
            m_currentWorld = context.value(QStringLiteral("id")).toInt();
            m_origins.insert(m_currentWorld, context.value(QStringLiteral("origin")).toString());
        }
    } else if (method == QLatin1String("Runtime.executionContextDestroyed")) {
        const int destroyed = params.value(QStringLiteral("executionContextId")).toInt();
        m_origins.remove(destroyed);
        if (destroyed == m_currentWorld)
            m_currentWorld = 0;
    } else if (method == QLatin1String("Runtime.executionContextsCleared")) {
        m_origins.clear();
        m_currentWorld = 0;
    } else if (method == QLatin1String("Runtime.bindingCalled")) {
        onBindingCalled(params);
    }
}

void BridgeBinding::onBindingCalled(const QJsonObject &params) const
{
    const auto origin
        = m_origins.constFind(params.value(QStringLiteral("executionContextId")).toInt());
    if (params.value(QStringLiteral("name")).toString() != m_binding)
        return;
    if (origin == m_origins.cend()) {
        qCDebug(lcEngine) << "a binding call from a world not the main frame's bridge: dropped";
        return;
    }
    const QJsonArray message
        = QJsonDocument::fromJson(params.value(QStringLiteral("payload")).toString().toUtf8())
              .array();
    const QString kind = message.at(0).toString();
    if (kind == QLatin1String("wake")) {
        if (message.size() == 4 && m_wakeLocks)
            m_wakeLocks(text(message.at(1)), text(message.at(2)), text(message.at(3)));
        return;
    }
    if (kind != QLatin1String("call")) {
        m_reports(message);
        return;
    }
    if (message.size() != 5)
        return;
    // An opaque origin reads "://" from the browser, as the page's own "null".
    const QString pageOrigin
        = origin.value() == QLatin1String("://") ? QStringLiteral("null") : origin.value();
    m_receiver({ text(message.at(1)), text(message.at(2)), text(message.at(3)), text(message.at(4)),
        pageOrigin });
}
