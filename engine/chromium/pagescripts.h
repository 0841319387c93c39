#pragma once

#include <QString>

// What every document of a page runs before any script of its own, as the
// engine hands it to each page target.
struct PageScripts
{
    // In the page's own script world.
    QString pageScript;
    // In the script world named world, with the binding named binding, which
    // the browser gives that world alone.
    QString bridgeScript;
    QString world;
    QString binding;
};
