#include "cef/permissionpolicy.h"

#include "app/logexcerpt.h"
#include "app/policysettings.h"
#include "app/tspdlog.h"

#include <QUrl>

namespace {

// Refusals told so far: a page asking in a loop must not fill the log.
QSet<QString> &refusalsLogged()
{
    static QSet<QString> logged;
    return logged;
}

} // namespace

PermissionPolicy::PermissionPolicy(const OriginPolicy &origins, bool voiceChat)
    : m_origins(origins)
    , m_voiceChat(voiceChat)
{
}

PermissionPolicy PermissionPolicy::configured()
{
    return PermissionPolicy(OriginPolicy::configured(), PolicySettings::program().voiceChat());
}

bool PermissionPolicy::grants(const QUrl &origin, Feature feature) const
{
    if (!m_origins.trusts(origin))
        return false;
    switch (feature) {
    case Feature::Notifications:
    case Feature::ClipboardWrite:
        return true;
    case Feature::Microphone:
    case Feature::Camera:
        return m_voiceChat;
    case Feature::Geolocation:
    case Feature::Other:
        break;
    }
    return false;
}

bool PermissionPolicy::answer(const QUrl &origin, Feature feature, const QString &featureName) const
{
    if (grants(origin, feature))
        return true;
    const QString originText = LogExcerpt::of(OriginPolicy::originOf(origin));
    const QString refusal
        = QStringLiteral("permission %1 refused to %2").arg(featureName, originText);
    if (!refusalsLogged().contains(refusal)) {
        refusalsLogged().insert(refusal);
        TSpdlog::instance()->otherWarn(refusal);
    }
    return false;
}
