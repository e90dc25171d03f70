// The DLLs a PE32 image imports, read from its import and delay-import
// directories.
//
// Map of the import directory (data directory 1): an array of 20-byte
// descriptors ended by one of all zero bytes.
//   +0   4 OriginalFirstThunk: RVA of the lookup table (0 in some old images)
//   +4   4 TimeDateStamp (0 = not bound)
//   +8   4 ForwarderChain
//   +12  4 Name: RVA of the DLL's zero-terminated ASCII name
//   +16  4 FirstThunk: RVA of the import address table
// Map of the delay-import directory (data directory 13): 32-byte
// descriptors ended by one of all zero bytes.
//   +0   4 Attributes: bit 0 set = fields are RVAs; clear = virtual
//          addresses (image base added)
//   +4   4 DllName: address of the DLL's zero-terminated ASCII name
//   +8..+31 the handle, address table, name table, bound and unload tables
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "support/result.h"

namespace veltrane::pe {

struct ImportedDll {
    std::string name;      // as stored, e.g. "KERNEL32.dll"
    bool delayed = false;  // from the delay-import directory
};

// Every DLL named by the import descriptors, then by the delay-import
// descriptors, in table order. Fails with a message when a table or name
// lies outside the file's section data or a table has no end.
Result<std::vector<ImportedDll>> ListImportedDlls(std::span<const std::uint8_t> file);

}  // namespace veltrane::pe
