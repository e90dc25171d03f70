// Entry, DLL search guard and main window of the installer.
#include "app/main_window.h"

#include "app/install_sequence.h"
#include "app/program_state.h"

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD flags);

// Set once WM_CREATE has run the install sequence.
int sequenceRan;

}  // namespace

void RestrictDllSearch() {
    // Looked up at run time: older systems lack the call. Kernel32 is taken
    // as the free-space check takes it, by the same name, so the stub
    // imports no further routine and holds the name once.
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    if (kernel == 0)
        return;
    FARPROC found = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (found != 0) {
        SetDefaultDllDirectoriesProc setDirectories =
            reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void (*)()>(found));
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    FreeLibrary(kernel);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        sequenceRan = 1;
        RunInstallSequence();
        return -1;
    }
    if (message == WM_DESTROY) {
        quitPosted = 1;
        PostQuitMessage(exitCode);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show) {
    RestrictDllSearch();
    sequenceRan = 0;
    if (previous == 0) {
        WNDCLASSA windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = MainWindowProc;
        windowClass.cbClsExtra = 0;
        windowClass.cbWndExtra = 0;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(AppIconId));
        windowClass.hCursor = LoadCursorA(0, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszMenuName = 0;
        windowClass.lpszClassName = MainWindowClass;
        RegisterClassA(&windowClass);
    }
    appInstance = instance;
    HWND window = CreateWindowExA(0, MainWindowClass, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, instance, 0);
    ShowWindow(window, show);
    UpdateWindow(window);
    // Without a destroyed window no quit message will ever come. Either the
    // window was never created and nothing was installed, or the platform
    // refused the creation without sending WM_DESTROY (Wine does so); then
    // the sequence's own exit code stands.
    if (!quitPosted)
        return sequenceRan ? exitCode : 1;
    MSG message;
    message.wParam = 0;
    while (GetMessageA(&message, 0, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
