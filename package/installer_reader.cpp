// Host-side reading of installers.
#include "package/installer_reader.h"

#include <algorithm>

#include "decode/memory_io.h"
#include "decode/window_decoder.h"
#include "payload/payload_locator.h"

namespace veltrane {

std::string InstallerCatalogue::DisplayName() const {
    const char* name = reinterpret_cast<const char*>(header.saverName);
    return std::string(name, std::find(name, name + SaverNameSize, '\0'));
}

Result<InstallerCatalogue> ReadInstallerCatalogue(const MappedFile& file) {
    FileReader reader = file.Reader();
    InstallerCatalogue catalogue;
    LocateStatus located = LocatePayload(&reader, &catalogue.payloadOffset);
    if (located != LocateOk)
        return Result<InstallerCatalogue>::Fail(std::string("no payload: ") +
                                                LocateStatusText(located));
    CatalogueStatus status = ReadPayloadHeader(&reader, catalogue.payloadOffset, &catalogue.header);
    if (status != CatalogueOk)
        return Result<InstallerCatalogue>::Fail(std::string("no payload: ") +
                                                CatalogueStatusText(status));
    catalogue.status = ValidateCatalogue(&reader, catalogue.payloadOffset, &catalogue.summary);

    // Each record on its own, so that intact entries stay usable behind a
    // damaged one. Every record lies inside the file, which bounds the walk.
    for (uint32_t index = 0;; ++index) {
        CatalogueEntry entry;
        entry.index = index;
        if (ReadPayloadEntry(&reader, catalogue.payloadOffset, index, &entry.record) != CatalogueOk)
            break;
        if (IsTerminator(&entry.record))
            break;
        entry.fault = CheckPayloadEntry(&entry.record, index, file.Size());
        catalogue.entries.push_back(entry);
    }
    return Result<InstallerCatalogue>::Ok(std::move(catalogue));
}

namespace {

std::string UsedUp(const PayloadEntry& record) {
    return "compressed stream is used up before its expanded length of " +
           std::to_string(record.expandedLength) + " bytes is reached";
}

}  // namespace

EntryExpander::EntryExpander() : state_(new ExpandState{}) {}

EntryExpander::~EntryExpander() = default;

EntryBytesResult EntryExpander::Expand(const MappedFile& file, const PayloadEntry& record,
                                       const ByteSink& sink) {
    EntryBytesResult result;
    std::span<const uint8_t> bytes = file.Bytes();
    if (static_cast<uint64_t>(record.dataOffset) + record.storedLength > bytes.size()) {
        result.outcome = ExpandOutcome::Damaged;
        result.problem = "data lies outside the file";
        return result;
    }
    const uint8_t* data = bytes.data() + record.dataOffset;

    if (!IsCompressed(&record)) {
        constexpr uint32_t Chunk = 1u << 20;
        for (uint32_t done = 0; done < record.storedLength;) {
            uint32_t n = std::min(Chunk, record.storedLength - done);
            if (sink.write(sink.context, data + done, static_cast<int32_t>(n)) !=
                static_cast<int32_t>(n)) {
                result.outcome = ExpandOutcome::SinkFailed;
                return result;
            }
            done += n;
        }
        return result;
    }

    if (record.expandedLength >= PayloadSizeLimit) {
        result.outcome = ExpandOutcome::Damaged;
        result.problem = "expanded length is 2^31 or more";
        return result;
    }
    // Every symbol takes at least 1 bit and a copy of at most 30 bytes takes
    // at least 10 (a 1-bit symbol and a 9-bit distance), so each stored bit
    // yields at most 3 bytes. A longer expandedLength can only be reached by
    // decoding on from zero bits, as the installer would, possibly for 2 GiB;
    // such an entry is damaged and not decoded at all.
    if (uint64_t{record.expandedLength} > 24 * uint64_t{record.storedLength} + MaxCopyLength) {
        result.outcome = ExpandOutcome::Damaged;
        result.problem = UsedUp(record);
        return result;
    }
    MemoryReader memory{data, record.storedLength, 0};
    ByteSource source = MemorySource(memory);
    ResetInputStream(state_->input);
    ResetOutputStream(state_->output);
    ExpandResult expanded =
        ExpandStream(*state_, source, sink, record.expandedLength, record.storedLength);
    switch (expanded.status) {
        case ExpandOk:
            break;
        case ExpandWriteFailed:
            result.outcome = ExpandOutcome::SinkFailed;
            return result;
        case ExpandTruncated:
        case ExpandReadFailed:
            result.outcome = ExpandOutcome::Damaged;
            result.problem = "compressed data cannot be read";
            return result;
    }
    if (expanded.readBeyondStored) {
        result.outcome = ExpandOutcome::Damaged;
        result.problem = UsedUp(record);
    } else if (expanded.copyPastEnd) {
        result.outcome = ExpandOutcome::Damaged;
        result.problem = "compressed stream runs past its expanded length of " +
                         std::to_string(record.expandedLength) + " bytes";
    }
    return result;
}

}  // namespace veltrane
