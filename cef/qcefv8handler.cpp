#include "cef/qcefv8handler.h"

#include "app/tspdlog.h"
#include "cef/bridgeturns.h"
#include "engine/bridgecall.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

const int kMaxRequestBytes = 1024 * 1024;

} // namespace

QCefV8Handler::QCefV8Handler(QObject *parent)
    : QObject(parent)
    , m_policy(OriginPolicy::configured())
{
    connect(BridgeTurns::instance(), &BridgeTurns::sgServed, this,
        [this](const QObject *source, const QString &message) {
            if (source == this)
                emit sgProcessMessage(message);
        });
}

void QCefV8Handler::callQML(const BridgeCall &call)
{
    if (!admits(call))
        return;
    const QJsonObject message {
        { QStringLiteral("id"), call.id },
        { QStringLiteral("msgName"), QStringLiteral("callQML") },
        { QStringLiteral("name"), call.name },
        { QStringLiteral("request"), call.request },
    };
    const QByteArray text = QJsonDocument(message).toJson();
    // A flood of huge requests would stall every window: the dispatcher never sees one.
    if (text.size() > kMaxRequestBytes) {
        TSpdlog::instance()->otherWarn(
            QStringLiteral("bridge request of %1 bytes refused").arg(text.size()));
        return;
    }
    BridgeTurns::instance()->add(this, text);
}

bool QCefV8Handler::admits(const BridgeCall &call)
{
    const QString origin = refusedOrigin(call);
    if (origin.isEmpty())
        return true;
    if (!m_refusedOrigins.contains(origin)) {
        m_refusedOrigins.insert(origin);
        TSpdlog::instance()->otherWarn(QStringLiteral("bridge call refused from %1").arg(origin));
    }
    return false;
}

// A trusted frame in a page of another site is refused too: that page
// decides what the frame is shown doing.
QString QCefV8Handler::refusedOrigin(const BridgeCall &call) const
{
    if (!m_policy.trusts(QUrl(call.pageOrigin)))
        return call.pageOrigin;
    if (!m_policy.trusts(QUrl(call.origin)))
        return call.origin;
    return QString();
}
