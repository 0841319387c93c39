#pragma once

// The engine's sub-processes look for the engine's translations in a "locales" folder beside
// their program, and create it when they can, before they are told where the translations
// really are: root always can, and an installed program's folder must stay as installed.
// One implementation per platform (programfolder_linux.cpp, programfolder_win.cpp).
namespace ProgramFolder {

// Makes the folder of the running program read-only for this process and the processes it
// starts, where it takes writes only because the process runs as root. Must run first thing
// in main(), before any thread exists.
void keepUnwritten();

} // namespace ProgramFolder
