// Fuzz target: the payload locator and the catalogue walk on any file. No
// access outside the file; a located payload lies inside it; a catalogue that
// passes has its terminator, and every entry's data, inside the file.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <cstdlib>

#include "payload/catalogue.h"
#include "payload/payload_locator.h"

namespace {

struct Bytes {
    const uint8_t* data;
    uint32_t size;
};

int32_t ReadBytes(void* context, uint32_t offset, void* buffer, uint32_t count) {
    const Bytes* bytes = static_cast<const Bytes*>(context);
    if (offset > bytes->size || count > bytes->size - offset) {
        std::abort();  // the core promised never to ask for this
    }
    memcpy(buffer, bytes->data + offset, count);
    return static_cast<int32_t>(count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes bytes{data, static_cast<uint32_t>(size)};
    const FileReader reader{ReadBytes, bytes.size, &bytes};
    uint32_t payloadOffset = 0xFFFFFFFFu;
    if (LocatePayload(&reader, &payloadOffset) != LocateOk) {
        return 0;
    }
    if (payloadOffset >= bytes.size) {
        std::abort();
    }
    CatalogueSummary summary{};
    if (ValidateCatalogue(&reader, payloadOffset, &summary) != CatalogueOk) {
        return 0;
    }
    for (uint32_t i = 0; i < summary.entryCount; ++i) {
        PayloadEntry entry{};
        if (ReadPayloadEntry(&reader, payloadOffset, i, &entry) != CatalogueOk ||
            uint64_t(entry.dataOffset) + entry.storedLength > bytes.size) {
            std::abort();
        }
    }
    return 0;
}
