#include "cef/qtwebengine/bridgeendpoint.h"

#include "cef/bridgecall.h"

#include <QEvent>
#include <QJsonValue>

BridgeEndpoint::BridgeEndpoint(std::function<void(const BridgeCall &)> receiver, QObject *parent)
    : QObject(parent)
    , m_receiver(std::move(receiver))
{
    connect(this, &QObject::objectNameChanged, this, &BridgeEndpoint::keepEmptyName);
}

QString BridgeEndpoint::channelObjectName()
{
    return QStringLiteral("lumenBridge");
}

void BridgeEndpoint::callQML(const QJsonValue &name, const QJsonValue &id,
    const QJsonValue &request, const QJsonValue &origin, const QJsonValue &pageOrigin)
{
    m_receiver({ name.toString(), id.toString(), request.toString(), origin.toString(),
        pageOrigin.toString() });
}

bool BridgeEndpoint::event(QEvent *event)
{
    if (event->type() == QEvent::DeferredDelete)
        return true;
    return QObject::event(event);
}

void BridgeEndpoint::keepEmptyName()
{
    if (!objectName().isEmpty())
        setObjectName(QString());
}
