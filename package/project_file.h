// The project file of `veltrane pack`: the same settings as its command line,
// kept beside the files they name.
//
// Format: UTF-8 text, one "key = value" per line; blank lines and lines
// whose first non-blank character is '#' are ignored; spaces around keys and
// values are dropped. Keys:
//
//   name = Sea World          display name (required here or on the command line)
//   output = sea.exe          the installer to write
//   stub = stub.exe           the stub to write it into
//   first-number = 9          number of the first numbered file, 0 ... 65535
//   compression = auto        auto | stored | compressed
//   level = 9                 1 (fastest) ... 9 (smallest)
//   saver = sea.scr           the saver file (entry 0)
//   data = sea.dat            the data file (entry 1)
//   file = picture.bmp        a numbered file (entries 2 ...), in order
//   extension = .BMP          the extension of the numbered file named on the
//                             line before, instead of the one of its name
//
// Relative paths count from the project file's folder. Each key but `file`
// and `extension` may appear once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/result.h"

namespace veltrane {

struct ProjectFile {
    struct NumberedFile {
        std::filesystem::path path;
        std::optional<std::string> extension;  // UTF-8, when given
    };
    std::optional<std::string> name;  // UTF-8
    std::optional<std::filesystem::path> output;
    std::optional<std::filesystem::path> stub;
    std::optional<uint16_t> firstNumber;
    std::optional<std::string> compression;  // "auto", "stored" or "compressed"
    std::optional<int> level;
    std::optional<std::filesystem::path> saver;
    std::optional<std::filesystem::path> data;
    std::vector<NumberedFile> files;
};

// Parses the text of a project file that lives in `folder`. Fails with a
// message giving the line number and what is wrong.
Result<ProjectFile> ParseProjectFile(const std::string& text, const std::filesystem::path& folder);

// Reads and parses a project file; messages name the file.
Result<ProjectFile> ReadProjectFile(const std::filesystem::path& path);

// Parses a decimal number in [low, high], digits only.
std::optional<uint32_t> ParseNumber(std::string_view text, uint32_t low, uint32_t high);

}  // namespace veltrane
