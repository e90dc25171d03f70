// A folder that extraction writes into without ever leaving it: every name
// is one plain path component, opened relative to the folder's descriptor
// without following symbolic links, and every file appears atomically under
// its name (written to a temporary name, then renamed).
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "support/result.h"

namespace veltrane {

class OutputFolder {
  public:
    OutputFolder() = default;
    OutputFolder(OutputFolder&& other) noexcept;
    OutputFolder& operator=(OutputFolder&& other) noexcept;
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    ~OutputFolder();

    // Opens the folder at `path`, creating it and its parents when missing.
    // The path itself is the user's choice and may pass through symbolic links.
    static Result<OutputFolder> Open(const std::filesystem::path& path);

    // Opens the subfolder `name`, creating it when missing. Fails when `name`
    // is not one plain component, or is a symbolic link or not a folder.
    Result<OutputFolder> Subfolder(const std::string& name) const;

    // Writes the file `name`: `fill` gets a file descriptor and writes the
    // content, returning an empty Status or the message of a failure. The file
    // appears under its name only when `fill` succeeded. Without `overwrite`
    // an existing entry of that name is left alone and the call fails; with
    // it, an existing file (or a symbolic link, which is replaced, not
    // followed) is replaced atomically.
    Status WriteFile(const std::string& name, bool overwrite,
                     const std::function<Status(int fd)>& fill) const;

    // The folder's path for messages.
    const std::filesystem::path& Path() const { return path_; }

  private:
    int fd_ = -1;
    std::filesystem::path path_;
};

// True when `name` can be created as one entry of a folder: not empty, not
// "." or "..", no '/' and no zero byte.
bool IsPlainComponent(const std::string& name);

}  // namespace veltrane
