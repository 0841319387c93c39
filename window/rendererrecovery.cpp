#include "window/rendererrecovery.h"

#include "app/logexcerpt.h"
#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "window/loadfailurerecovery.h"

#include <QTimer>

namespace {

QString statusName(EnginePage::RendererEnd status)
{
    switch (status) {
    case EnginePage::RendererEnd::Normal:
        return QStringLiteral("normal");
    case EnginePage::RendererEnd::Abnormal:
        return QStringLiteral("abnormal");
    case EnginePage::RendererEnd::Crashed:
        return QStringLiteral("crashed");
    case EnginePage::RendererEnd::Killed:
        break;
    }
    return QStringLiteral("killed");
}

} // namespace

RendererRecovery::RendererRecovery(
    const QString &windowName, LoadFailureRecovery &failures, QCefClient *client)
    : QObject(client)
    , m_windowName(windowName)
    , m_failures(failures)
{
    m_clock.start();
    connect(client, &QCefClient::sgRenderProcessTerminated, this,
        &RendererRecovery::onRenderProcessTerminated);
    connect(client, &QCefClient::sgRenderProcessUnresponsive, this,
        &RendererRecovery::onRenderProcessUnresponsive);
}

void RendererRecovery::onRenderProcessTerminated(
    const CefRefPtr<CefBrowser> &browser, EnginePage::RendererEnd status, const QString &lastUrl)
{
    // The error page stands for the address that failed, not for itself.
    const QString address = m_failures.isShowingErrorPage() ? m_failures.failedAddress() : lastUrl;
    const QString ended = QStringLiteral("window:%1 renderer ended status:%2")
                              .arg(LogExcerpt::of(m_windowName), statusName(status));
    if (m_deaths.tooMany(m_clock.elapsed())) {
        TSpdlog::instance()->otherError(ended + QStringLiteral(" error page:") + address);
        m_failures.showErrorPage(
            QStringLiteral("The page stopped working several times in a row."), address);
        return;
    }
    TSpdlog::instance()->otherWarn(ended + QStringLiteral(" reload:") + address);
    // Not from within the view's own report of the ended process.
    QTimer::singleShot(0, this, [browser, address] { browser->loadUrl(address); });
}

// The end is reported as a kill and recovered from as any other, so a page that hangs on
// every load reaches the error page as one that crashes.
void RendererRecovery::onRenderProcessUnresponsive(const CefRefPtr<CefBrowser> &browser)
{
    const QString silent = QStringLiteral("window:%1 renderer not answering, reload chosen")
                               .arg(LogExcerpt::of(m_windowName));
    if (browser->terminateRenderProcess())
        TSpdlog::instance()->otherWarn(silent + QStringLiteral(", ended"));
    else
        TSpdlog::instance()->otherError(silent + QStringLiteral(", could not be ended"));
}
