#pragma once

class QIcon;

// The program's icon for its windows and its tray icon: the desktop theme's "lumen" icon
// where the desktop provides one (an installed program), else the icon file beside the
// executable.
class ProgramIcon
{
public:
    static QIcon icon();
};
