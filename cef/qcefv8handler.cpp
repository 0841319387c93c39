#include "cef/qcefv8handler.h"

#include "app/tspdlog.h"
#include "cef/cefframe.h"
#include "cef/cefprocessmessage.h"

#include <QEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QUrl>

namespace {

const int kMaxRequestBytes = 1024 * 1024;

} // namespace

QCefV8Handler::QCefV8Handler(CefFrame *mainFrame, QObject *parent)
    : QObject(parent)
    , m_mainFrame(mainFrame)
    , m_policy(OriginPolicy::configured())
{
    connect(this, &QObject::objectNameChanged, this, &QCefV8Handler::keepEmptyName);
}

void QCefV8Handler::callQML(const QJsonValue &name, const QJsonValue &id, const QJsonValue &request,
    const QJsonValue &frameOrigin)
{
    if (!admits(frameOrigin.toString()))
        return;
    const QJsonObject message {
        { QStringLiteral("id"), id.toString() },
        { QStringLiteral("msgName"), QStringLiteral("callQML") },
        { QStringLiteral("name"), name.toString() },
        { QStringLiteral("request"), request.toString() },
    };
    const QByteArray text = QJsonDocument(message).toJson();
    // A flood of huge requests would stall every window: the dispatcher never sees one.
    if (text.size() > kMaxRequestBytes) {
        TSpdlog::instance()->otherWarn(
            QStringLiteral("bridge request of %1 bytes refused").arg(text.size()));
        return;
    }
    m_mainFrame->sendProcessMessage(PID_BROWSER, CefProcessMessage(QString::fromUtf8(text)));
}

bool QCefV8Handler::admits(const QString &frameOrigin)
{
    const QString origin = refusedOrigin(frameOrigin);
    if (origin.isEmpty())
        return true;
    if (!m_refusedOrigins.contains(origin)) {
        m_refusedOrigins.insert(origin);
        TSpdlog::instance()->otherWarn(QStringLiteral("bridge call refused from %1").arg(origin));
    }
    return false;
}

// Whatever a sub-frame passed on, a main frame outside the trusted origins
// could have written it: such a page is refused everything.
QString QCefV8Handler::refusedOrigin(const QString &frameOrigin)
{
    const QString pageUrl = m_mainFrame->url();
    if (pageUrl != m_checkedUrl) {
        m_checkedUrl = pageUrl;
        m_urlTrusted = m_policy.trusts(QUrl(pageUrl));
    }
    if (!m_urlTrusted)
        return OriginPolicy::originOf(QUrl(pageUrl));
    if (!frameOrigin.isEmpty() && !m_policy.trusts(QUrl(frameOrigin)))
        return frameOrigin;
    return QString();
}

bool QCefV8Handler::event(QEvent *event)
{
    if (event->type() == QEvent::DeferredDelete)
        return true;
    return QObject::event(event);
}

// objectName is a writable property the channel offers to pages.
void QCefV8Handler::keepEmptyName()
{
    if (!objectName().isEmpty())
        setObjectName(QString());
}
