#include "window/qie.h"

#include "window/silentpage.h"

#include <QEvent>
#include <QNetworkCookie>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

QIE::QIE(QWebEngineProfile *profile, const QString &url, const QList<QNetworkCookie> &cookies)
    : m_view(new QWebEngineView(this))
{
    m_view->setPage(new SilentPage(profile, m_view));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setCookies(profile, url, cookies);
}

void QIE::setCookies(
    QWebEngineProfile *profile, const QString &url, const QList<QNetworkCookie> &cookies)
{
    const QUrl site = cookieUrl(url);
    if (site.isEmpty())
        return;
    QWebEngineCookieStore *store = profile->cookieStore();
    for (const QNetworkCookie &cookie : cookies)
        store->setCookie(cookie, site);
}

QUrl QIE::cookieUrl(const QString &url)
{
    const QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme();
    if (address.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        return QUrl();
    }
    QUrl site;
    site.setScheme(scheme);
    site.setHost(address.host());
    site.setPort(address.port());
    site.setPath(QStringLiteral("/"));
    return site;
}

void QIE::navigate(const QString &url)
{
    m_view->load(QUrl(url, QUrl::TolerantMode));
}

void QIE::setName(const QString &name)
{
    m_name = name;
}

// The first change of the native window is its creation; the next means the
// window it was put into has gone, taking this one with it.
bool QIE::event(QEvent *event)
{
    if (event->type() == QEvent::WinIdChange && !m_closeReported) {
        if (m_sawWinId) {
            m_closeReported = true;
            emit sgClose(m_name);
        }
        m_sawWinId = true;
    }
    return QWidget::event(event);
}
