// The stub's readers of its own payload, over file handles of the
// executable: each call opens the executable anew, finds the payload with
// the locator (payload_locator.h) and closes what it opened.
#pragma once

#include <stdint.h>

#include "payload/file_reader.h"
#include "platform/win32.h"

// Sum of the installed sizes of all catalogue records, filled by
// SumRequiredBytes; 0 at program start.
extern uint32_t requiredBytes;

// Opens the running executable and positions the handle at the payload's
// first byte. Returns the handle, which the caller closes with _lclose, or
// HFILE_ERROR when the executable cannot be opened or holds no payload.
HFILE OpenPayload();

// Reads the 32 bytes of the payload's saverName into `name` (at least 32
// bytes), without adding a terminator. Leaves `name` untouched when there is
// no payload.
void ReadSaverName(char* name);

// Adds the installed size of every catalogue record, the terminator's
// included, to requiredBytes. Returns 1 when the payload could be opened,
// 0 when not (requiredBytes is then unchanged). A catalogue that runs into
// the end of the file ends the walk there.
int SumRequiredBytes();

// Checks the whole payload before anything is installed: found, its
// catalogue ended inside the file, every entry's data inside the file, sizes
// and total below 2^31, extensions usable in file names. Returns 1 when the
// installer is intact, 0 when it is damaged or incomplete.
int ValidatePayload();

// A FileReader over an open handle of the executable. `file` is the
// context; `size` the file's size.
struct HandleReader {
    HFILE file;
};

// Sets up `reader` over `handle->file`. Returns 0 when the file's size
// cannot be taken (or is 2^31 bytes or more).
int MakeHandleReader(HandleReader* handle, FileReader* reader);
