#include "engine/qtwebengine/permissionquestions.h"

#include <QMetaEnum>
#include <QWebEnginePage>

namespace {

using Kind = PermissionQuestions::Kind;

Kind kindOf(QWebEnginePage::Feature feature)
{
    switch (feature) {
    case QWebEnginePage::Notifications:
        return Kind::Notifications;
    case QWebEnginePage::Geolocation:
        return Kind::Geolocation;
    case QWebEnginePage::MediaAudioCapture:
        return Kind::Microphone;
    case QWebEnginePage::MediaVideoCapture:
        return Kind::Camera;
    case QWebEnginePage::MediaAudioVideoCapture:
        return Kind::MicrophoneAndCamera;
    case QWebEnginePage::MouseLock:
        return Kind::PointerLock;
    default:
        break;
    }
    return Kind::Other;
}

QWebEnginePage::PermissionPolicy policyOf(bool granted)
{
    return granted ? QWebEnginePage::PermissionGrantedByUser
                   : QWebEnginePage::PermissionDeniedByUser;
}

} // namespace

PermissionQuestions::PermissionQuestions(QObject *parent)
    : QObject(parent)
{
}

// Qt 6.4 keeps the answers in memory by itself.
void PermissionQuestions::keepAnswersForTheRun(QWebEngineProfile *)
{
}

void PermissionQuestions::setPage(QWebEnginePage *page)
{
    m_page = page;
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
        [this](const QUrl &origin, QWebEnginePage::Feature feature) {
            const QPointer<QWebEnginePage> asking = m_page;
            emit sgAsked({ origin, kindOf(feature),
                QString::fromLatin1(
                    QMetaEnum::fromType<QWebEnginePage::Feature>().valueToKey(feature)),
                [asking, origin, feature](bool granted) {
                    if (asking)
                        asking->setFeaturePermission(origin, feature, policyOf(granted));
                } });
        });
}

// Qt 6.4 answers the clipboard's question from the page's clipboard switch (ClipboardGate).
void PermissionQuestions::answerAhead(const QUrl &origin, Kind kind, bool granted)
{
    if (kind == Kind::Notifications)
        m_page->setFeaturePermission(origin, QWebEnginePage::Notifications, policyOf(granted));
    else if (kind == Kind::Geolocation)
        m_page->setFeaturePermission(origin, QWebEnginePage::Geolocation, policyOf(granted));
}
