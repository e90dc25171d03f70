// Names of every file and folder the installer writes, derived from the
// installer's own module path and the Windows directory. All paths are built
// in MAX_PATH buffers; a name that would not fit is refused (result 0),
// never cut.
//
//   saver file      <Windows>\<SAVER BASE>.SCR, whole path upper-cased
//   data folder     <Windows>\PELLIVAR\VELTRANE\<folder base>
//   data file       <data folder>\<folder base>.DAT
//   numbered files  <data folder>\FILE<nnnn><extension>
//
// The saver base is the module's file name cut at its first '.', upper
// case; the folder base is the module path cut at its last '.', then what
// follows its last backslash, in its own case.
#pragma once

#include <stdint.h>

// Fills `name` (MAX_PATH bytes) with the saver file name for `modulePath`:
// the file name up to its first '.', ".SCR" appended, upper-cased.
// Returns 0 when it does not fit.
int MakeSaverFileName(const char* modulePath, char* name);

// Fills `path` (MAX_PATH bytes) with the saver file's target path: the
// Windows directory, a separator and saverFileName, all upper-cased.
// Returns 0 when the Windows directory cannot be had or the path does not fit.
int MakeSaverTargetPath(char* path);

// Fills `path` (MAX_PATH bytes) with the data folder path and creates each
// of its levels (PELLIVAR, VELTRANE, the folder base); levels that exist or
// cannot be made are passed over. Returns 0 when the path cannot be built.
int MakeDataFolder(char* path);

// As MakeDataFolder, without creating anything.
int MakeDataFolderPath(char* path);

// Completes the target path of catalogue entry `index` in `path`, which
// holds the data folder for index 1 and later (MakeDataFolder) and the saver
// file's target path for index 0 (left as it is). `extension` is the
// entry's 4-byte field. Returns 0 when the path does not fit.
int MakeTargetPath(uint32_t index, uint16_t firstFileNumber, const uint8_t* extension, char* path);

// Fills `text` (`size` bytes) with the last level of the data folder as the
// finish message shows it: a backslash and the folder base, upper-cased.
// Returns 0 when the module path cannot be had or the text does not fit.
int MakeFolderDisplayName(char* text, uint32_t size);

// Fills `temporary` (MAX_PATH bytes) with the path of the temporary file an
// entry is written to before it replaces `target`: a fixed name in the same
// folder, which no target name can equal. Returns 0 when it does not fit.
int MakeTemporaryPath(const char* target, char* temporary);
