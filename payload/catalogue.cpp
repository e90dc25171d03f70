// Validating walk of the payload header and the catalogue.
#include "payload/catalogue.h"

CatalogueStatus ReadPayloadHeader(const FileReader* reader, uint32_t payloadOffset,
                                  PayloadHeader* header) {
    uint8_t bytes[PayloadHeaderSize];
    if (static_cast<uint64_t>(payloadOffset) + PayloadHeaderSize > reader->size)
        return CatalogueHeaderOutsideFile;
    if (!ReadExact(reader, payloadOffset, bytes, PayloadHeaderSize))
        return CatalogueReadFailed;
    DecodePayloadHeader(bytes, header);
    return CatalogueOk;
}

CatalogueStatus ReadPayloadEntry(const FileReader* reader, uint32_t payloadOffset, uint32_t index,
                                 PayloadEntry* entry) {
    uint8_t bytes[PayloadEntrySize];
    uint64_t offset = CatalogueRecordOffset(payloadOffset, index);
    if (offset + PayloadEntrySize > reader->size)
        return CatalogueNoTerminator;
    if (!ReadExact(reader, offset, bytes, PayloadEntrySize))
        return CatalogueReadFailed;
    DecodePayloadEntry(bytes, entry);
    return CatalogueOk;
}

bool IsUsableExtension(const PayloadEntry* entry) {
    uint32_t length = ExtensionLength(entry);
    const uint8_t* text = entry->extension;
    if (length == 1 && text[0] == '.')
        return false;
    if (length == 2 && text[0] == '.' && text[1] == '.')
        return false;
    for (uint32_t i = 0; i < length; ++i) {
        uint8_t c = text[i];
        if (c < 0x20)
            return false;
        switch (c) {
            case '\\':
            case '/':
            case ':':
            case '<':
            case '>':
            case '"':
            case '|':
            case '?':
            case '*':
                return false;
            default:
                break;
        }
    }
    return true;
}

CatalogueStatus CheckPayloadEntry(const PayloadEntry* entry, uint32_t index, uint32_t fileSize) {
    if (entry->dataOffset >= PayloadSizeLimit)
        return CatalogueOffsetTooLarge;
    if (entry->expandedLength >= PayloadSizeLimit)
        return CatalogueExpandedTooLarge;
    if (static_cast<uint64_t>(entry->dataOffset) + entry->storedLength > fileSize)
        return CatalogueDataOutsideFile;
    // The first two entries are named without their extension field.
    if (index >= 2 && !IsUsableExtension(entry))
        return CatalogueBadExtension;
    return CatalogueOk;
}

CatalogueStatus ValidateCatalogue(const FileReader* reader, uint32_t payloadOffset,
                                  CatalogueSummary* summary) {
    summary->entryCount = 0;
    summary->firstFileNumber = 0;
    summary->totalInstalledSize = 0;
    summary->faultIndex = 0;

    PayloadHeader header;
    CatalogueStatus status = ReadPayloadHeader(reader, payloadOffset, &header);
    if (status != CatalogueOk)
        return status;
    summary->firstFileNumber = header.firstFileNumber;

    // Every record must lie inside the file, so the walk ends after at most
    // size / 16 records and `total` cannot overflow 64 bits.
    uint64_t total = 0;
    for (uint32_t index = 0;; ++index) {
        summary->faultIndex = index;
        PayloadEntry entry;
        status = ReadPayloadEntry(reader, payloadOffset, index, &entry);
        if (status != CatalogueOk)
            return status;
        // The terminator's expandedLength counts too: the stub adds it to the
        // size it shows and compares with the free space.
        total += InstalledSize(&entry);
        if (IsTerminator(&entry)) {
            if (entry.expandedLength >= PayloadSizeLimit)
                return CatalogueExpandedTooLarge;
            if (total >= PayloadSizeLimit)
                return CatalogueTotalTooLarge;
            summary->totalInstalledSize = static_cast<uint32_t>(total);
            return CatalogueOk;
        }
        status = CheckPayloadEntry(&entry, index, reader->size);
        if (status != CatalogueOk)
            return status;
        if (total >= PayloadSizeLimit)
            return CatalogueTotalTooLarge;
        summary->totalInstalledSize = static_cast<uint32_t>(total);
        summary->entryCount = index + 1;
    }
}

const char* CatalogueStatusText(CatalogueStatus status) {
    switch (status) {
        case CatalogueOk:
            return "catalogue intact";
        case CatalogueHeaderOutsideFile:
            return "payload header lies outside the file";
        case CatalogueNoTerminator:
            return "catalogue has no terminator before the end of the file";
        case CatalogueDataOutsideFile:
            return "entry data lies outside the file";
        case CatalogueOffsetTooLarge:
            return "data offset is 2^31 or more";
        case CatalogueExpandedTooLarge:
            return "expanded length is 2^31 or more";
        case CatalogueTotalTooLarge:
            return "installed sizes total 2^31 or more";
        case CatalogueBadExtension:
            return "extension cannot end a Windows file name";
        case CatalogueReadFailed:
            return "read error";
    }
    return "unknown catalogue status";
}
