#include "window/downloadpush.h"

#include "cef/bridgepush.h"

#include <QJsonObject>

// The name goes in as a JSON string, so that any name reaches the page as
// itself and never as script. The object keeps its members sorted, which puts
// "Download" first, where pages have always found it.
QString DownloadPush::script(int progress, const QString &state, const QString &fileName)
{
    QJsonObject push { { QStringLiteral("Download"), fileName } };
    if (state == QLatin1String("Downloading"))
        push.insert(QStringLiteral("Progress"), QString::number(progress));
    else
        push.insert(QStringLiteral("State"), state);
    return BridgePush::script(push);
}
