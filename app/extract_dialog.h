// The extraction dialog (template 103): it stands on the screen while every
// catalogue entry is written to its target, then makes the installed saver
// the default screen saver. The run starts by itself: the initialisation
// posts the dialog its own OK command. Its outcome goes to `extraction`
// (program_state.h).
#pragma once

#include <stdint.h>

#include "platform/win32.h"

const int ExtractDialogId = 103;
const int SaverLineId = 1001;
const uint32_t CopyBufferSize = 2048;

// Dialog procedure. WM_INITDIALOG: sets the texts, centres the dialog and
// posts WM_COMMAND IDOK. WM_COMMAND with wParam exactly IDOK or IDCANCEL:
// runs ExtractPayload and RegisterDefaultSaver, then ends the dialog with
// wParam. Returns TRUE for those messages, FALSE for every other.
INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Installs every catalogue entry in order, each through a temporary file
// that replaces its target only once complete, and records in `extraction`
// whether the saver file was written and the first target that failed. A
// failed entry does not stop the run; a payload that cannot be read on ends it.
void ExtractPayload();

// Copies the stored entry of `storedLength` bytes at `dataOffset` of the
// open executable `payload` into a new file `targetPath`, through `buffer`
// (CopyBufferSize bytes). Returns 1 when the file holds all the entry's
// bytes; 0 when it cannot be created, a read fails, the executable ends
// early or a write comes up short. The file is left in place either way.
int CopyStoredEntry(HFILE payload, uint32_t dataOffset, uint32_t storedLength, uint8_t* buffer,
                    const char* targetPath);

// Writes the saver file's path (its short form where there is one) as
// SCRNSAVE.EXE of section boot in system.ini and switches screen saving on.
// Does nothing when the saver file was not written.
void RegisterDefaultSaver();
