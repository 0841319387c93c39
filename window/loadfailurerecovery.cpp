#include "window/loadfailurerecovery.h"

#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "tools/tools.h"
#include "window/errorpage.h"

#include <QTimer>
#include <QUrl>

namespace {

// Growing waits, so that a portal down for long is not hammered.
constexpr int kRetryDelaysMs[] = { 5000, 15000, 30000, 60000 };
constexpr int kRetryDelayCount = sizeof(kRetryDelaysMs) / sizeof(kRetryDelaysMs[0]);

} // namespace

LoadFailureRecovery::LoadFailureRecovery(
    const QString &windowName, bool canQuit, QCefClient *client, int answerLimitMs)
    : QObject(client)
    , m_windowName(windowName)
    , m_canQuit(canQuit)
    , m_client(client)
    , m_retryTimer(new QTimer(this))
    , m_answerTimer(new QTimer(this))
{
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &LoadFailureRecovery::retry);
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setInterval(answerLimitMs);
    connect(m_answerTimer, &QTimer::timeout, this, &LoadFailureRecovery::onNoAnswer);
    connect(client, &QCefClient::sgLoadStart, this,
        [this](CefRefPtr<CefBrowser>, const QString &url) { onLoadStart(url); });
    connect(client, &QCefClient::sgLoadCommitted, this, &LoadFailureRecovery::onLoadCommitted);
    connect(client, &QCefClient::sgLoadFailed, this, &LoadFailureRecovery::onLoadFailed);
    connect(client, &QCefClient::sgLoadEnd, this, &LoadFailureRecovery::onLoadEnd);
    connect(client, &QCefClient::sgShellLink, this,
        [this](CefRefPtr<CefBrowser>, const QString &command) { onShellLink(command); });
}

void LoadFailureRecovery::onLoadFailed(
    const CefRefPtr<CefBrowser> &, int errorCode, const QString &errorText, const QString &url)
{
    m_answerTimer->stop();
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
        emit sgShowBeforeLoaded(browser);
    });
    m_retryTimer->start(kRetryDelaysMs[qMin(m_retries, kRetryDelayCount - 1)]);
    ++m_retries;
}

// Only servers are waited for: the engine's own pages (about:blank) load at
// once, and finish with no HTTP status that would stop the wait.
void LoadFailureRecovery::onLoadStart(const QString &url)
{
    const QString scheme = QUrl(url).scheme();
    const bool server = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    if (!server || (m_loaded && !m_showing))
        return;
    m_loading = url;
    m_answered = false;
    m_answerTimer->start();
}

// The page's document replaced the error page, if it showed: its links are gone with it. The
// answer timer now waits to show a window still hidden while the page keeps loading.
void LoadFailureRecovery::onLoadCommitted()
{
    if (!m_answerTimer->isActive() || m_answered)
        return;
    m_answered = true;
    m_showing = false;
    m_loaded = true;
    m_answerTimer->start();
}

void LoadFailureRecovery::onNoAnswer()
{
    if (m_answered) {
        TSpdlog::instance()->netInfo(
            QStringLiteral("window:%1 slow load shown url:%2").arg(m_windowName, m_loading));
        if (const CefRefPtr<CefBrowser> browser = m_client->getBrowser())
            emit sgShowBeforeLoaded(browser);
        return;
    }
    TSpdlog::instance()->netWarn(QStringLiteral("window:%1 error page no answer after:%2s url:%3")
            .arg(m_windowName, QString::number(m_answerTimer->interval() / 1000), m_loading));
    showErrorPage(ErrorPage::noAnswerReason(), m_loading);
}

void LoadFailureRecovery::onLoadEnd()
{
    m_answerTimer->stop();
    m_loaded = true;
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
