#include "window/errorpage.h"

#include "app/mvtconfig.h"

#include <QFile>

static void registerErrorPageResource()
{
    Q_INIT_RESOURCE(window);
}

namespace {

// The engine's network error codes (net_error_list.h).
constexpr int kTimedOut = -7;
constexpr int kConnectionRefused = -102;
constexpr int kNameNotResolved = -105;
constexpr int kInternetDisconnected = -106;
constexpr int kConnectionTimedOut = -118;
constexpr int kNameResolutionFailed = -137;
constexpr int kFirstCertificateError = -299;
constexpr int kLastCertificateError = -200;

QString pageTemplate()
{
    static const QString text = [] {
        registerErrorPageResource();
        QFile file(QStringLiteral(":/window/errorpage.html"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }();
    return text;
}

} // namespace

QString ErrorPage::reasonFor(int errorCode, const QString &errorText)
{
    if (errorCode > 0)
        return QStringLiteral("The server answered with an error (HTTP status %1).").arg(errorCode);
    switch (errorCode) {
    case kNameNotResolved:
    case kNameResolutionFailed:
        return QStringLiteral("The server's name could not be found. Please check the internet "
                              "connection.");
    case kConnectionRefused:
        return QStringLiteral("The server refused the connection.");
    case kTimedOut:
    case kConnectionTimedOut:
        return noAnswerReason();
    case kInternetDisconnected:
        return QStringLiteral("This computer is not connected to the internet.");
    default:
        break;
    }
    if (errorCode >= kFirstCertificateError && errorCode <= kLastCertificateError)
        return QStringLiteral("The server's security certificate is not valid, so the connection "
                              "is not trusted.");
    return QStringLiteral("The connection to the server failed (%1).").arg(errorText);
}

QString ErrorPage::noAnswerReason()
{
    return QStringLiteral("The server did not answer in time.");
}

QString ErrorPage::html(const QString &reason, const QString &address, bool canQuit)
{
    return page(QStringLiteral("This page could not be shown"), reason, address,
        QStringLiteral("<p>The program tries again by itself in a moment.</p>\n"
                       "<a class=\"button\" href=\"http://lumen-shell.invalid/retry\">Retry</a>"),
        canQuit);
}

QString ErrorPage::notSetUpHtml()
{
    return page(QStringLiteral("The program is not set up"), MVTConfig::notSetUpMessage(),
        QString(), QString(), true);
}

// Every inserted text is escaped: an address or an error text never becomes markup.
QString ErrorPage::page(const QString &heading, const QString &reason, const QString &address,
    const QString &retry, bool canQuit)
{
    const QString quit = canQuit
        ? QStringLiteral(
              "<a class=\"button quit\" href=\"http://lumen-shell.invalid/quit\">Quit</a>")
        : QString();
    QString page = pageTemplate();
    page.replace(QLatin1String("%RETRY%"), retry);
    page.replace(QLatin1String("%QUIT%"), quit);
    page.replace(QLatin1String("%HEADING%"), heading.toHtmlEscaped());
    page.replace(QLatin1String("%REASON%"), reason.toHtmlEscaped());
    page.replace(QLatin1String("%ADDRESS%"), address.toHtmlEscaped());
    return page;
}
