#pragma once

#include <QObject>

#include <functional>

class QJsonValue;
struct BridgeCall;

// The one object a page reaches through its channel. The channel offers a
// page every public member, inherited ones too: the bridge call, the
// bridge's own word of a pointer lock and the screen wake locks it carries
// are the only ones that do anything.
// Runs on the GUI thread. Lives as long as its page's channel.
class BridgeEndpoint : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(BridgeEndpoint)

public:
    // Asked whether a screen wake lock is granted (what "request") or told it went ("release").
    using WakeLocks
        = std::function<bool(const QString &what, const QString &lock, const QString &origin)>;

    // lockKept: told the origin of the document that kept a pointer lock.
    BridgeEndpoint(std::function<void(const BridgeCall &)> receiver,
        std::function<void(const QString &)> lockKept, WakeLocks wakeLocks, QObject *parent);

    // The name the page side finds this object by.
    static QString channelObjectName();

public slots:
    // Any argument that is not a string counts as the empty string.
    void callQML(const QJsonValue &name, const QJsonValue &id, const QJsonValue &request,
        const QJsonValue &origin, const QJsonValue &pageOrigin);
    // Only the bridge's own script world reaches the channel: no page script calls it.
    void pointerLockKept(const QJsonValue &origin);
    // Only the bridge's own script world calls it, with the origin the engine set on the asking
    // document's message.
    bool screenWakeLock(const QJsonValue &what, const QJsonValue &lock, const QJsonValue &origin);

protected:
    // A page may ask for deleteLater: it is refused.
    bool event(QEvent *event) override;

private:
    // objectName is a writable property the channel offers to pages.
    void keepEmptyName();

    std::function<void(const BridgeCall &)> m_receiver;
    std::function<void(const QString &)> m_lockKept;
    WakeLocks m_wakeLocks;
};
