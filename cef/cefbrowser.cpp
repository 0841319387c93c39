#include "cef/cefbrowser.h"

#include "cef/cefbeforedownloadcallback.h"
#include "cef/cefcontext.h"
#include "cef/cefcontextmenuparams.h"
#include "cef/cefdownloaditem.h"
#include "cef/cefmenumodel.h"
#include "cef/cefprocessmessage.h"
#include "cef/cefrequestcontext.h"
#include "cef/cefwindowinfo.h"
#include "cef/qcefclient.h"
#include "cef/qcefrenderhandler.h"
#include "tools/downloadlanding.h"

#include <QFileInfo>
#include <QPlatformSurfaceEvent>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlWebChannel>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <QtWebEngine/QQuickWebEngineProfile>
#include <QtWebEngine/private/qquickwebenginedownloaditem_p.h>
#include <QtWebEngine/private/qquickwebengineview_p.h>

namespace {

// The view's own enumerations (WebEngineView.LoadStatus, .ErrorDomain,
// ContextMenuRequest.MediaType), as its signals carry them.
const int loadSucceededStatus = 2;
const int loadFailedStatus = 3;
const int httpErrorDomain = 4;
const int normalTerminationStatus = 0;
// Reserved, so it never names a server: its links never leave the shell.
const char shellLinkHost[] = "lumen-shell.invalid";
const int mediaTypeNone = 0;

// A side the caller leaves open.
const int defaultWidth = 800;
const int defaultHeight = 600;

int lastIdentifier = 0;

// The view cannot tell in which frame the menu was asked for, so the frame
// flag stays off.
int contextMenuTypeFlags(const QObject *request, const QUrl &pageUrl)
{
    int flags = CM_TYPEFLAG_NONE;
    if (!pageUrl.isEmpty())
        flags |= CM_TYPEFLAG_PAGE;
    if (!request->property("linkUrl").toUrl().isEmpty())
        flags |= CM_TYPEFLAG_LINK;
    if (request->property("mediaType").toInt() != mediaTypeNone)
        flags |= CM_TYPEFLAG_MEDIA;
    if (!request->property("selectedText").toString().isEmpty())
        flags |= CM_TYPEFLAG_SELECTION;
    if (request->property("isContentEditable").toBool())
        flags |= CM_TYPEFLAG_EDITABLE;
    return flags;
}

} // namespace

void CefBrowser::createBrowser(const CefWindowInfo &windowInfo, const CefRefPtr<QCefClient> &client,
    const QString &url, const CefRefPtr<CefRequestContext> &context)
{
    QTimer::singleShot(0, client.data(), [windowInfo, client, url, context] {
        if (!CefContext::current())
            return;
        CefRefPtr<CefBrowser> browser(new CefBrowser(windowInfo, client.data(), context));
        client->OnAfterCreated(browser);
        browser->loadUrl(url);
    });
}

CefBrowser::CefBrowser(const CefWindowInfo &windowInfo, QCefClient *client,
    const CefRefPtr<CefRequestContext> &context)
    : m_identifier(++lastIdentifier)
    , m_mainFrame(this)
    , m_client(client)
    , m_renderHandler(CefContext::current()->renderHandler())
    , m_window(new QQuickWindow)
    , m_pluginsAllowed(context->pluginsAllowed())
{
    m_window->setFlags(Qt::Window | Qt::FramelessWindowHint);
    m_window->setTitle(windowInfo.windowName);
    m_window->resize(windowInfo.width > 0 ? windowInfo.width : defaultWidth,
        windowInfo.height > 0 ? windowInfo.height : defaultHeight);
    m_window->installEventFilter(this);
    connect(m_window, &QWindow::activeChanged, this, &CefBrowser::onActiveChanged);
    createView();
    m_window->create();
    if (windowInfo.visible)
        m_window->show();
    CefContext::current()->addBrowser(this);
}

CefBrowser::~CefBrowser()
{
    discardWindow();
}

void CefBrowser::createView()
{
    CefContext *engine = CefContext::current();
    m_channel = new QQmlWebChannel(this);
    m_renderHandler->OnContextCreated(&m_mainFrame, m_channel);

    auto *qmlContext = new QQmlContext(engine->qmlEngine(), m_window);
    qmlContext->setContextProperty(QStringLiteral("host"), this);
    m_view = qobject_cast<QQuickItem *>(engine->browserView()->beginCreate(qmlContext));
    if (!m_view)
        return;
    m_view->setParent(m_window);
    // Goes with its view, which a dead render process may replace.
    qmlContext->setParent(m_view);
    m_view->setParentItem(m_window->contentItem());
    m_view->setProperty("profile", QVariant::fromValue(engine->profile()));
    m_view->setProperty("webChannel", QVariant::fromValue(m_channel));
    m_view->property("settings")
        .value<QObject *>()
        ->setProperty("pluginsEnabled", m_pluginsAllowed);
    engine->browserView()->completeCreate();

    const QMetaObject *viewType = m_view->metaObject();
    m_runJavaScript = viewType->method(viewType->indexOfMethod("runJavaScript(QString)"));
}

WId CefBrowser::windowHandle() const
{
    return m_window ? m_window->winId() : 0;
}

void CefBrowser::reloadIgnoreCache()
{
    if (m_view)
        QMetaObject::invokeMethod(m_view, "reloadAndBypassCache");
}

void CefBrowser::setAudioMuted(bool muted)
{
    if (m_view)
        m_view->setProperty("audioMuted", muted);
}

void CefBrowser::closeBrowser()
{
    if (m_window)
        m_window->deleteLater();
    reportClosed();
}

void CefBrowser::discardWindow()
{
    if (!m_window)
        return;
    m_window->removeEventFilter(this);
    delete m_window;
}

bool CefBrowser::startedDownload(const QQuickWebEngineDownloadItem &download) const
{
    return m_view && download.view() == m_view;
}

void CefBrowser::startDownload(QQuickWebEngineDownloadItem *download)
{
    if (!m_client || !m_client->OnDownloadFrom(m_view->property("url").toUrl()))
        return;
    CefBeforeDownloadCallback callback([this, download](const QString &path) {
        const QFileInfo temporary(DownloadLanding::temporaryPath(path));
        m_downloadTargets.insert(download, path);
        download->setDownloadDirectory(temporary.path());
        download->setDownloadFileName(temporary.fileName());
        download->accept();
    });
    m_client->OnBeforeDownload(download->suggestedFileName(), callback);
    if (download->state() != QQuickWebEngineDownloadItem::DownloadInProgress)
        return;
    // The engine may end a download before its last bytes are counted: the
    // end is the profile's to report, once and with everything current.
    connect(download, &QQuickWebEngineDownloadItem::receivedBytesChanged, this, [this, download] {
        if (download->state() == QQuickWebEngineDownloadItem::DownloadInProgress)
            reportDownload(*download);
    });
    // Nobody resumes an interrupted download here: its partial file goes at once.
    connect(download, &QQuickWebEngineDownloadItem::stateChanged, this, [this, download] {
        if (download->state() == QQuickWebEngineDownloadItem::DownloadInterrupted)
            reportDownload(*download);
    });
}

void CefBrowser::reportDownload(const QQuickWebEngineDownloadItem &download)
{
    if (!m_downloadTargets.contains(&download))
        return;
    const QString target = m_downloadTargets.value(&download);
    if (download.isFinished()
        || download.state() == QQuickWebEngineDownloadItem::DownloadInterrupted) {
        m_downloadTargets.remove(&download);
        const QString temporary = DownloadLanding::temporaryPath(target);
        if (download.state() != QQuickWebEngineDownloadItem::DownloadCompleted
            || !DownloadLanding::land(temporary, target)) {
            DownloadLanding::discard(temporary);
            return;
        }
    }
    if (m_client)
        m_client->OnDownloadUpdated(sharedFromThis(), CefDownloadItem::from(download, target));
}

void CefBrowser::onLoadingChanged(
    int status, int errorDomain, int errorCode, const QString &errorString, const QUrl &url)
{
    // The shell's own pages are made from text (data: addresses, which the
    // engine reports as loaded with status 200): they are no page loads.
    if (!m_client || url.scheme() == QLatin1String("data"))
        return;
    // The view reports an HTTP error page as a failed load carrying the status,
    // in the domain it also files Chromium's (negative) HTTP-layer errors under.
    const bool httpStatus = errorDomain == httpErrorDomain && errorCode > 0;
    if (status == loadSucceededStatus || (status == loadFailedStatus && httpStatus)) {
        m_client->OnLoadEnd(sharedFromThis(), errorCode);
    } else if (status == loadFailedStatus) {
        m_client->OnLoadError(errorCode, errorString, url.toString(QUrl::FullyEncoded));
    }
}

void CefBrowser::onRenderProcessTerminated(int terminationStatus)
{
    // The view would give the next render process no bridge: a new view and
    // channel take the place of the old ones, as in a new window.
    if (terminationStatus == normalTerminationStatus || !m_view)
        return;
    const QString lastUrl = url();
    m_view->deleteLater();
    m_channel->deleteLater();
    createView();
    if (m_client)
        m_client->OnRenderProcessTerminated(sharedFromThis(), terminationStatus, lastUrl);
}

bool CefBrowser::onShellLink(const QUrl &url)
{
    if (url.host() != QLatin1String(shellLinkHost))
        return false;
    if (m_client)
        m_client->OnShellLink(sharedFromThis(), url.path().mid(1));
    return true;
}

void CefBrowser::onNewViewRequested(const QUrl &requestedUrl)
{
    if (m_client)
        m_client->OnBeforePopup(requestedUrl.toString(QUrl::FullyEncoded));
}

bool CefBrowser::onContextMenuRequested(QObject *request)
{
    CefMenuModel model;
    if (m_client) {
        const QUrl pageUrl = m_view->property("url").toUrl();
        m_client->OnBeforeContextMenu(
            CefContextMenuParams(contextMenuTypeFlags(request, pageUrl)), model);
    }
    return model.isEmpty();
}

void CefBrowser::onWindowCloseRequested()
{
    closeBrowser();
}

void CefBrowser::onCertificateError(QObject *error)
{
    QMetaObject::invokeMethod(error, "rejectCertificate");
    if (m_client)
        m_client->OnCertificateError(
            error->property("url").toUrl().host(), error->property("description").toString());
}

bool CefBrowser::eventFilter(QObject *watched, QEvent *event)
{
    // Closing the window, or a window it was put into, takes the page with it.
    if (event->type() == QEvent::PlatformSurface
        && static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType()
            == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
        closeBrowser();
    }
    return QObject::eventFilter(watched, event);
}

void CefBrowser::onActiveChanged()
{
    if (m_client && m_window->isActive())
        m_client->OnGotFocus(sharedFromThis());
}

// Once, and on a later turn of the event loop, as the engine reports it.
void CefBrowser::reportClosed()
{
    if (m_closed)
        return;
    m_closed = true;
    QTimer::singleShot(0, this, [this] {
        if (m_client)
            m_client->OnBeforeClose(sharedFromThis());
    });
}

QString CefBrowser::url() const
{
    return m_view ? m_view->property("url").toUrl().toString(QUrl::FullyEncoded) : QString();
}

void CefBrowser::loadUrl(const QString &url)
{
    if (m_view)
        m_view->setProperty("url", QUrl::fromUserInput(url));
}

void CefBrowser::loadHtml(const QString &html)
{
    if (m_view)
        QMetaObject::invokeMethod(m_view, "loadHtml", Q_ARG(QString, html), Q_ARG(QUrl, QUrl()));
}

void CefBrowser::runJavaScript(const QString &code)
{
    if (m_view)
        m_runJavaScript.invoke(m_view, Q_ARG(QString, code));
}

void CefBrowser::deliverProcessMessage(CefProcessId target, const CefProcessMessage &message)
{
    if (target == PID_RENDERER)
        m_renderHandler->OnProcessMessageReceived(&m_mainFrame, message);
    else if (m_client)
        m_client->OnProcessMessageReceived(message);
}
