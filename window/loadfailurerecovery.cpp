#include "window/loadfailurerecovery.h"

#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "tools/tools.h"
#include "window/errorpage.h"

#include <QTimer>

namespace {

// Growing waits, so that a portal down for long is not hammered.
constexpr int kRetryDelaysMs[] = { 5000, 15000, 30000, 60000 };
constexpr int kRetryDelayCount = sizeof(kRetryDelaysMs) / sizeof(kRetryDelaysMs[0]);

} // namespace

LoadFailureRecovery::LoadFailureRecovery(
    const QString &windowName, bool canQuit, QCefClient *client)
    : QObject(client)
    , m_windowName(windowName)
    , m_canQuit(canQuit)
    , m_client(client)
    , m_retryTimer(new QTimer(this))
{
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &LoadFailureRecovery::retry);
    connect(client, &QCefClient::sgLoadFailed, this, &LoadFailureRecovery::onLoadFailed);
    connect(client, &QCefClient::sgLoadEnd, this, &LoadFailureRecovery::onLoadEnd);
    connect(client, &QCefClient::sgShellLink, this,
        [this](CefRefPtr<CefBrowser>, const QString &command) { onShellLink(command); });
}

void LoadFailureRecovery::onLoadFailed(
    const CefRefPtr<CefBrowser> &, int errorCode, const QString &errorText, const QString &url)
{
    TSpdlog::instance()->netWarn(QStringLiteral("window:%1 error page code:%2 url:%3")
                                     .arg(m_windowName, QString::number(errorCode), url));
    showErrorPage(ErrorPage::reasonFor(errorCode, errorText), url);
}

void LoadFailureRecovery::showErrorPage(const QString &reason, const QString &address)
{
    const CefRefPtr<CefBrowser> browser = m_client->getBrowser();
    if (!browser)
        return;
    m_address = address;
    m_showing = true;
    // Not from within the view's own load report.
    QTimer::singleShot(0, this, [this, browser, reason] {
        browser->loadHtml(ErrorPage::html(reason, m_address, m_canQuit));
        emit sgErrorPageShown(browser);
    });
    m_retryTimer->start(kRetryDelaysMs[qMin(m_retries, kRetryDelayCount - 1)]);
    ++m_retries;
}

void LoadFailureRecovery::onLoadEnd()
{
    m_showing = false;
    m_retries = 0;
    m_retryTimer->stop();
}

void LoadFailureRecovery::onShellLink(const QString &command)
{
    if (!m_showing)
        return;
    if (command == QLatin1String("retry"))
        retry();
    else if (command == QLatin1String("quit") && m_canQuit)
        Tools::instance()->quitApp();
}

void LoadFailureRecovery::retry()
{
    m_retryTimer->stop();
    if (const CefRefPtr<CefBrowser> browser = m_client->getBrowser())
        browser->loadUrl(m_address);
}
