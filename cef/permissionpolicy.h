#pragma once

#include "app/originpolicy.h"
#include "engine/pagerequests.h"

#include <QString>

class QUrl;

// What a page may use beyond the page itself. Pages of trusted origins get
// desktop notifications and clipboard writes; the microphone and the camera
// only once the administrator turns voice chat on. Everything else, and
// everything an untrusted origin asks for, is refused: a game must never wait
// on a question nobody is there to answer.
// Runs on the GUI thread.
class PermissionPolicy
{
public:
    using Feature = PermissionRequest::Feature;

    PermissionPolicy(const OriginPolicy &origins, bool voiceChat);
    // From the program's configuration, as it reads now.
    static PermissionPolicy configured();

    // origin: the asking document's address or serialised origin.
    bool grants(const QUrl &origin, Feature feature) const;
    // The answer to a page's request: a refusal is logged once per origin and
    // feature and run of the program. featureName: the engine's name of it.
    bool answer(const QUrl &origin, Feature feature, const QString &featureName) const;

private:
    OriginPolicy m_origins;
    bool m_voiceChat;
};
