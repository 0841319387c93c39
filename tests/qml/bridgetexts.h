#pragma once

#include <QString>

// The texts the dispatcher sends to pages and writes to its log, spelt out
// for comparison.
namespace BridgeTexts {

// text as a JSON string, quotes included.
QString json(const QString &text);
// "qtQueryCallback(<reply>)", the reply in compact JSON.
QString reply(const QString &request, const QString &id, const QString &result);
// "qtSlots(<child list>)", the push in compact JSON.
QString childList(const QString &list, const QString &sender);
// "qtSlots(<value>)" for a value already in JSON.
QString push(const QString &valueJson);
// The line the log facade mirrors to the debug output for one request.
QString requestLogLine(const QString &sender, const QString &request);

} // namespace BridgeTexts
