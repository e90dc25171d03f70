// The install sequence, run inside the main window's WM_CREATE: read the
// name, refuse a damaged installer, the two checks, the confirmation, the
// extraction dialog, then either the finish message, the order panel and the
// start of the saver, or the message that the installation is incomplete.
#pragma once

// Runs the whole installation on the program-wide state. Sets exitCode to 1
// when the installer is damaged or an entry could not be installed.
void RunInstallSequence();

// Strips trailing spaces (0x20 only) from `name` in place.
void TrimTrailingSpaces(char* name);
