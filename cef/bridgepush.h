#pragma once

class QJsonObject;
class QString;

// Native events reach a page as one call of its qtSlots with a push object.
namespace BridgePush {

// The object travels as compact JSON: every member value arrives in the page
// as the very text it was, whatever characters it holds.
QString script(const QJsonObject &push);

} // namespace BridgePush
