// The free-space check on the drive of the Windows directory.
#pragma once

#include <stdint.h>

// Free space that could not be determined; above every required amount.
const uint32_t UnknownFreeKilobytes = 0xFFFFFFFFu;

// Sums the catalogue into requiredBytes, measures the free space of the
// Windows directory's drive and, unless it is larger than what is needed,
// shows the disk-full warning with both amounts in kilobytes. Returns 1 to
// go on (enough space, OK, a warning that could not be shown, or nothing
// that could be measured) and 0 when the user cancels.
int CheckFreeSpace();

// Free kilobytes available to the caller on the drive holding `directory`,
// 4 TiB and more given as UnknownFreeKilobytes, which is also the answer
// when neither query answers. The queries get the directory cut behind its last
// backslash; a directory without one gets none.
uint32_t QueryFreeKilobytes(const char* directory);
