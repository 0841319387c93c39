#pragma once

#include <QString>

// The player's last click or key in a page, as the engine saw it: which document it went to. A
// page can neither make one nor speak for another document.
// A value: copied freely.
struct PlayerGesture
{
    // The origin of the document the player clicked or typed in last, while that still counts as
    // browsers count user activation; empty when none does, and for a document of no origin of
    // its own.
    QString actingOrigin;
    // The origin of the main frame's document.
    QString pageOrigin;
};
