// Expansion of one compressed payload entry from the running executable into
// a target file, through the platform's file handles. The decoder's state is
// held once, program-wide, and serves one entry at a time.
#pragma once

#include <stdint.h>

#include "platform/win32.h"

// Opens the executable of `instance` and `targetPath` (created, or emptied
// when it exists), expands the `storedLength` bytes at `dataOffset` into
// exactly `expandedLength` bytes of the target, and closes both files.
// Returns 1 when the target received the whole entry; 0 when the executable
// or the target could not be opened, the executable ended or failed before
// `storedLength` bytes were read, or a write came up short (disk full). On 0
// the target may hold part of the entry: callers write to a temporary file.
int ExpandEntry(HINSTANCE instance, uint32_t dataOffset, uint32_t expandedLength,
                uint32_t storedLength, const char* targetPath);
