// The extraction dialog and the extraction run.
#include "app/extract_dialog.h"

#include "app/dialog_placement.h"
#include "app/message_text.h"
#include "app/program_state.h"
#include "app/target_names.h"
#include "app/text.h"
#include "decode/expand_entry.h"
#include "payload/payload_format.h"
#include "payload/payload_reader.h"
#include "platform/system_paths.h"

namespace {

void NoteFailure(const char* target) {
    if (extraction.firstFailure[0] == 0)
        CopyText(extraction.firstFailure, MAX_PATH, target);
}

// When the run cannot go on, the entries not yet installed are named by
// where they would have gone: the saver file, or the data folder after it.
void NoteRunBroken(uint32_t index, const char* saverTarget) {
    char folder[MAX_PATH];
    if (index == 0 || !MakeDataFolderPath(folder)) {
        NoteFailure(saverTarget);
    } else {
        NoteFailure(folder);
    }
}

int ReadRecord(HFILE payload, PayloadEntry* entry) {
    uint8_t bytes[PayloadEntrySize];
    if (_lread(payload, bytes, PayloadEntrySize) != PayloadEntrySize)
        return 0;
    DecodePayloadEntry(bytes, entry);
    return 1;
}

// Writes one entry to a temporary file beside `target` and moves it into
// place once complete, so that a failure leaves no partial file and keeps the
// file it was to replace. A compressed entry closes *payload for the
// expansion and reopens it (HFILE_ERROR when that fails). Returns 1 when the
// target holds the entry.
int InstallEntry(HFILE* payload, const PayloadEntry* entry, uint8_t* buffer, const char* target) {
    char temporary[MAX_PATH];
    if (!MakeTemporaryPath(target, temporary))
        return 0;
    int written;
    if (IsCompressed(entry)) {
        _lclose(*payload);
        written = ExpandEntry(appInstance, entry->dataOffset, entry->expandedLength,
                              entry->storedLength, temporary);
        *payload = OpenPayload();
    } else {
        written =
            CopyStoredEntry(*payload, entry->dataOffset, entry->storedLength, buffer, temporary);
    }
    if (written)
        written = MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!written)
        DeleteFileA(temporary);
    return written;
}

}  // namespace

int CopyStoredEntry(HFILE payload, uint32_t dataOffset, uint32_t storedLength, uint8_t* buffer,
                    const char* targetPath) {
    if (_llseek(payload, static_cast<LONG>(dataOffset), FILE_BEGIN) !=
        static_cast<LONG>(dataOffset))
        return 0;
    HFILE target = _lcreat(targetPath, 0);
    if (target == HFILE_ERROR)
        return 0;
    int complete = 1;
    uint32_t copied = 0;
    while (copied < storedLength) {
        // Only the entry's own bytes are read, so no read asks past its end.
        UINT wanted =
            storedLength - copied < CopyBufferSize ? storedLength - copied : CopyBufferSize;
        UINT got = _lread(payload, buffer, wanted);
        if (got == static_cast<UINT>(HFILE_ERROR) || got == 0 || got > wanted ||
            _lwrite(target, reinterpret_cast<LPCSTR>(buffer), got) != got) {
            complete = 0;
            break;
        }
        copied += got;
    }
    if (_lclose(target) == HFILE_ERROR)
        complete = 0;
    return complete;
}

void ExtractPayload() {
    char saverTarget[MAX_PATH];
    int saverNamed = MakeSaverTargetPath(saverTarget);
    if (saverTarget[0] == 0)
        CopyText(saverTarget, MAX_PATH, saverFileName);

    HFILE payload = OpenPayload();
    uint8_t* buffer = static_cast<uint8_t*>(LocalAlloc(LMEM_FIXED, CopyBufferSize));
    uint8_t number[2];
    if (payload == HFILE_ERROR || buffer == 0 ||
        _llseek(payload, static_cast<LONG>(SaverNameSize), FILE_CURRENT) == HFILE_ERROR ||
        _lread(payload, number, 2) != 2) {
        NoteFailure(saverTarget);
    } else {
        uint16_t firstFileNumber = ReadLe16(number);
        PayloadEntry entry;
        uint32_t index = 0;
        int haveRecord = ReadRecord(payload, &entry);
        while (haveRecord && !IsTerminator(&entry)) {
            char target[MAX_PATH];
            int named;
            if (index == 0) {
                named = saverNamed;
                CopyText(target, MAX_PATH, saverTarget);
            } else {
                named = MakeDataFolder(target) &&
                        MakeTargetPath(index, firstFileNumber, entry.extension, target);
            }
            LONG next = _llseek(payload, 0, FILE_CURRENT);
            int written =
                named && next != HFILE_ERROR && InstallEntry(&payload, &entry, buffer, target);
            if (!written)
                NoteFailure(target);
            if (index == 0)
                extraction.saverWritten = written;
            ++index;
            haveRecord = payload != HFILE_ERROR && next != HFILE_ERROR &&
                         _llseek(payload, next, FILE_BEGIN) == next && ReadRecord(payload, &entry);
        }
        // Only the terminator ends the run cleanly; anything else leaves the
        // remaining entries uninstalled.
        if (!haveRecord)
            NoteRunBroken(index, saverTarget);
    }
    if (buffer != 0)
        LocalFree(buffer);
    if (payload != HFILE_ERROR)
        _lclose(payload);
    extraction.finished = 1;
}

void RegisterDefaultSaver() {
    if (!extraction.saverWritten)
        return;
    char path[MAX_PATH];
    if (!GetWindowsFolder(path, MAX_PATH) || !AppendSeparator(path, MAX_PATH) ||
        !AppendText(path, MAX_PATH, saverFileName))
        return;
    // Without a short form that fits, the long path names the same file.
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path, shortPath, MAX_PATH);
    const char* value = length == 0 || length >= MAX_PATH ? path : shortPath;
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", value, "system.ini");
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, 0, SPIF_UPDATEINIFILE);
}

INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        char text[CaptionTextSize];
        FormatText(text, CaptionTextSize, InstallCaption, saverDisplayName);
        SetWindowTextA(dialog, text);
        FormatText(text, CaptionTextSize, SaverLineText, saverDisplayName);
        SetDlgItemTextA(dialog, SaverLineId, text);
        CenterOnScreen(dialog);
        PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        return TRUE;
    }
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        ExtractPayload();
        RegisterDefaultSaver();
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        return TRUE;
    }
    return FALSE;
}
