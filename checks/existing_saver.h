// The check for a screen saver of the installer's name that is already in
// the Windows directory.
#pragma once

#include "platform/win32.h"

// Looks for <installer name up to its last '.'>.SCR in the Windows
// directory (a file or a folder, any letter case). When there is one, asks
// whether it may be replaced; on No, tells the user to rename the installer.
// Returns 1 to go on (nothing found, Yes, the question could not be shown,
// or the module path or Windows directory could not be had) and 0 to stop.
int CheckExistingSaver(HINSTANCE instance);
