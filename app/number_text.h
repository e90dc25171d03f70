// Decimal number texts of the installer's messages and file names.
#pragma once

#include <stdint.h>

// Smallest buffer FormatThousands needs: "4,294,967,295" and the terminator.
const uint32_t ThousandsTextSize = 14;

// Writes `value` into `text` (at least ThousandsTextSize bytes) as decimal
// digits with ',' between groups of three, counted from the right, whatever
// the user's regional settings: 1234567 gives "1,234,567", 0 gives "0".
// Returns `text`.
char* FormatThousands(uint32_t value, char* text);

// Writes `value` into `text` (at least 11 bytes) in decimal, left-padded
// with '0' to four digits; longer numbers are written whole (10000 gives
// "10000"). Returns `text`.
char* FormatFileNumber(uint32_t value, char* text);
