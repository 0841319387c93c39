#pragma once

class QString;
struct WindowRecord;

// A page asking an attached window to load or reload: an engine window's
// browser goes where the request says, once the address passes the request
// rules; a legacy window's widget navigates itself (a reload goes back to
// the address the window was opened with).
namespace WindowNavigation {

void reload(const WindowRecord &record);
void load(const WindowRecord &record, const QString &url);

} // namespace WindowNavigation
