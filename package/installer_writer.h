// Writing an installer: the stub's bytes up to its marker data, then the
// payload (header, catalogue, terminator, data areas), read back and checked
// against its inputs before it replaces the output file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/result.h"

namespace veltrane {

enum class Compression {
    Auto,        // compress an entry only when that makes it smaller
    Stored,      // store every entry
    Compressed,  // compress every entry, even when it grows
};

struct PackInput {
    std::filesystem::path path;
    // Windows-1252 bytes, at most 4, written into the record's extension
    // field; only numbered files (the third input on) use it.
    std::string extension;
};

struct PackRequest {
    std::filesystem::path output;
    std::filesystem::path stub;
    std::string displayName;  // Windows-1252 bytes, 1 to 32 of them
    uint16_t firstFileNumber = 0;
    std::vector<PackInput> inputs;  // the saver first, then the data file, then numbered files
    Compression compression = Compression::Auto;
    int level = 0;  // 1 fastest ... 9 smallest; 0 for the compressor's default
    // Called now and then with a short description of the work and the input
    // bytes done so far out of all; may be empty.
    std::function<void(std::string_view what, uint64_t done, uint64_t total)> progress;
};

struct PackedEntry {
    bool compressed = false;
    uint32_t storedLength = 0;
    uint32_t expandedLength = 0;  // installed size
};

struct PackReport {
    std::vector<PackedEntry> entries;
    uint64_t installerSize = 0;
    bool compressorAvailable = false;
};

// Writes the installer `request.output` atomically: into a temporary file
// beside it, read back and every entry expanded and compared with its
// input, then renamed over the output. Fails with a message naming the file
// and the fault, leaving no partial output, when: the stub fails the stub
// check, an input cannot be read, is not a regular file or is empty, the
// installed sizes reach 2^31 bytes, the installer would place data at 2^31
// bytes or beyond, the output is the stub or an input, or writing fails. The
// same request gives the same bytes. A payload shorter than the stub's file
// data behind the marker is followed by zero bytes up to the end of that
// data, so the file still holds every section's bytes; a stub's nonzero PE
// checksum is recomputed over the whole installer.
Result<PackReport> PackInstaller(const PackRequest& request);

// True when this build has a compressor; without one every entry is stored.
bool CompressorAvailable();

// Windows-1252 bytes of a display name given in UTF-8; fails when it is
// empty, longer than 32 bytes in Windows-1252, not representable there, or
// holds control characters.
Result<std::string> EncodeDisplayName(std::string_view utf8);

// Windows-1252 bytes of an extension given in UTF-8 ("" allowed); fails when
// it is longer than 4 characters or the installer could not use it in a file
// name.
Result<std::string> EncodeExtension(std::string_view utf8);

// The extension of a numbered file's name: from its last '.' on (".bmp"),
// or "" when the name has none.
std::string ExtensionOfFileName(const std::filesystem::path& path);

}  // namespace veltrane
