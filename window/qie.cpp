#include "window/qie.h"

#include "engine/enginepage.h"
#include "engine/engineprofile.h"

#include <QNetworkCookie>
#include <QWindow>

namespace {

// A legacy page never asks the player anything.
PageOptions legacyPageOptions()
{
    PageOptions options;
    options.scriptDialogs = false;
    return options;
}

} // namespace

QIE::QIE(EngineProfile &profile, const QString &url, const QList<QNetworkCookie> &cookies)
    : m_page(profile.createPage(legacyPageOptions()))
{
    connect(m_page, &EnginePage::sgWindowClosed, this, &QIE::reportClosed);
    if (const QUrl site = cookieUrl(url); !site.isEmpty()) {
        for (const QNetworkCookie &cookie : cookies)
            profile.setCookie(cookie, site);
    }
}

QIE::~QIE()
{
    delete m_page.data();
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
    if (m_page)
        m_page->load(QUrl(url, QUrl::TolerantMode));
}

void QIE::setName(const QString &name)
{
    m_name = name;
}

QWindow *QIE::window() const
{
    return m_page ? m_page->window() : nullptr;
}

// The window it was put into has gone, taking this one with it.
void QIE::reportClosed()
{
    if (m_closeReported)
        return;
    m_closeReported = true;
    emit sgClose(m_name);
}
