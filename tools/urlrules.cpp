#include "tools/urlrules.h"

namespace {

bool isWeb(const QUrl &url)
{
    const QString scheme = url.scheme();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}

} // namespace

QUrl UrlRules::navigationTarget(const QString &text)
{
    const QUrl url = QUrl::fromUserInput(text);
    return mayNavigate(url) ? url : QUrl();
}

bool UrlRules::mayNavigate(const QUrl &url)
{
    return url.isValid() && (isWeb(url) || url == QUrl(QStringLiteral("about:blank")));
}

bool UrlRules::staysInEngine(const QUrl &url)
{
    const QString scheme = url.scheme();
    return isWeb(url) || scheme == QLatin1String("about") || scheme == QLatin1String("data")
        || scheme == QLatin1String("blob");
}

QUrl UrlRules::desktopTarget(const QString &text)
{
    const QUrl url(text, QUrl::TolerantMode);
    const bool mail = url.scheme() == QLatin1String("mailto") && !url.path().isEmpty();
    return url.isValid() && (isWeb(url) || mail) ? url : QUrl();
}
