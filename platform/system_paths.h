// The installer's two path queries, made safe: the results always come back
// terminated, and a path that does not fit its buffer counts as a failure
// rather than being used cut.
#pragma once

#include "platform/win32.h"

// Fills `path` (MAX_PATH bytes) with the full path of `module` (null: the
// running executable). Returns 1 on success, 0 when the path could not be
// obtained or is longer than 259 characters (`path` is then empty).
int GetModulePath(HMODULE module, char* path);

// Fills `path` (`size` bytes) with the Windows directory as the system
// reports it. Returns 1 on success, 0 on failure or when it does not fit
// (`path` is then empty).
int GetWindowsFolder(char* path, UINT size);
