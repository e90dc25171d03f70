// The install sequence.
#include "app/install_sequence.h"

#include "app/extract_dialog.h"
#include "app/message_text.h"
#include "app/number_text.h"
#include "app/order_dialog.h"
#include "app/program_state.h"
#include "app/target_names.h"
#include "app/text.h"
#include "checks/existing_saver.h"
#include "checks/free_space.h"
#include "payload/payload_reader.h"
#include "platform/system_paths.h"

namespace {

// Tells the user that the installation stopped part way, naming the first
// target that could not be written; the finish message, the order panel and
// the start of the saver do not follow.
void ReportIncomplete(const char* caption) {
    char text[MessageTextSize];
    FormatText(text, MessageTextSize, IncompleteText, extraction.firstFailure);
    MessageBoxA(0, text, caption, MB_OK | MB_ICONEXCLAMATION);
    exitCode = 1;
}

// Starts the installed saver by its full path, quoted, so that no program
// search can find a file of the same name elsewhere first.
void StartSaver() {
    char path[MAX_PATH];
    char commandLine[MAX_PATH + 2];
    if (!MakeSaverTargetPath(path))
        return;
    CopyText(commandLine, sizeof commandLine, "\"");
    AppendText(commandLine, sizeof commandLine, path);
    AppendText(commandLine, sizeof commandLine, "\"");
    WinExec(commandLine, SW_SHOW);
}

}  // namespace

void TrimTrailingSpaces(char* name) {
    uint32_t length = TextLength(name);
    while (length > 0 && name[length - 1] == ' ') name[--length] = 0;
}

void RunInstallSequence() {
    ReadSaverName(saverDisplayName);
    if (!ValidatePayload()) {
        MessageBoxA(0, DamagedText, DamagedCaption, MB_OK | MB_ICONEXCLAMATION);
        exitCode = 1;
        return;
    }
    if (!CheckExistingSaver(appInstance))
        return;
    if (!CheckFreeSpace())
        return;

    TrimTrailingSpaces(saverDisplayName);
    char caption[CaptionTextSize];
    FormatText(caption, CaptionTextSize, InstallCaption, saverDisplayName);

    char modulePath[MAX_PATH];
    GetModulePath(appInstance, modulePath);
    MakeSaverFileName(modulePath, saverFileName);

    char windowsDirectory[MAX_PATH];
    GetWindowsFolder(windowsDirectory, MAX_PATH);
    UpperCaseAscii(windowsDirectory);

    char number[ThousandsTextSize];
    FormatThousands(requiredBytes, number);

    char text[MessageTextSize];
    FormatText(text, MessageTextSize, ConfirmText, saverFileName, saverDisplayName,
               windowsDirectory, number);
    if (MessageBoxA(0, text, caption, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
        return;

    SetCursor(LoadCursorA(0, IDC_WAIT));
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(ExtractDialogId), 0, ExtractDialogProc, 0);
    SetCursor(LoadCursorA(0, IDC_ARROW));

    // A dialog that could not run installed nothing.
    if (!extraction.finished && extraction.firstFailure[0] == 0) {
        if (!MakeSaverTargetPath(extraction.firstFailure))
            CopyText(extraction.firstFailure, MAX_PATH, saverFileName);
    }
    if (extraction.firstFailure[0] != 0) {
        ReportIncomplete(caption);
        return;
    }

    char folderBase[MAX_PATH];
    GetWindowsFolder(windowsDirectory, MAX_PATH);
    AppendSeparator(windowsDirectory, MAX_PATH);
    MakeFolderDisplayName(folderBase, MAX_PATH);
    FormatText(text, MessageTextSize, FinishText, windowsDirectory, folderBase);
    MessageBoxA(0, text, caption, MB_OK | MB_ICONEXCLAMATION);

    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(OrderDialogId), 0, OrderInfoDialogProc, 0);
    StartSaver();
}
