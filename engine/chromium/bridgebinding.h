#pragma once

#include <QHash>
#include <QString>

#include <functional>

class QJsonArray;
class QJsonObject;
struct BridgeCall;

// The native end of a page's bridge: what the bridge's script world of the
// main frame sends through its binding. The page origin of a call is the one
// the browser reported for the world that sent it, never what the message
// says; a message from any other world, or any other frame, is dropped. What
// else that world tells the engine goes to reports.
// Runs on the GUI thread; its page owns it.
class BridgeBinding
{
public:
    BridgeBinding(const QString &world, const QString &binding,
        std::function<void(const BridgeCall &)> receiver,
        std::function<void(const QJsonArray &)> reports);

    // The page's main frame, whose id the browser gives its target.
    void setMainFrame(const QString &frameId) { m_mainFrame = frameId; }
    // Runtime events of the page's own session.
    void onRuntimeEvent(const QString &method, const QJsonObject &params);
    // A screen wake lock's request or release ("request", "release"), with the origin the browser
    // gave the asking document's message.
    using WakeLockReceiver
        = std::function<void(const QString &what, const QString &lock, const QString &origin)>;
    void setWakeLockReceiver(WakeLockReceiver receiver) { m_wakeLocks = std::move(receiver); }
    // The execution context of the main frame's current bridge world; 0 while there is none.
    int currentWorld() const { return m_currentWorld; }

private:
    void onBindingCalled(const QJsonObject &params) const;

    QString m_world;
    QString m_binding;
    std::function<void(const BridgeCall &)> m_receiver;
    std::function<void(const QJsonArray &)> m_reports;
    WakeLockReceiver m_wakeLocks;
    QString m_mainFrame;
    // The main frame's bridge worlds alive now, with their origins.
    QHash<int, QString> m_origins;
    int m_currentWorld = 0;
};
