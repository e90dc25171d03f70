// A read-only memory mapping of a whole file, the way the tool reads
// installers and input files: the kernel pages the bytes in as they are
// touched, so a 100 MB file costs no 100 MB of heap.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "payload/file_reader.h"
#include "support/result.h"

namespace veltrane {

class MappedFile {
  public:
    MappedFile() = default;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // Maps a regular file of at most 2^32 - 1 bytes (the largest a 32-bit
    // payload offset can address). Fails, naming the file, when it cannot be
    // opened, is not a regular file, or is larger.
    static Result<MappedFile> Open(const std::filesystem::path& path);

    // A view of bytes already in memory (at most 2^32 - 1 of them), read the
    // same way; the bytes must outlive the view.
    static MappedFile View(std::span<const uint8_t> bytes);

    std::span<const uint8_t> Bytes() const { return {data_, size_}; }
    uint32_t Size() const { return static_cast<uint32_t>(size_); }
    // A reader over the mapping for the payload core; valid while this lives.
    FileReader Reader() const;

  private:
    static int32_t ReadAt(void* context, uint32_t offset, void* buffer, uint32_t count);
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    bool mapped_ = false;
};

}  // namespace veltrane
