// Stand-in entry of the stub until the installer application links: shows
// the resource dialogs' presence by loading the icon and ends at once.
#include <windows.h>

extern "C" void StubEntry(void)
{
    HINSTANCE self = GetModuleHandleA(nullptr);
    HICON icon = LoadIconA(self, MAKEINTRESOURCEA(101));
    HGDIOBJ brush = GetStockObject(WHITE_BRUSH);
    ExitProcess(icon != nullptr && brush != nullptr ? 0 : 1);
}
