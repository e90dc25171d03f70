// The payload locator's walk from the DOS header to the marker resource's data.
#include "payload/payload_locator.h"

#include "payload/payload_format.h"

namespace {

// Reads `count` bytes at `offset`, telling a range outside the file apart from
// a reader that fails inside it.
LocateStatus ReadAt(const FileReader* reader, uint64_t offset, void* buffer, uint32_t count) {
    if (offset > reader->size || count > reader->size - offset)
        return LocateOutsideFile;
    return ReadExact(reader, offset, buffer, count) ? LocateOk : LocateReadFailed;
}

// Reads the directory at `directory` and returns its first entry's offset
// field; an empty directory (both entry counts 0) has no first entry.
LocateStatus ReadFirstEntry(const FileReader* reader, uint64_t directory, uint32_t* entryOffset) {
    uint8_t bytes[ResourceDirectorySize];
    LocateStatus status = ReadAt(reader, directory, bytes, ResourceDirectorySize);
    if (status != LocateOk)
        return status;
    if (ReadLe16(bytes + 12) == 0 && ReadLe16(bytes + 14) == 0)
        return LocateEmptyDirectory;
    status = ReadAt(reader, directory + ResourceDirectorySize, bytes, ResourceDirectoryEntrySize);
    if (status != LocateOk)
        return status;
    *entryOffset = ReadLe32(bytes + 4);
    return LocateOk;
}

bool IsResourceSectionName(const uint8_t* name) {
    static const char wanted[6] = {'.', 'r', 's', 'r', 'c', 0};
    for (int i = 0; i < 6; ++i)
        if (name[i] != static_cast<uint8_t>(wanted[i]))
            return false;
    return true;
}

}  // namespace

LocateStatus LocatePayload(const FileReader* reader, uint32_t* payloadOffset) {
    uint8_t word[4];
    if (ReadAt(reader, PeHeaderOffsetPosition, word, 4) != LocateOk)
        return LocateNotPe;
    uint32_t peOffset = ReadLe32(word);
    uint64_t sectionTable = static_cast<uint64_t>(peOffset) + SectionTableDistance;
    if (sectionTable > reader->size)
        return LocateNotPe;
    LocateStatus status = ReadAt(reader, static_cast<uint64_t>(peOffset) + 6, word, 2);
    if (status != LocateOk)
        return status;
    uint16_t sectionCount = ReadLe16(word);

    uint8_t section[SectionHeaderSize];
    bool found = false;
    for (uint32_t i = 0; i < sectionCount && !found; ++i) {
        status = ReadAt(reader, sectionTable + static_cast<uint64_t>(i) * SectionHeaderSize,
                        section, SectionHeaderSize);
        if (status != LocateOk)
            return status;
        found = IsResourceSectionName(section);
    }
    if (!found)
        return LocateNoResourceSection;
    uint32_t virtualAddress = ReadLe32(section + 12);
    uint32_t rawData = ReadLe32(section + 20);

    // Type and name levels: the first entry's offset, bit 31 masked, names a
    // subdirectory relative to the root.
    uint64_t root = rawData;
    uint32_t entryOffset = 0;
    status = ReadFirstEntry(reader, root, &entryOffset);
    for (int level = 0; level < 2 && status == LocateOk; ++level)
        status =
            ReadFirstEntry(reader, root + (entryOffset & ~ResourceSubdirectoryBit), &entryOffset);
    if (status != LocateOk)
        return status;

    // Language level: its offset is taken whole and leads to the data entry.
    uint8_t dataEntry[ResourceDataEntrySize];
    status = ReadAt(reader, root + entryOffset, dataEntry, ResourceDataEntrySize);
    if (status != LocateOk)
        return status;

    int64_t position = static_cast<int64_t>(ReadLe32(dataEntry)) - virtualAddress + rawData;
    if (position < 0 || position >= static_cast<int64_t>(reader->size))
        return LocateOutsideFile;
    *payloadOffset = static_cast<uint32_t>(position);
    return LocateOk;
}

const char* LocateStatusText(LocateStatus status) {
    switch (status) {
        case LocateOk:
            return "payload found";
        case LocateNotPe:
            return "not a PE executable";
        case LocateNoResourceSection:
            return "no .rsrc section";
        case LocateEmptyDirectory:
            return "empty resource directory";
        case LocateOutsideFile:
            return "resource tree points outside the file";
        case LocateReadFailed:
            return "read error";
    }
    return "unknown locator status";
}
