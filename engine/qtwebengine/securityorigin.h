#pragma once

#include <QString>

class QUrl;

// The engine names a document's origin by an address ("https://host:port/"), or by the
// document's own address where the origin is what the player is shown.
class SecurityOrigin
{
public:
    // "scheme://host[:port]" as the engine serialises an origin; "null" for a document of no
    // origin of its own (data:, about:, sandboxed frames).
    static QString text(const QUrl &url);
};
