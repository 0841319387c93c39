#include "cef/qcefv8handler.h"

#include "app/tspdlog.h"
#include "cef/bridgecall.h"
#include "cef/cefbrowser.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

const int kMaxRequestBytes = 1024 * 1024;

} // namespace

QCefV8Handler::QCefV8Handler(const CefBrowser &browser, QObject *parent)
    : QObject(parent)
    , m_browser(browser)
    , m_policy(OriginPolicy::configured())
{
}

void QCefV8Handler::callQML(const BridgeCall &call)
{
    if (!admits(call.frameOrigin))
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
    emit sgProcessMessage(QString::fromUtf8(text));
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
    const QString pageUrl = m_browser.url();
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
