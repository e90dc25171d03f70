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

// Appends the folder base of `modulePath` with the backslash before it.
// Returns 0 when it does not fit.
int AppendFolderBase(char* path, const char* modulePath) {
    char cut[MAX_PATH];
    return CopyText(cut, MAX_PATH, modulePath) && AppendText(path, MAX_PATH, "\\") &&
           AppendText(path, MAX_PATH, CutToBaseName(cut));
}

int BuildDataFolder(char* path, int create) {
    char modulePath[MAX_PATH];
    if (!GetWindowsFolder(path, MAX_PATH) || !AppendSeparator(path, MAX_PATH) ||
        !GetModulePath(appInstance, modulePath))
        return 0;
    if (!AppendText(path, MAX_PATH, "PELLIVAR"))
        return 0;
    if (create)
        CreateDirectoryA(path, 0);
    if (!AppendText(path, MAX_PATH, "\\VELTRANE"))
        return 0;
    if (create)
        CreateDirectoryA(path, 0);
    if (!AppendFolderBase(path, modulePath))
        return 0;
    if (create)
        CreateDirectoryA(path, 0);
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
        char modulePath[MAX_PATH];
        return GetModulePath(appInstance, modulePath) && AppendFolderBase(path, modulePath) &&
               AppendText(path, MAX_PATH, ".DAT");
    }
    char number[12];
    FormatFileNumber(index + firstFileNumber - 2, number);
    return AppendText(path, MAX_PATH, "\\FILE") && AppendText(path, MAX_PATH, number) &&
           AppendTextPart(path, MAX_PATH, reinterpret_cast<const char*>(extension), 4);
}

int MakeFolderDisplayName(char* text, uint32_t size) {
    char modulePath[MAX_PATH];
    char part[MAX_PATH + 1];
    part[0] = 0;
    if (!GetModulePath(appInstance, modulePath) || !AppendFolderBase(part, modulePath))
        return 0;
    UpperCaseAscii(part);
    return CopyText(text, size, part);
}

int MakeTemporaryPath(const char* target, char* temporary) {
    int slash = FindLast(target, '\\');
    if (!CopyText(temporary, MAX_PATH, target))
        return 0;
    temporary[slash + 1] = 0;
    return AppendText(temporary, MAX_PATH, TemporaryName);
}
