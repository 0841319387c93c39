#include "engine/chromium/permissionpresets.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/pagerequests.h"

#include <QJsonObject>

namespace {

using Feature = PermissionRequest::Feature;

// The browser's names of what the shell's features stand for.
const QList<QPair<Feature, QString>> &featureNames()
{
    static const QList<QPair<Feature, QString>> names {
        { Feature::Notifications, QStringLiteral("notifications") },
        { Feature::Geolocation, QStringLiteral("geolocation") },
        { Feature::ClipboardWrite, QStringLiteral("clipboard-write") },
        { Feature::Microphone, QStringLiteral("microphone") },
        { Feature::Camera, QStringLiteral("camera") },
    };
    return names;
}

QJsonObject descriptor(const QString &name)
{
    return { { QStringLiteral("name"), name } };
}

// Everything else Chromium 156 would ask the player about.
QList<QJsonObject> otherQuestions()
{
    QList<QJsonObject> descriptors;
    for (const char *name : { "clipboard-read", "midi", "idle-detection", "window-management",
             "local-fonts", "storage-access", "top-level-storage-access", "display-capture",
             "captured-surface-control", "speaker-selection", "local-network-access",
             "local-network", "loopback-network", "web-app-installation", "system-wake-lock",
             "screen-wake-lock", "nfc" })
        descriptors.append(descriptor(QLatin1String(name)));
    QJsonObject systemMessages = descriptor(QStringLiteral("midi"));
    systemMessages.insert(QStringLiteral("sysex"), true);
    descriptors.append(systemMessages);
    QJsonObject push = descriptor(QStringLiteral("push"));
    push.insert(QStringLiteral("userVisibleOnly"), true);
    descriptors.append(push);
    return descriptors;
}

// origin empty: every origin.
void setPermission(
    DevToolsPipe *pipe, const QJsonObject &permission, bool granted, const QString &origin)
{
    QJsonObject params { { QStringLiteral("permission"), permission },
        { QStringLiteral("setting"),
            granted ? QStringLiteral("granted") : QStringLiteral("denied") } };
    if (!origin.isEmpty())
        params.insert(QStringLiteral("origin"), origin);
    pipe->send(QStringLiteral("Browser.setPermission"), params);
}

} // namespace

void PermissionPresets::refuseEverywhere(DevToolsPipe *pipe)
{
    for (const auto &[feature, name] : featureNames())
        setPermission(pipe, descriptor(name), false, QString());
    for (const QJsonObject &permission : otherQuestions())
        setPermission(pipe, permission, false, QString());
}

QString PermissionPresets::originOf(const QUrl &url)
{
    return url
        .adjusted(
            QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString();
}

void PermissionPresets::answerAhead(DevToolsPipe *pipe, const PermissionsAhead &ahead)
{
    const QString origin = originOf(ahead.url());
    for (const auto &[feature, name] : featureNames())
        setPermission(pipe, descriptor(name), ahead.grants(feature), origin);
}
