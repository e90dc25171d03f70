// Fuzz target: compress, then expand with the installer's decoder: the
// result equals the input at every level, and the stream neither needs bits
// beyond its end nor copies past the entry's end.
//
// Input layout: one byte chooses the level, the rest is the data.
#include <stddef.h>
#include <stdint.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "decode/memory_io.h"
#include "decode/window_decoder.h"
#include "encode/compressor.h"

namespace {

struct Collect {
    std::vector<uint8_t> bytes;
};

int32_t Append(void* context, const uint8_t* buffer, int32_t count) {
    auto* collect = static_cast<Collect*>(context);
    collect->bytes.insert(collect->bytes.end(), buffer, buffer + count);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 16)) {
        return 0;
    }
    const int level = MinLevel + data[0] % (MaxLevel - MinLevel + 1);
    const std::span<const uint8_t> input(data + 1, size - 1);
    const std::vector<uint8_t> packed = CompressEntry(input, level);

    static auto state = std::make_unique<ExpandState>();
    // Garbage in the window positions a stream must not read before writing.
    std::memset(state->window.slidingWindow, 0xA5, sizeof state->window.slidingWindow);
    ResetInputStream(state->input);
    ResetOutputStream(state->output);
    MemoryReader reader{packed.data(), static_cast<uint32_t>(packed.size()), 0};
    Collect out;
    const ExpandResult result =
        ExpandStream(*state, MemorySource(reader), ByteSink{Append, &out},
                     static_cast<uint32_t>(input.size()), static_cast<uint32_t>(packed.size()));
    if (result.status != ExpandOk || result.readBeyondStored || result.copyPastEnd ||
        out.bytes.size() != input.size() ||
        !std::equal(out.bytes.begin(), out.bytes.end(), input.begin())) {
        std::abort();
    }
    return 0;
}
