#include "cef/permissionanswers.h"

#include "cef/permissionpolicy.h"
#include "engine/enginepage.h"
#include "engine/pagerequests.h"

#include <algorithm>

PermissionAnswers::PermissionAnswers(EnginePage *page)
    : QObject(page)
{
    connect(
        page, &EnginePage::sgPermissionRequested, this, &PermissionAnswers::onPermissionRequested);
    connect(page, &EnginePage::sgPermissionsAheadNeeded, this,
        &PermissionAnswers::onPermissionsAheadNeeded);
}

// A request that needs several features gets all of them or none.
void PermissionAnswers::onPermissionRequested(PermissionRequest &request)
{
    const PermissionPolicy policy = PermissionPolicy::configured();
    const QVector<PermissionPolicy::Feature> &needed = request.features();
    if (std::all_of(needed.cbegin(), needed.cend(), [&](PermissionPolicy::Feature each) {
            return policy.answer(request.origin(), each, request.name());
        }))
        request.grant();
}

// Clipboard writes follow one switch of the whole page, allowed by its main document. An engine
// that cannot ask at the request takes the microphone and the camera ahead too.
void PermissionAnswers::onPermissionsAheadNeeded(PermissionsAhead &request)
{
    const PermissionPolicy policy = PermissionPolicy::configured();
    for (const PermissionPolicy::Feature feature : { PermissionPolicy::Feature::Notifications,
             PermissionPolicy::Feature::Geolocation, PermissionPolicy::Feature::ClipboardWrite,
             PermissionPolicy::Feature::Microphone, PermissionPolicy::Feature::Camera }) {
        if (policy.grants(request.url(), feature))
            request.grant(feature);
    }
}
