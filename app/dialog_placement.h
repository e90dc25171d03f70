// Placement of the installer's dialogs.
#pragma once

#include "platform/win32.h"

// Moves `dialog`, unchanged in size and without repainting, to the centre of
// the primary screen: x = W/2 - w/2, y = H/2 - h/2, each halving rounded down.
void CenterOnScreen(HWND dialog);
