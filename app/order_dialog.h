// The closing order-information panel (dialog template 104).
#pragma once

#include "platform/win32.h"

const int OrderDialogId = 104;

// Dialog procedure of the panel: centres it on WM_INITDIALOG and closes it
// on WM_COMMAND with wParam exactly IDOK or IDCANCEL (OK, Enter, Escape, the
// close box). Returns TRUE for those messages, FALSE for every other.
INT_PTR CALLBACK OrderInfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
