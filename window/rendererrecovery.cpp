#include "window/rendererrecovery.h"

#include "app/logexcerpt.h"
#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "window/loadfailurerecovery.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr int kDeathsShown = 3;
constexpr qint64 kDeathWindowMs = 60000;

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
}

void RendererRecovery::onRenderProcessTerminated(
    const CefRefPtr<CefBrowser> &browser, EnginePage::RendererEnd status, const QString &lastUrl)
{
    // The error page stands for the address that failed, not for itself.
    const QString address = m_failures.isShowingErrorPage() ? m_failures.failedAddress() : lastUrl;
    const QString ended = QStringLiteral("window:%1 renderer ended status:%2")
                              .arg(LogExcerpt::of(m_windowName), statusName(status));
    if (diedTooOften()) {
        TSpdlog::instance()->otherError(ended + QStringLiteral(" error page:") + address);
        m_failures.showErrorPage(
            QStringLiteral("The page stopped working several times in a row."), address);
        return;
    }
    TSpdlog::instance()->otherWarn(ended + QStringLiteral(" reload:") + address);
    // Not from within the view's own report of the ended process.
    QTimer::singleShot(0, this, [browser, address] { browser->loadUrl(address); });
}

bool RendererRecovery::diedTooOften()
{
    const qint64 now = m_clock.elapsed();
    m_deaths.erase(std::remove_if(m_deaths.begin(), m_deaths.end(),
                       [now](qint64 death) { return now - death > kDeathWindowMs; }),
        m_deaths.end());
    m_deaths.append(now);
    if (m_deaths.size() < kDeathsShown)
        return false;
    m_deaths.clear();
    return true;
}
