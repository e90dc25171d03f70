// Fuzz target: the decoder on any stream and any lengths. It always ends,
// hands the sink exactly expandedLength bytes when it reports success and
// never more, never reads behind the entry's stored bytes, and calls an
// entry truncated only when its source really ended early.
//
// Input layout: expandedLength (3 bytes, little-endian, low 20 bits: below 1 MiB),
// storedLength (4 bytes, little-endian), then the stream's bytes.
#include <stddef.h>
#include <stdint.h>

#include <cstdlib>
#include <memory>

#include "decode/memory_io.h"
#include "decode/window_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 7) {
        return 0;
    }
    const uint32_t expandedLength = (data[0] | data[1] << 8 | data[2] << 16) & 0xFFFFF;
    const uint32_t storedLength = data[3] | data[4] << 8 | data[5] << 16 | uint32_t(data[6]) << 24;
    static auto state = std::make_unique<ExpandState>();
    ResetInputStream(state->input);
    ResetOutputStream(state->output);
    MemoryReader reader{data + 7, static_cast<uint32_t>(size - 7), 0};
    DiscardWriter writer{0};
    const ExpandResult result = ExpandStream(*state, MemorySource(reader), DiscardSink(writer),
                                             expandedLength, storedLength);

    if (writer.taken > expandedLength || reader.pos > storedLength) {
        std::abort();  // wrote past the entry, or read behind its data
    }
    if (result.status == ExpandOk && writer.taken != expandedLength) {
        std::abort();  // success without the whole entry
    }
    if (result.status == ExpandTruncated && reader.size >= storedLength) {
        std::abort();  // called truncated although every stored byte was there
    }
    return 0;
}
