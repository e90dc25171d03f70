// Reading an installer on the host: its payload header and catalogue through
// the payload core, and the bytes of each entry through the installer's own
// decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decode/block_streams.h"
#include "package/mapped_file.h"
#include "payload/catalogue.h"
#include "payload/payload_format.h"
#include "support/result.h"

struct ExpandState;

namespace veltrane {

struct CatalogueEntry {
    uint32_t index = 0;
    PayloadEntry record{};
    // CatalogueOk when the record is sound on its own (CheckPayloadEntry).
    CatalogueStatus fault = CatalogueOk;
};

struct InstallerCatalogue {
    uint32_t payloadOffset = 0;
    PayloadHeader header{};
    // Every record before the terminator; when the file ends before it, the
    // records read up to there.
    std::vector<CatalogueEntry> entries;
    // The whole walk's verdict (ValidateCatalogue): CatalogueOk or the first
    // fault in catalogue order.
    CatalogueStatus status = CatalogueOk;
    CatalogueSummary summary{};

    // saverName up to its first zero byte, as Windows-1252 bytes.
    std::string DisplayName() const;
};

// Finds and reads the payload. Fails with a message (without the file's
// name) when the file holds no payload or its header lies outside the file.
// A damaged catalogue is no failure here: `status` names the first fault and
// `entries` holds whatever could be read, each with its own verdict.
Result<InstallerCatalogue> ReadInstallerCatalogue(const MappedFile& file);

// Calls f(bytes, count), which returns true to go on, for ByteSink.
template <typename F>
ByteSink MakeSink(F& f) {
    return ByteSink{[](void* context, const uint8_t* buffer, int32_t count) -> int32_t {
                        return (*static_cast<F*>(context))(buffer, count) ? count : -1;
                    },
                    &f};
}

enum class ExpandOutcome {
    Ok,          // the sink received exactly the entry's installed size
    Damaged,     // the entry's data is damaged; `problem` says how
    SinkFailed,  // the sink refused bytes
};

struct EntryBytesResult {
    ExpandOutcome outcome = ExpandOutcome::Ok;
    std::string problem;  // for Damaged
};

// Produces the bytes of entries as the installer installs them: stored data
// copied, compressed data expanded by the installer's decoder. Holds one
// decoder state, reused from entry to entry as the installer reuses its own,
// so entries should be expanded in catalogue order.
class EntryExpander {
  public:
    EntryExpander();
    ~EntryExpander();
    EntryExpander(const EntryExpander&) = delete;
    EntryExpander& operator=(const EntryExpander&) = delete;

    // Writes the bytes of `record` to `sink`. A compressed entry counts as
    // damaged when its stream ends before its expandedLength is reached (the
    // installer would go on from zero bits) or its last copy runs past it;
    // the sink may then already hold bytes.
    EntryBytesResult Expand(const MappedFile& file, const PayloadEntry& record,
                            const ByteSink& sink);

  private:
    std::unique_ptr<ExpandState> state_;
};

}  // namespace veltrane
