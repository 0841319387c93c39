#include "engine/qtwebengine/pagepermissions.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"
#include "engine/qtwebengine/clipboardgate.h"
#include "engine/qtwebengine/securityorigin.h"

namespace {

using Feature = PermissionRequest::Feature;
using Kind = PermissionQuestions::Kind;

// What the shell must grant for what the engine asks.
QVector<Feature> featuresOf(Kind kind)
{
    switch (kind) {
    case Kind::Notifications:
        return { Feature::Notifications };
    case Kind::Geolocation:
        return { Feature::Geolocation };
    case Kind::Microphone:
        return { Feature::Microphone };
    case Kind::Camera:
        return { Feature::Camera };
    case Kind::MicrophoneAndCamera:
        return { Feature::Microphone, Feature::Camera };
    default:
        break;
    }
    return { Feature::Other };
}

} // namespace

PagePermissions::PagePermissions(EnginePage *owner, ClipboardGate *clipboard)
    : QObject(owner)
    , m_owner(*owner)
    , m_clipboard(clipboard)
    , m_questions(new PermissionQuestions(this))
{
    connect(m_questions, &PermissionQuestions::sgAsked, this, &PagePermissions::onAsked);
}

void PagePermissions::setPage(QWebEnginePage *page)
{
    m_questions->setPage(page);
}

void PagePermissions::answerAhead(const QUrl &url)
{
    PermissionsAhead ahead(url);
    emit m_owner.sgPermissionsAheadNeeded(ahead);
    const QUrl origin(SecurityOrigin::text(url));
    // The engine's own answer for the clipboard stays a refusal: the page's switch grants it
    // around the player's input.
    m_clipboard->setAllowed(ahead.grants(Feature::ClipboardWrite));
    m_questions->answerAhead(origin, Kind::ClipboardWrite, false);
    m_questions->answerAhead(origin, Kind::Notifications, ahead.grants(Feature::Notifications));
    m_questions->answerAhead(origin, Kind::Geolocation, ahead.grants(Feature::Geolocation));
}

// The clipboard follows the page's switch (ClipboardGate): the engine asks only while it is off.
void PagePermissions::onAsked(const PermissionQuestions::Question &question)
{
    if (question.kind == Kind::PointerLock)
        return;
    if (question.kind == Kind::ClipboardWrite) {
        question.answer(false);
        return;
    }
    PermissionRequest request(question.origin, featuresOf(question.kind), question.name);
    emit m_owner.sgPermissionRequested(request);
    question.answer(request.isGranted());
}
