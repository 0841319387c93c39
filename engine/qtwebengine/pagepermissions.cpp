#include "engine/qtwebengine/pagepermissions.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"
#include "engine/qtwebengine/clipboardgate.h"
#include "engine/qtwebengine/securityorigin.h"

#include <QMetaEnum>

namespace {

using Feature = PermissionRequest::Feature;

// What the shell must grant for the engine's feature.
QVector<Feature> featuresOf(QWebEnginePage::Feature feature)
{
    switch (feature) {
    case QWebEnginePage::Notifications:
        return { Feature::Notifications };
    case QWebEnginePage::Geolocation:
        return { Feature::Geolocation };
    case QWebEnginePage::MediaAudioCapture:
        return { Feature::Microphone };
    case QWebEnginePage::MediaVideoCapture:
        return { Feature::Camera };
    case QWebEnginePage::MediaAudioVideoCapture:
        return { Feature::Microphone, Feature::Camera };
    default:
        break;
    }
    return { Feature::Other };
}

QWebEnginePage::PermissionPolicy permissionAnswer(bool granted)
{
    return granted ? QWebEnginePage::PermissionGrantedByUser
                   : QWebEnginePage::PermissionDeniedByUser;
}

} // namespace

PagePermissions::PagePermissions(EnginePage *owner, ClipboardGate *clipboard)
    : QObject(owner)
    , m_owner(*owner)
    , m_clipboard(clipboard)
{
}

void PagePermissions::setPage(QWebEnginePage *page)
{
    m_page = page;
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
        &PagePermissions::onFeaturePermissionRequested);
}

void PagePermissions::answerAhead(const QUrl &url)
{
    PermissionsAhead ahead(url);
    emit m_owner.sgPermissionsAheadNeeded(ahead);
    const QUrl origin(SecurityOrigin::text(url));
    m_clipboard->setAllowed(ahead.grants(Feature::ClipboardWrite));
    m_page->setFeaturePermission(origin, QWebEnginePage::Notifications,
        permissionAnswer(ahead.grants(Feature::Notifications)));
    m_page->setFeaturePermission(
        origin, QWebEnginePage::Geolocation, permissionAnswer(ahead.grants(Feature::Geolocation)));
}

void PagePermissions::onFeaturePermissionRequested(
    const QUrl &origin, QWebEnginePage::Feature feature)
{
    if (feature == QWebEnginePage::MouseLock)
        return;
    PermissionRequest request(origin, featuresOf(feature),
        QString::fromLatin1(QMetaEnum::fromType<QWebEnginePage::Feature>().valueToKey(feature)));
    emit m_owner.sgPermissionRequested(request);
    if (m_page)
        m_page->setFeaturePermission(origin, feature, permissionAnswer(request.isGranted()));
}
