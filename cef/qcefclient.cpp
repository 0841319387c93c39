#include "cef/qcefclient.h"

#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "cef/cefcontextmenuparams.h"
#include "cef/cefmenumodel.h"
#include "cef/cefprocessmessage.h"
#include "cef/ceftypes.h"

#include <QJsonDocument>
#include <QJsonObject>

int QCefClient::getWindowHandle() const
{
    return m_created ? static_cast<int>(m_browser->windowHandle()) : -1;
}

// The address goes in as a JSON string: the hook window's page must get an
// object whatever characters the address holds.
void QCefClient::OnBeforePopup(const QString &targetUrl)
{
    const QJsonObject push { { QStringLiteral("HookPopup"), targetUrl } };
    emit sgHookPopup(QStringLiteral("qtSlots(")
        + QString::fromUtf8(QJsonDocument(push).toJson(QJsonDocument::Compact)) + QLatin1Char(')'));
}

void QCefClient::OnAfterCreated(const CefRefPtr<CefBrowser> &browser)
{
    m_browser = browser;
    m_created = true;
}

void QCefClient::OnBeforeClose(const CefRefPtr<CefBrowser> &browser)
{
    emit sgCloseBrowser(browser);
}

void QCefClient::OnLoadEnd(const CefRefPtr<CefBrowser> &browser, int httpStatusCode)
{
    if (httpStatusCode != 200)
        return;
    m_loadSucceeded = true;
    emit sgLoadEnd(browser);
}

void QCefClient::OnLoadError(int errorCode, const QString &errorText, const QString &failedUrl)
{
    if (m_loadSucceeded)
        return;
    TSpdlog::instance()->netError(QStringLiteral("code:%1 message:%2 url:%3")
                                      .arg(QString::number(errorCode), errorText, failedUrl));
}

void QCefClient::OnBeforeContextMenu(const CefContextMenuParams &params, CefMenuModel &model)
{
    if ((params.typeFlags() & (CM_TYPEFLAG_PAGE | CM_TYPEFLAG_FRAME)) && !model.isEmpty())
        model.clear();
}

void QCefClient::OnGotFocus(const CefRefPtr<CefBrowser> &browser)
{
    emit sgRaiseFrontWindows(browser->identifier());
}

void QCefClient::OnProcessMessageReceived(const CefProcessMessage &message)
{
    emit sgWebMsgReceived(message.name());
}
