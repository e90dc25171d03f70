// Bounded text and path routines of the stub, in place of the C runtime's:
// every routine is given the size of its target buffer and never writes past
// it. Texts are zero-terminated single-byte strings.
#pragma once

#include <stdint.h>

// Length of `text` in bytes, without the terminator.
uint32_t TextLength(const char* text);

// Copies `source` into `target` (`size` bytes). Returns 1 when all of it
// fitted; 0 when it did not, `target` then holding as much as fits,
// terminated.
int CopyText(char* target, uint32_t size, const char* source);

// Appends `source` to the text in `target` (`size` bytes); results as
// CopyText.
int AppendText(char* target, uint32_t size, const char* source);

// Appends at most `count` bytes of `source`; results as CopyText.
int AppendTextPart(char* target, uint32_t size, const char* source, uint32_t count);

// Appends a backslash unless the text already ends in one (an empty text
// gets none). Returns 0 when the backslash does not fit.
int AppendSeparator(char* path, uint32_t size);

// Changes the ASCII letters a to z into A to Z; every other byte stays.
void UpperCaseAscii(char* text);

// Index of the last / first `c` in `text`, or -1 when there is none.
int FindLast(const char* text, char c);
int FindFirst(const char* text, char c);

// Cuts `path` at its last '.', when it has one, and returns what then
// follows its last backslash (all of it when there is none).
char* CutToBaseName(char* path);

// Fills `target` (`size` bytes) from `format`, putting the arguments in
// order in place of each "%s" (a null or missing argument counts as empty).
// Returns 1 when the whole text fitted; 0 when it was cut, `target` then
// holding as much as fits, terminated.
int FormatText(char* target, uint32_t size, const char* format, const char* first = 0,
               const char* second = 0, const char* third = 0, const char* fourth = 0);
