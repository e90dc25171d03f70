// The installer's program-wide variables: written once each at fixed points
// of the run, zero at program start, never freed.
#pragma once

#include <stdint.h>

#include "platform/win32.h"

const uint32_t SaverDisplayNameSize = 33;

// The installer's own module, stored by WinMain before the main window.
extern HINSTANCE appInstance;
// The saver's display name: the payload's 32-byte saverName and a 33rd byte
// that nothing writes, so the name is always terminated.
extern char saverDisplayName[SaverDisplayNameSize];
// The saver file's name without directory, upper case, ending in ".SCR".
extern char saverFileName[MAX_PATH];

// Outcome of the extraction run, read by the install sequence.
struct ExtractionOutcome {
    int finished;                 // 1 once the run went through the catalogue
    int saverWritten;             // 1 when entry 0, the saver file, is in place
    char firstFailure[MAX_PATH];  // target of the first entry that failed; empty: none
};
extern ExtractionOutcome extraction;

// The process's exit code: 0, or 1 when the installer was damaged or the
// installation stayed incomplete. Posted with the quit message.
extern int exitCode;
// 1 once the main window's destruction posted the quit message.
extern int quitPosted;

// Sets every program-wide variable back to its start value, requiredBytes
// included, so that a test can run the installer more than once in a process.
void ResetProgramState();
