#include "app/originpolicy.h"

#include "app/configkeys.h"
#include "app/mvtconfig.h"
#include "app/policysettings.h"

#include <QUrl>

namespace {

bool isWebScheme(const QString &scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

int defaultPort(const QString &scheme)
{
    return scheme == QLatin1String("https") ? 443 : 80;
}

} // namespace

OriginPolicy::OriginPolicy(const QString &domain, const QStringList &entries)
{
    const QUrl portal(QStringLiteral("http://") + domain + QLatin1Char('/'));
    if (!domain.isEmpty() && portal.isValid() && !portal.host().isEmpty())
        m_entries.append(siteEntry(portal.host()));
    for (const QString &text : entries) {
        if (text.trimmed() == PolicySettings::everyOrigin)
            m_everyOrigin = true;
        else if (!text.trimmed().isEmpty())
            m_entries.append(entryFrom(text.trimmed()));
    }
}

OriginPolicy OriginPolicy::configured()
{
    return OriginPolicy(MVTConfig::instance()->get(ConfigKeys::mainUrlName()),
        PolicySettings::program().trustedOrigins());
}

bool OriginPolicy::trusts(const QUrl &url) const
{
    if (originOf(url) == QLatin1String("null"))
        return false;
    if (m_everyOrigin)
        return true;
    for (const Entry &entry : m_entries) {
        if (matches(entry, url))
            return true;
    }
    return false;
}

// Documents without a host of their own (data:, about:, file:, sandboxed
// frames) have no origin anyone could name.
QString OriginPolicy::originOf(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (url.host().isEmpty() || scheme.isEmpty())
        return QStringLiteral("null");
    QString origin = scheme + QStringLiteral("://") + url.host();
    if (url.port() != -1 && url.port() != defaultPort(scheme))
        origin += QLatin1Char(':') + QString::number(url.port());
    return origin;
}

OriginPolicy::Entry OriginPolicy::siteEntry(const QString &host)
{
    Entry entry;
    entry.host = host.startsWith(QLatin1String("www.")) ? host.mid(4) : host;
    entry.subdomains = true;
    return entry;
}

OriginPolicy::Entry OriginPolicy::entryFrom(const QString &text)
{
    if (!text.contains(QStringLiteral("://")))
        return siteEntry(QUrl(QStringLiteral("http://") + text).host());
    const QUrl url(text);
    Entry entry;
    entry.scheme = url.scheme().toLower();
    entry.host = url.host();
    entry.port = url.port(defaultPort(entry.scheme));
    return entry;
}

bool OriginPolicy::matches(const Entry &entry, const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (entry.scheme.isEmpty() ? !isWebScheme(scheme) : scheme != entry.scheme)
        return false;
    if (entry.port != -1 && url.port(defaultPort(scheme)) != entry.port)
        return false;
    const QString host = url.host();
    return !entry.host.isEmpty()
        && (host == entry.host
            || (entry.subdomains && host.endsWith(QLatin1Char('.') + entry.host)));
}
