// The names the installer gives each catalogue entry, derived from the
// installer's own file name, for listing and extracting on the host. The
// installer builds the same names over its Windows paths; these functions
// take the installer's file name alone (no directory), as the tool sees it.
//
//   installer "Sea.World.exe", firstFileNumber 9:
//   entry 0  saver file     SEA.SCR                 file name cut at its first
//                                                   '.', upper-cased, ".SCR"
//   entry 1  data file      Sea.World/Sea.World.DAT folder base: the file name
//                                                   cut at its last '.'
//   entry n  numbered file  Sea.World/FILE0009.TMP  number n + 9 - 2, at least
//                                                   4 digits, then the extension
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "payload/payload_format.h"

namespace veltrane {

enum class EntryRole { Saver, DataFile, NumberedFile };

EntryRole RoleOfEntry(uint32_t index);
const char* RoleName(EntryRole role);  // "saver", "data file", "numbered file"

// Upper-cases the ASCII letters a-z only, leaving every other byte.
std::string UpperAscii(std::string_view text);

// "SEA.SCR" for "Sea.World.exe"; ".SCR" for ".x.exe".
std::string SaverFileName(std::string_view installerFileName);

// "Sea.World" for "Sea.World.exe"; a name without a '.' is taken whole.
std::string FolderBase(std::string_view installerFileName);

// The number of the entry at `index` (2 or more): index + firstFileNumber - 2.
uint32_t FileNumber(uint32_t index, uint16_t firstFileNumber);

// Decimal, left-padded with '0' to 4 digits; longer numbers whole.
std::string NumberText(uint32_t number);

// The entry's extension field up to its first zero byte, as bytes.
std::string ExtensionText(const PayloadEntry& entry);

// The file name of the entry at `index`, without its folder: the saver file
// name, the data file name, or FILEnnnn plus the extension. The installer's
// file name is taken as the host spells it; the extension, held in
// Windows-1252, is turned into UTF-8 like every name the tool prints or
// creates.
std::string EntryFileName(std::string_view installerFileName, uint32_t index,
                          uint16_t firstFileNumber, const PayloadEntry& entry);

// The entry's path relative to the folder the saver goes to: the saver's file
// name, or the folder base, '/', and the file name.
std::string EntryRelativePath(std::string_view installerFileName, uint32_t index,
                              uint16_t firstFileNumber, const PayloadEntry& entry);

// Why Windows could not hold a file or folder of this name, or nullopt when
// it can: a reserved device name (CON, NUL, COM1, ... with any extension),
// a name that ends in a dot or a space, "." or "..", or an empty name.
std::optional<std::string> WindowsNameProblem(std::string_view name);

// The name as Windows compares it for equality of files (ASCII letters
// folded to lower case); two names with the same key are the same file there.
std::string CaseKey(std::string_view name);

}  // namespace veltrane
