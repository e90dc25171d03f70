// Byte sources and sinks over memory, for callers that hold an entry's data
// in memory (the authoring tool, the tests) or only want to check it.
#pragma once

#include <stdint.h>

#include "decode/block_streams.h"

// Serves data[pos ... size-1], then reports the end.
struct MemoryReader {
    const uint8_t* data;
    uint32_t size;
    uint32_t pos;
};

inline int32_t ReadMemory(void* context, uint8_t* buffer, int32_t count) {
    MemoryReader* reader = static_cast<MemoryReader*>(context);
    uint32_t left = reader->size - reader->pos;
    uint32_t n = static_cast<uint32_t>(count) < left ? static_cast<uint32_t>(count) : left;
    for (uint32_t i = 0; i < n; ++i) {
        buffer[i] = reader->data[reader->pos + i];
    }
    reader->pos += n;
    return static_cast<int32_t>(n);
}

inline ByteSource MemorySource(MemoryReader& reader) {
    return ByteSource{ReadMemory, &reader};
}

// Takes every byte and keeps only their count.
struct DiscardWriter {
    uint64_t taken;
};

inline int32_t WriteDiscard(void* context, const uint8_t*, int32_t count) {
    static_cast<DiscardWriter*>(context)->taken += static_cast<uint32_t>(count);
    return count;
}

inline ByteSink DiscardSink(DiscardWriter& writer) {
    return ByteSink{WriteDiscard, &writer};
}
