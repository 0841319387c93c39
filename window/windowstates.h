#pragma once

class QRect;
struct WindowRecord;

// Maximised, full screen and back to windowed: while a window is maximised
// or full screen its record keeps the geometry to go back to. Each change
// is made one coordinate at a time, so that each reaches the children on its
// own. The window must be attached.
namespace WindowStates {

void maximize(WindowRecord &record, const QRect &availableArea);
void enterFullScreen(WindowRecord &record, const QRect &screen);
void restoreWindowed(WindowRecord &record);
// Only a full-screen window changes.
void leaveFullScreen(WindowRecord &record);

} // namespace WindowStates
