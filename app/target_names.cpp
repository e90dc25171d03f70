// Target names and folders of the installation.
#include "app/target_names.h"

#include "app/number_text.h"
#include "app/program_state.h"
#include "app/text.h"
#include "platform/system_paths.h"
#include "platform/win32.h"

namespace {

// Every target name ends in ".SCR", ".DAT" or begins with "FILE", so this
// name never replaces one.
const char TemporaryName[] = "~VLT.TMP";

// Fills `buffer` (MAX_PATH + 1 bytes) from the module path and returns the
// data folder's last level in it: a backslash and the folder base. Returns
// null when the module path cannot be had.
char* GetFolderLevel(char* buffer) {
    buffer[0] = '\\';
    if (!GetModulePath(appInstance, buffer + 1))
        return 0;
    // The base follows a backslash: the path's last one, or else the one put
    // in front of the path.
    return CutToBaseName(buffer + 1) - 1;
}

int BuildDataFolder(char* path, int create) {
    if (!GetWindowsFolder(path, MAX_PATH) || !AppendSeparator(path, MAX_PATH))
        return 0;
    char buffer[MAX_PATH + 1];
    const char* levels[3] = {"PELLIVAR", "\\VELTRANE", GetFolderLevel(buffer)};
    if (levels[2] == 0)
        return 0;
    // Each level is created as soon as the path reaches it.
    for (const char* level : levels) {
        if (!AppendText(path, MAX_PATH, level))
            return 0;
        if (create)
            CreateDirectoryA(path, 0);
    }
    return 1;
}

}  // namespace

int MakeSaverFileName(const char* modulePath, char* name) {
    int slash = FindLast(modulePath, '\\');
    if (!CopyText(name, MAX_PATH, modulePath + slash + 1))
        return 0;
    int dot = FindFirst(name, '.');
    if (dot >= 0)
        name[dot] = 0;
    int fits = AppendText(name, MAX_PATH, ".SCR");
    UpperCaseAscii(name);
    return fits;
}

int MakeSaverTargetPath(char* path) {
    int fits = GetWindowsFolder(path, MAX_PATH) && AppendSeparator(path, MAX_PATH) &&
               AppendText(path, MAX_PATH, saverFileName);
    UpperCaseAscii(path);
    return fits;
}

int MakeDataFolder(char* path) {
    return BuildDataFolder(path, 1);
}

int MakeDataFolderPath(char* path) {
    return BuildDataFolder(path, 0);
}

int MakeTargetPath(uint32_t index, uint16_t firstFileNumber, const uint8_t* extension, char* path) {
    if (index == 0)
        return 1;
    if (index == 1) {
        char buffer[MAX_PATH + 1];
        const char* level = GetFolderLevel(buffer);
        return level != 0 && AppendText(path, MAX_PATH, level) &&
               AppendText(path, MAX_PATH, ".DAT");
    }
    char number[12];
    FormatFileNumber(index + firstFileNumber - 2, number);
    return AppendText(path, MAX_PATH, "\\FILE") && AppendText(path, MAX_PATH, number) &&
           AppendTextPart(path, MAX_PATH, reinterpret_cast<const char*>(extension), 4);
}

int MakeFolderDisplayName(char* text, uint32_t size) {
    char buffer[MAX_PATH + 1];
    char* level = GetFolderLevel(buffer);
    if (level == 0)
        return 0;
    UpperCaseAscii(level);
    return CopyText(text, size, level);
}

int MakeTemporaryPath(const char* target, char* temporary) {
    int slash = FindLast(target, '\\');
    if (!CopyText(temporary, MAX_PATH, target))
        return 0;
    temporary[slash + 1] = 0;
    return AppendText(temporary, MAX_PATH, TemporaryName);
}
