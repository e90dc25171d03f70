// An abstract random-access reader over one file, the only way the payload
// core reaches bytes: the stub backs it with its file handle, the host tools
// with a mapped or streamed file, the tests with a byte array.
#pragma once

#include <stdint.h>

struct FileReader {
    // Reads up to `count` bytes at `offset` into `buffer`; returns the number of
    // bytes read (fewer at the end of the file) or a negative value on an error.
    int32_t (*readAt)(void* context, uint32_t offset, void* buffer, uint32_t count);
    // The file's size in bytes; nothing at or beyond it is ever requested.
    uint32_t size;
    void* context;
};

// Reads exactly `count` bytes at `offset`. Returns false, reading nothing,
// when the range does not lie wholly inside the file (a 64-bit offset so that
// callers can pass sums that would wrap in 32 bits), and false when the reader
// delivers fewer bytes than asked.
inline bool ReadExact(const FileReader* reader, uint64_t offset, void* buffer, uint32_t count) {
    if (offset > reader->size || count > reader->size - offset)
        return false;
    int32_t got = reader->readAt(reader->context, static_cast<uint32_t>(offset), buffer, count);
    return got >= 0 && static_cast<uint32_t>(got) == count;
}
