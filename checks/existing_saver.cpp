// The existing screen saver check.
#include "checks/existing_saver.h"

#include "app/message_text.h"
#include "app/text.h"
#include "platform/system_paths.h"

namespace {

const char OverwriteCaption[] =
    "Bildschirmschoner \xFC"
    "berschreiben?";
const char OverwriteText[] =
    "Auf Ihrem Computer ist bereits ein Bildschirmschoner mit dem Namen %s vorhanden. "
    "Soll dieser ersetzt werden?";
const char RenameCaption[] = "Installationsdatei umbenennen";
const char RenameText[] =
    "Wenn Sie den Namen der .SCR-Datei \xE4ndern m\xF6"
    "chten, m\xFCssen Sie nur die "
    "Installationsdatei %s umbenennen und diese dann erneut ausf\xFChren.";

}  // namespace

int CheckExistingSaver(HINSTANCE instance) {
    char name[MAX_PATH];
    char windowsDirectory[MAX_PATH];
    if (!GetModulePath(instance, name) || !GetWindowsFolder(windowsDirectory, MAX_PATH))
        return 1;

    // The candidate: the module path cut at its last '.', then what follows
    // its last backslash, in its own case, with ".SCR".
    int dot = FindLast(name, '.');
    if (dot >= 0)
        name[dot] = 0;
    int slash = FindLast(name, '\\');
    char base[MAX_PATH];
    CopyText(base, MAX_PATH, name + slash + 1);
    char candidate[MAX_PATH];
    char target[MAX_PATH];
    CopyText(candidate, MAX_PATH, base);
    // A name too long for a path cannot be installed either; the extraction
    // reports that, so the check lets the run go on.
    if (!AppendText(candidate, MAX_PATH, ".SCR") || !CopyText(target, MAX_PATH, windowsDirectory) ||
        !AppendSeparator(target, MAX_PATH) || !AppendText(target, MAX_PATH, candidate))
        return 1;
    if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES)
        return 1;

    char text[MessageTextSize];
    FormatText(text, MessageTextSize, OverwriteText, candidate);
    if (MessageBoxA(0, text, OverwriteCaption, MB_YESNO | MB_ICONQUESTION) != IDNO)
        return 1;

    char installer[MAX_PATH + 4];
    CopyText(installer, sizeof installer, base);
    AppendText(installer, sizeof installer, ".EXE");
    FormatText(text, MessageTextSize, RenameText, installer);
    MessageBoxA(0, text, RenameCaption, MB_OK | MB_ICONINFORMATION);
    return 0;
}
