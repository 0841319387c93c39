#pragma once

#include <QString>

class DevToolsPipe;
class PermissionsAhead;
class QUrl;

// What the documents of the system's Chromium may use, answered before they ask: the browser
// has no way to hand a request to the shell, and would put its own question to the player.
// Every feature that would ask is refused to every origin as the browser starts; before each
// document of a page's main frame, its origin gets what the shell grants it ahead. The pipe
// carries both in order, ahead of the document's own request going on.
// Runs on the GUI thread.
class PermissionPresets
{
public:
    static void refuseEverywhere(DevToolsPipe *pipe);
    static void answerAhead(DevToolsPipe *pipe, const PermissionsAhead &ahead);
    // The origin the browser gives a document of the address, as it writes it.
    static QString originOf(const QUrl &url);
};
