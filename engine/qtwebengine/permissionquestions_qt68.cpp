#include "engine/qtwebengine/permissionquestions.h"

#include <QMetaEnum>
#include <QWebEnginePage>
#include <QWebEnginePermission>
#include <QWebEngineProfile>

namespace {

using Kind = PermissionQuestions::Kind;
using Type = QWebEnginePermission::PermissionType;

Kind kindOf(Type type)
{
    switch (type) {
    case Type::Notifications:
        return Kind::Notifications;
    case Type::Geolocation:
        return Kind::Geolocation;
    case Type::MediaAudioCapture:
        return Kind::Microphone;
    case Type::MediaVideoCapture:
        return Kind::Camera;
    case Type::MediaAudioVideoCapture:
        return Kind::MicrophoneAndCamera;
    case Type::MouseLock:
        return Kind::PointerLock;
    case Type::ClipboardReadWrite:
        return Kind::ClipboardWrite;
    default:
        break;
    }
    return Kind::Other;
}

Type typeOf(Kind kind)
{
    switch (kind) {
    case Kind::Notifications:
        return Type::Notifications;
    case Kind::Geolocation:
        return Type::Geolocation;
    case Kind::ClipboardWrite:
        return Type::ClipboardReadWrite;
    default:
        break;
    }
    return Type::Unsupported;
}

} // namespace

PermissionQuestions::PermissionQuestions(QObject *parent)
    : QObject(parent)
{
}

// Qt 6.8 would write every answer to the profile's storage and give it again in later runs,
// without asking: a refusal would go unlogged and outlive the policy that gave it.
void PermissionQuestions::keepAnswersForTheRun(QWebEngineProfile *profile)
{
    profile->setPersistentPermissionsPolicy(
        QWebEngineProfile::PersistentPermissionsPolicy::AskEveryTime);
}

void PermissionQuestions::setPage(QWebEnginePage *page)
{
    m_page = page;
    connect(page, &QWebEnginePage::permissionRequested, this,
        [this](const QWebEnginePermission &permission) {
            emit sgAsked({ permission.origin(), kindOf(permission.permissionType()),
                QString::fromLatin1(
                    QMetaEnum::fromType<Type>().valueToKey(int(permission.permissionType()))),
                [permission](bool granted) {
                    if (granted)
                        permission.grant();
                    else
                        permission.deny();
                } });
        });
}

void PermissionQuestions::answerAhead(const QUrl &origin, Kind kind, bool granted)
{
    const QWebEnginePermission permission
        = m_page->profile()->queryPermission(origin, typeOf(kind));
    if (granted)
        permission.grant();
    else
        permission.deny();
}
