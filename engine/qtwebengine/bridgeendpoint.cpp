#include "engine/qtwebengine/bridgeendpoint.h"

#include "engine/bridgecall.h"

#include <QEvent>
#include <QJsonValue>

BridgeEndpoint::BridgeEndpoint(std::function<void(const BridgeCall &)> receiver,
    std::function<void(const QString &)> lockKept, WakeLocks wakeLocks, QObject *parent)
    : QObject(parent)
    , m_receiver(std::move(receiver))
    , m_lockKept(std::move(lockKept))
    , m_wakeLocks(std::move(wakeLocks))
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

void BridgeEndpoint::pointerLockKept(const QJsonValue &origin)
{
    m_lockKept(origin.toString());
}

bool BridgeEndpoint::screenWakeLock(
    const QJsonValue &what, const QJsonValue &lock, const QJsonValue &origin)
{
    return m_wakeLocks(what.toString(), lock.toString(), origin.toString());
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
