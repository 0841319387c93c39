#include "engine/qtwebengine/qtengineprofile.h"

#include "engine/qtwebengine/permissionquestions.h"
#include "engine/qtwebengine/qtenginedownload.h"
#include "engine/qtwebengine/qtenginepage.h"
#include "engine/qtwebengine/scriptdialogscheme.h"

#include <QFontDatabase>
#include <QNetworkCookie>
#include <QRegularExpression>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNotification>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace {

// The engine draws an emoji with the first font of the text that has a glyph for it, and
// Linux's usual sans-serif (DejaVu Sans) has black-and-white ones, so emoji in sans-serif text
// never reached the colour emoji font. Liberation Sans has none and keeps Arial's metrics,
// the sans-serif the portal's pages are made for on Windows.
void useSansSerifWithoutEmoji(QWebEngineSettings *settings)
{
    const QString family = QStringLiteral("Liberation Sans");
    if (QFontDatabase::hasFamily(family))
        settings->setFontFamily(QWebEngineSettings::SansSerifFont, family);
}

} // namespace

QtEngineProfile::QtEngineProfile(const QString &storageName, const QString &storagePath,
    const QString &cachePath, QObject *parent)
    : EngineProfile(parent)
    , m_profile(new QWebEngineProfile(storageName, this))
    , m_dialogScheme(new ScriptDialogScheme(this))
{
    m_profile->setPersistentStoragePath(storagePath);
    m_profile->setCachePath(cachePath);
    PermissionQuestions::keepAnswersForTheRun(m_profile);
    m_profile->installUrlSchemeHandler(ScriptDialogScheme::name(), m_dialogScheme);
    useSansSerifWithoutEmoji(m_profile->settings());
    QWebEngineCookieStore *cookies = m_profile->cookieStore();
    connect(cookies, &QWebEngineCookieStore::cookieAdded, this, &EngineProfile::sgCookieAdded);
    connect(cookies, &QWebEngineCookieStore::cookieRemoved, this, &EngineProfile::sgCookieRemoved);
    cookies->loadAllCookies();
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
        &QtEngineProfile::onDownloadRequested);
    m_profile->setNotificationPresenter(
        [this](std::unique_ptr<QWebEngineNotification> notification) {
            emit sgNotification(notification->title(), notification->message());
            notification->show();
        });
}

QtEngineProfile::~QtEngineProfile()
{
    for (const QPointer<QtEnginePage> &page : std::as_const(m_pages))
        delete page.data();
    delete m_profile;
}

void QtEngineProfile::setProductVersion(const QString &productVersion)
{
    static const QRegularExpression qtToken(QStringLiteral("QtWebEngine/\\S+\\s*"));
    static const QRegularExpression chromeToken(QStringLiteral("Chrome/\\S+"));
    QString userAgent = m_profile->httpUserAgent();
    userAgent.remove(qtToken);
    userAgent.replace(chromeToken, productVersion);
    m_profile->setHttpUserAgent(userAgent);
}

void QtEngineProfile::addDocumentScript(const QString &name, const QString &source, quint32 world)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(world);
    script.setRunsOnSubFrames(true);
    m_profile->scripts()->insert(script);
}

EnginePage *QtEngineProfile::createPage(const PageOptions &options)
{
    auto *page = new QtEnginePage(m_profile, m_dialogScheme, options);
    m_pages.removeAll(nullptr);
    m_pages.append(page);
    return page;
}

void QtEngineProfile::setCookie(const QNetworkCookie &cookie, const QUrl &origin)
{
    m_profile->cookieStore()->setCookie(cookie, origin);
}

void QtEngineProfile::deleteCookie(const QNetworkCookie &cookie)
{
    m_profile->cookieStore()->deleteCookie(cookie);
}

void QtEngineProfile::deleteAllCookies()
{
    m_profile->cookieStore()->deleteAllCookies();
}

void QtEngineProfile::clearHttpCache()
{
    m_profile->clearHttpCache();
}

// A download belongs to the page that started it; nobody accepts one of no
// page, and one its page leaves unanswered is refused.
void QtEngineProfile::onDownloadRequested(QWebEngineDownloadRequest *request)
{
    auto *page
        = request->page() ? qobject_cast<QtEnginePage *>(request->page()->parent()) : nullptr;
    if (page && m_pages.contains(page))
        emit page->sgDownloadRequested(new QtEngineDownload(request));
    if (request->state() == QWebEngineDownloadRequest::DownloadRequested)
        request->cancel();
}
