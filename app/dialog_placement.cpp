// Centring a dialog on the screen.
#include "app/dialog_placement.h"

void CenterOnScreen(HWND dialog) {
    RECT rect;
    if (!GetWindowRect(dialog, &rect))
        return;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(dialog, screenWidth / 2 - width / 2, screenHeight / 2 - height / 2, width, height,
               FALSE);
}
