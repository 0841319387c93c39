#pragma once

#include <QString>

// One call of callQML as a page made it, each argument that was not a string
// as the empty string.
struct BridgeCall
{
    QString name;
    QString id;
    QString request;
    // The origin of the document that called, as the engine set it on the
    // call's message; "null" for an opaque origin.
    QString origin;
    // The origin of the main frame's document that took the call.
    QString pageOrigin;
};
