// The stub's entry function, in place of the C runtime's start-up: the
// executable is linked without a runtime and starts here (cmake/Stub.cmake).
#include "app/main_window.h"

extern "C" void StubEntry(void) {
    static char emptyCommandLine[1];
    ExitProcess(static_cast<UINT>(
        WinMain(reinterpret_cast<HINSTANCE>(&__ImageBase), 0, emptyCommandLine, SW_SHOWDEFAULT)));
}
