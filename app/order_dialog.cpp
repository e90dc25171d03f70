// The order-information panel's procedure; its content is all in the template.
#include "app/order_dialog.h"

#include "app/dialog_placement.h"

INT_PTR CALLBACK OrderInfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CenterOnScreen(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        return TRUE;
    }
    return FALSE;
}
