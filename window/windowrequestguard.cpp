#include "window/windowrequestguard.h"

#include "app/tspdlog.h"
#include "tools/urlrules.h"

#include <QUrl>

namespace {

// Only the scheme goes to the log: a refused address may be a whole document.
QString schemeOf(const QString &url)
{
    const QString scheme = QUrl::fromUserInput(url).scheme();
    return scheme.isEmpty() ? QStringLiteral("(none)") : scheme.left(32);
}

void refuse(const QString &text)
{
    TSpdlog::instance()->otherWarn(text);
}

} // namespace

bool WindowRequestGuard::allowsOpen(const QString &name, const QString &url, int openWindows)
{
    if (openWindows >= maxOpenWindows) {
        refuse(QStringLiteral("window %1 refused: %2 windows are open")
                .arg(name.left(64))
                .arg(openWindows));
        return false;
    }
    return allowsNavigation(name, url);
}

// An empty address loads nothing and is left alone.
bool WindowRequestGuard::allowsNavigation(const QString &name, const QString &url)
{
    if (url.isEmpty() || !UrlRules::navigationTarget(url).isEmpty())
        return true;
    refuse(QStringLiteral("navigation of window %1 to a %2 address refused")
            .arg(name.left(64), schemeOf(url)));
    return false;
}

bool WindowRequestGuard::allowsDesktop(const QString &url)
{
    if (!UrlRules::desktopTarget(url).isEmpty())
        return true;
    refuse(QStringLiteral("opening a %1 address on the desktop refused")
            .arg(QUrl(url, QUrl::TolerantMode).scheme().left(32)));
    return false;
}

bool WindowRequestGuard::allowsHookPopup(const QString &name, bool open)
{
    if (!open)
        refuse(QStringLiteral("popup hook refused: no open window %1").arg(name.left(64)));
    return open;
}
