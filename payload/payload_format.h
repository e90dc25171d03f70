// The payload that the packer writes into an installer: its layout, the two
// record types and the little-endian coding of their fields. Pure code, used
// unchanged by the stub and by the host tools.
//
// Payload map. Offsets count from the payload's first byte, which is the file
// offset of the marker resource's data (see payload_locator.h); the payload
// runs to the end of the executable file. All numbers are little-endian.
//
//   offset        size       field            meaning
//   0             32         saverName        display name, single-byte ANSI;
//                                             ends at its first 0 byte, or
//                                             fills all 32 bytes when it has none
//   32            2          firstFileNumber  number of the first numbered data
//                                             file (0 is a valid number: FILE0000)
//   34            16 * n     catalogue        n PayloadEntry records, in the order
//                                             of installation
//   34 + 16 * n   16         terminator       a PayloadEntry whose storedLength is
//                                             0; written as 16 zero bytes
//   50 + 16 * n   ...        data areas       the data of each entry, reached only
//                                             through its dataOffset/storedLength
//
// PayloadEntry, 16 bytes:
//
//   offset  size  field           meaning
//   0       4     dataOffset      absolute position of the entry's data in the
//                                 executable file (not relative to the payload)
//   4       4     storedLength    bytes the data occupies in the file; 0 marks the
//                                 terminator, so no entry can be empty
//   8       4     expandedLength  0: the entry is stored, its data is the file;
//                                 else the data is a compressed bit stream that
//                                 expands to exactly this many bytes
//   12      4     extension       up to 4 single-byte characters, ended by a 0 byte
//                                 when shorter; appended to the name of a numbered
//                                 file (".TMP"); unused for the first two entries
//
// Roles by position: entry 0 is the saver file, entry 1 the data file, entry 2
// and later the numbered files firstFileNumber, firstFileNumber + 1, ...
//
// Limits every writer keeps and every validating reader checks: each
// dataOffset and expandedLength below 2^31, and the total of the installed
// sizes below 2^31 (the stub seeks and counts in signed 32-bit numbers).
#pragma once

#include <stdint.h>

const uint32_t SaverNameSize = 32;
const uint32_t PayloadHeaderSize = 34;
const uint32_t PayloadEntrySize = 16;
const uint32_t ExtensionSize = 4;
// Exclusive upper bound of dataOffset, expandedLength and the total of the
// installed sizes.
const uint32_t PayloadSizeLimit = 0x80000000u;

struct PayloadHeader {
    uint8_t saverName[SaverNameSize];
    uint16_t firstFileNumber;
};

struct PayloadEntry {
    uint32_t dataOffset;
    uint32_t storedLength;
    uint32_t expandedLength;
    uint8_t extension[ExtensionSize];
};

inline uint16_t ReadLe16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline uint32_t ReadLe32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline void WriteLe16(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline void WriteLe32(uint8_t* bytes, uint32_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
    bytes[2] = static_cast<uint8_t>(value >> 16);
    bytes[3] = static_cast<uint8_t>(value >> 24);
}

// Decodes the 34 bytes of a payload header.
inline void DecodePayloadHeader(const uint8_t* bytes, PayloadHeader* header) {
    for (uint32_t i = 0; i < SaverNameSize; ++i) header->saverName[i] = bytes[i];
    header->firstFileNumber = ReadLe16(bytes + SaverNameSize);
}

// Encodes a payload header into 34 bytes.
inline void EncodePayloadHeader(const PayloadHeader* header, uint8_t* bytes) {
    for (uint32_t i = 0; i < SaverNameSize; ++i) bytes[i] = header->saverName[i];
    WriteLe16(bytes + SaverNameSize, header->firstFileNumber);
}

// Decodes one 16-byte catalogue record.
inline void DecodePayloadEntry(const uint8_t* bytes, PayloadEntry* entry) {
    entry->dataOffset = ReadLe32(bytes);
    entry->storedLength = ReadLe32(bytes + 4);
    entry->expandedLength = ReadLe32(bytes + 8);
    for (uint32_t i = 0; i < ExtensionSize; ++i) entry->extension[i] = bytes[12 + i];
}

// Encodes one catalogue record into 16 bytes.
inline void EncodePayloadEntry(const PayloadEntry* entry, uint8_t* bytes) {
    WriteLe32(bytes, entry->dataOffset);
    WriteLe32(bytes + 4, entry->storedLength);
    WriteLe32(bytes + 8, entry->expandedLength);
    for (uint32_t i = 0; i < ExtensionSize; ++i) bytes[12 + i] = entry->extension[i];
}

// True for the record that ends the catalogue.
inline bool IsTerminator(const PayloadEntry* entry) {
    return entry->storedLength == 0;
}

// True when the entry's data is compressed rather than stored.
inline bool IsCompressed(const PayloadEntry* entry) {
    return entry->expandedLength != 0;
}

// The number of bytes the entry occupies once installed.
inline uint32_t InstalledSize(const PayloadEntry* entry) {
    return entry->expandedLength != 0 ? entry->expandedLength : entry->storedLength;
}

// File offset of catalogue record `index` for a payload at `payloadOffset`,
// as a 64-bit number so that no header value can make it wrap.
inline uint64_t CatalogueRecordOffset(uint32_t payloadOffset, uint32_t index) {
    return static_cast<uint64_t>(payloadOffset) + PayloadHeaderSize +
           static_cast<uint64_t>(index) * PayloadEntrySize;
}

// Length of the extension field's text: up to its first 0 byte, at most 4.
inline uint32_t ExtensionLength(const PayloadEntry* entry) {
    uint32_t length = 0;
    while (length < ExtensionSize && entry->extension[length] != 0) ++length;
    return length;
}
