#include "engine/chromium/chromiumcookies.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/enginelog.h"

#include <QJsonArray>
#include <QNetworkCookie>
#include <QPointer>
#include <QTimeZone>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kPollMs = 5000;

// Chromium keeps cookies of one name, domain and path apart by the site a
// partitioned one was set under.
QString identity(const QJsonObject &cookie)
{
    return cookie.value(QStringLiteral("name")).toString() + QLatin1Char('\n')
        + cookie.value(QStringLiteral("domain")).toString() + QLatin1Char('\n')
        + cookie.value(QStringLiteral("path")).toString() + QLatin1Char('\n')
        + cookie.value(QStringLiteral("partitionKey"))
              .toObject()
              .value(QStringLiteral("topLevelSite"))
              .toString();
}

// The protocol's names; the default has none.
const QHash<QNetworkCookie::SameSite, QString> &sameSiteNames()
{
    static const QHash<QNetworkCookie::SameSite, QString> names {
        { QNetworkCookie::SameSite::Strict, QStringLiteral("Strict") },
        { QNetworkCookie::SameSite::Lax, QStringLiteral("Lax") },
        { QNetworkCookie::SameSite::None, QStringLiteral("None") },
    };
    return names;
}

// Chromium's domain as it is: a leading dot for a domain cookie, none for
// one of its host alone.
QNetworkCookie toCookie(const QJsonObject &cookie)
{
    QNetworkCookie result(cookie.value(QStringLiteral("name")).toString().toUtf8(),
        cookie.value(QStringLiteral("value")).toString().toUtf8());
    result.setDomain(cookie.value(QStringLiteral("domain")).toString());
    result.setPath(cookie.value(QStringLiteral("path")).toString());
    result.setSecure(cookie.value(QStringLiteral("secure")).toBool());
    result.setHttpOnly(cookie.value(QStringLiteral("httpOnly")).toBool());
    if (!cookie.value(QStringLiteral("session")).toBool()) {
        const double expires = cookie.value(QStringLiteral("expires")).toDouble();
        result.setExpirationDate(
            QDateTime::fromMSecsSinceEpoch(qint64(expires * 1000), QTimeZone::utc()));
    }
    result.setSameSitePolicy(sameSiteNames().key(
        cookie.value(QStringLiteral("sameSite")).toString(), QNetworkCookie::SameSite::Default));
    return result;
}

// The protocol takes a domain as the cookie gives it: with its leading dot
// for a domain cookie, without for one of that host alone.
QJsonObject toParam(const QNetworkCookie &cookie, const QUrl &origin)
{
    QJsonObject param { { QStringLiteral("name"), QString::fromUtf8(cookie.name()) },
        { QStringLiteral("value"), QString::fromUtf8(cookie.value()) },
        { QStringLiteral("path"), cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path() },
        { QStringLiteral("secure"), cookie.isSecure() },
        { QStringLiteral("httpOnly"), cookie.isHttpOnly() } };
    if (cookie.domain().isEmpty())
        param.insert(QStringLiteral("url"), origin.toString(QUrl::FullyEncoded));
    else
        param.insert(QStringLiteral("domain"), cookie.domain());
    if (!cookie.isSessionCookie())
        param.insert(
            QStringLiteral("expires"), double(cookie.expirationDate().toMSecsSinceEpoch()) / 1000);
    const QString sameSite = sameSiteNames().value(cookie.sameSitePolicy());
    if (!sameSite.isEmpty())
        param.insert(QStringLiteral("sameSite"), sameSite);
    return param;
}

bool setsCookies(const QJsonObject &headers)
{
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        if (it.key().compare(QLatin1String("set-cookie"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

ChromiumCookies::ChromiumCookies(DevToolsPipe *pipe, QObject *parent)
    : QObject(parent)
    , m_pipe(pipe)
    , m_poll(new QTimer(this))
{
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, &ChromiumCookies::read);
    // An ended browser answers no read: the next one's reads may go.
    connect(m_pipe, &DevToolsPipe::sgClosed, this, [this] { m_reading = false; });
}

void ChromiumCookies::set(const QNetworkCookie &cookie, const QUrl &origin)
{
    change(QStringLiteral("Storage.setCookies"),
        { { QStringLiteral("cookies"), QJsonArray { toParam(cookie, origin) } } });
}

// A cookie set already expired takes the one it matches away. Set as a
// secure one, it may take a secure one too.
void ChromiumCookies::remove(const QNetworkCookie &cookie)
{
    if (cookie.domain().isEmpty())
        return;
    QJsonObject param = toParam(cookie, QUrl());
    param.insert(QStringLiteral("secure"), true);
    param.insert(QStringLiteral("expires"), 1);
    change(QStringLiteral("Storage.setCookies"),
        { { QStringLiteral("cookies"), QJsonArray { param } } });
}

void ChromiumCookies::removeAll()
{
    change(QStringLiteral("Storage.clearCookies"), {});
}

void ChromiumCookies::onEvent(const QString &method, const QJsonObject &params)
{
    if (method == QLatin1String("Page.loadEventFired")) {
        m_pageLoaded = true;
        m_poll->start();
        read();
    } else if (method == QLatin1String("Network.responseReceivedExtraInfo")
        && setsCookies(params.value(QStringLiteral("headers")).toObject())) {
        read();
    }
}

void ChromiumCookies::change(const QString &method, const QJsonObject &params)
{
    QPointer<ChromiumCookies> self(this);
    m_pipe->send(method, params, QString(), [self, method](const QJsonObject &result) {
        if (result.contains(QStringLiteral("error")))
            qCWarning(lcEngine).noquote() << "Chromium refused" << method << result;
        if (self)
            self->read();
    });
}

// One read at a time: what changes meanwhile is read once it is answered.
void ChromiumCookies::read()
{
    if (!m_pageLoaded)
        return;
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    QPointer<ChromiumCookies> self(this);
    m_pipe->send(
        QStringLiteral("Storage.getCookies"), {}, QString(), [self](const QJsonObject &result) {
            if (self)
                self->onRead(result);
        });
}

// A cookie whose value or attributes changed is told as the old one removed
// and the new one added, as Chromium tells its own overwrites.
void ChromiumCookies::onRead(const QJsonObject &result)
{
    m_reading = false;
    if (!result.contains(QStringLiteral("error"))) {
        QHash<QString, QJsonObject> now;
        const QJsonArray cookies = result.value(QStringLiteral("cookies")).toArray();
        for (const QJsonValue &value : cookies)
            now.insert(identity(value.toObject()), value.toObject());
        for (auto it = m_known.cbegin(); it != m_known.cend(); ++it) {
            if (now.value(it.key()) != it.value())
                emit sgRemoved(toCookie(it.value()));
        }
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (m_known.value(it.key()) != it.value())
                emit sgAdded(toCookie(it.value()));
        }
        m_known = std::move(now);
    }
    if (std::exchange(m_readAgain, false))
        read();
}
