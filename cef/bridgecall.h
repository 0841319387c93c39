#pragma once

#include <QString>

// One call of callQML as a page made it, each argument that was not a string
// as the empty string.
struct BridgeCall
{
    QString name;
    QString id;
    QString request;
    // The origin the engine set on the message of a sub-frame that handed the
    // call to its main frame; empty for the main frame's own calls.
    QString frameOrigin;
};
