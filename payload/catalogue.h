// Validating readers of the payload header and the catalogue (layout in
// payload_format.h), over a FileReader. The stub runs ValidateCatalogue once
// before it installs anything and refuses a damaged installer; the host tools
// run the same checks before they list, test or extract.
#pragma once

#include <stdint.h>

#include "payload/file_reader.h"
#include "payload/payload_format.h"

enum CatalogueStatus {
    CatalogueOk = 0,
    // The 34-byte payload header does not lie wholly inside the file.
    CatalogueHeaderOutsideFile,
    // The file ends before the terminator record (a truncated installer).
    CatalogueNoTerminator,
    // An entry's data, dataOffset + storedLength, reaches beyond the file.
    CatalogueDataOutsideFile,
    // An entry's dataOffset is 2^31 or more.
    CatalogueOffsetTooLarge,
    // An entry's expandedLength is 2^31 or more.
    CatalogueExpandedTooLarge,
    // The installed sizes add up to 2^31 or more.
    CatalogueTotalTooLarge,
    // A numbered entry's extension holds a character no Windows file name may
    // hold, or is "." or "..".
    CatalogueBadExtension,
    // The reader failed inside the file.
    CatalogueReadFailed,
};

struct CatalogueSummary {
    // Entries before the terminator. After a fault: the entries checked before
    // the faulty one.
    uint32_t entryCount;
    uint16_t firstFileNumber;
    // Sum of the installed sizes of all records, the terminator's included
    // (its expandedLength, normally 0), as the stub adds them up.
    uint32_t totalInstalledSize;
    // Index of the record at fault; equal to entryCount. Meaningless on
    // CatalogueOk and on the header faults.
    uint32_t faultIndex;
};

// Reads the payload header at `payloadOffset`. Returns CatalogueOk,
// CatalogueHeaderOutsideFile or CatalogueReadFailed.
CatalogueStatus ReadPayloadHeader(const FileReader* reader, uint32_t payloadOffset,
                                  PayloadHeader* header);

// Reads catalogue record `index` without judging it. Returns CatalogueOk,
// CatalogueNoTerminator when the record is not wholly inside the file, or
// CatalogueReadFailed.
CatalogueStatus ReadPayloadEntry(const FileReader* reader, uint32_t payloadOffset, uint32_t index,
                                 PayloadEntry* entry);

// True when the extension field, up to its first 0 byte, can end a Windows
// file name: no control characters, none of \ / : < > " | ? *, and not "."
// or ".." alone. An empty extension is usable.
bool IsUsableExtension(const PayloadEntry* entry);

// Checks one record (not the terminator) at catalogue position `index` in a
// file of `fileSize` bytes: its limits, its data range and, from index 2 on,
// its extension. Returns CatalogueOk or the first fault found.
CatalogueStatus CheckPayloadEntry(const PayloadEntry* entry, uint32_t index, uint32_t fileSize);

// Walks the whole catalogue of the payload at `payloadOffset`, checking every
// record and the total, and fills *summary. Returns CatalogueOk for a payload
// that the stub can install safely, else the first fault in catalogue order.
// Reads each record once; time is linear in the number of records.
CatalogueStatus ValidateCatalogue(const FileReader* reader, uint32_t payloadOffset,
                                  CatalogueSummary* summary);

// A short English description of a status, for diagnostics.
const char* CatalogueStatusText(CatalogueStatus status);
