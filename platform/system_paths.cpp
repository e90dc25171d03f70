// Terminated, uncut module and Windows directory paths.
#include "platform/system_paths.h"

int GetModulePath(HMODULE module, char* path) {
    // Older systems leave a name that fills the buffer unterminated, so a
    // result that reaches the buffer's size is never taken.
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        path[0] = 0;
        return 0;
    }
    path[length] = 0;
    return 1;
}

int GetWindowsFolder(char* path, UINT size) {
    // A result of size or more is the size needed, with nothing copied.
    UINT length = GetWindowsDirectoryA(path, size);
    if (length == 0 || length >= size) {
        path[0] = 0;
        return 0;
    }
    path[length] = 0;
    return 1;
}
