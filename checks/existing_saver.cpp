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
// %s: the installer's base name, to which the text adds ".EXE".
const char RenameText[] =
    "Wenn Sie den Namen der .SCR-Datei \xE4ndern m\xF6"
    "chten, m\xFCssen Sie nur die "
    "Installationsdatei %s.EXE umbenennen und diese dann erneut ausf\xFChren.";

}  // namespace

int CheckExistingSaver(HINSTANCE instance) {
    char name[MAX_PATH];
    char target[MAX_PATH];
    if (!GetModulePath(instance, name) || !GetWindowsFolder(target, MAX_PATH) ||
        !AppendSeparator(target, MAX_PATH))
        return 1;

    // The candidate, which ends the target path: the module path cut at its
    // last '.', then what follows its last backslash, in its own case, with
    // ".SCR". A name too long for a path cannot be installed either; the
    // extraction reports that, so the check lets the run go on.
    const char* base = CutToBaseName(name);
    const char* candidate = target + TextLength(target);
    if (!AppendText(target, MAX_PATH, base) || !AppendText(target, MAX_PATH, ".SCR"))
        return 1;
    if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES)
        return 1;

    char text[MessageTextSize];
    FormatText(text, MessageTextSize, OverwriteText, candidate);
    if (MessageBoxA(0, text, OverwriteCaption, MB_YESNO | MB_ICONQUESTION) != IDNO)
        return 1;

    FormatText(text, MessageTextSize, RenameText, base);
    MessageBoxA(0, text, RenameCaption, MB_OK | MB_ICONINFORMATION);
    return 0;
}
