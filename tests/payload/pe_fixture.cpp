// Builders of the hand-made PE32 images and payloads used by the tests.
#include "pe_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fixture {

void PutLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes.at(at) = static_cast<uint8_t>(value);
    bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

namespace {

constexpr uint32_t FileAlignment = 0x200;
constexpr uint32_t SectionAlignment = 0x1000;
constexpr uint32_t RsrcTreeSize = 0x68;  // directories, data entry, "LASTRES"

}  // namespace

PeImage MakePe(const std::vector<std::string>& sectionNames, size_t rsrcIndex) {
    PeImage image;
    const uint32_t sectionCount = static_cast<uint32_t>(sectionNames.size());
    image.peOffset = 0x80;
    image.sectionTable = image.peOffset + 248;
    uint32_t headersEnd = image.sectionTable + 40 * sectionCount;
    uint32_t headersSize = (headersEnd + FileAlignment - 1) / FileAlignment * FileAlignment;

    // Every section gets 512 raw bytes at consecutive file and virtual slots;
    // the resource section is last in the file so that the marker's data can
    // end the image.
    std::vector<uint32_t> raw(sectionCount), virt(sectionCount);
    uint32_t nextRaw = headersSize;
    uint32_t nextVirt = SectionAlignment;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        if (i == rsrcIndex)
            continue;
        raw[i] = nextRaw;
        virt[i] = nextVirt;
        nextRaw += FileAlignment;
        nextVirt += SectionAlignment;
    }
    if (rsrcIndex < sectionCount) {
        raw[rsrcIndex] = nextRaw;
        virt[rsrcIndex] = nextVirt;
    }
    uint32_t rsrcRaw = rsrcIndex < sectionCount ? raw[rsrcIndex] : nextRaw;
    uint32_t rsrcVirt = rsrcIndex < sectionCount ? virt[rsrcIndex] : nextVirt;
    // The resource section's raw data is one full aligned block: the tree, the
    // marker's 4 bytes, then padding.
    image.bytes.assign(rsrcRaw + FileAlignment, 0);
    auto& b = image.bytes;

    b[0] = 'M';
    b[1] = 'Z';
    PutLe32(b, 60, image.peOffset);
    std::memcpy(&b[image.peOffset], "PE\0\0", 4);
    uint32_t fileHeader = image.peOffset + 4;
    PutLe16(b, fileHeader + 0, 0x14c);  // i386
    PutLe16(b, fileHeader + 2, static_cast<uint16_t>(sectionCount));
    PutLe16(b, fileHeader + 16, 224);
    PutLe16(b, fileHeader + 18, 0x0102);  // executable, 32-bit machine
    uint32_t optional = fileHeader + 20;
    PutLe16(b, optional + 0, 0x10b);      // PE32
    PutLe32(b, optional + 28, 0x400000);  // ImageBase
    PutLe32(b, optional + 32, SectionAlignment);
    PutLe32(b, optional + 36, FileAlignment);
    PutLe16(b, optional + 40, 4);                            // OS version
    PutLe16(b, optional + 48, 4);                            // subsystem version
    PutLe32(b, optional + 56, nextVirt + SectionAlignment);  // SizeOfImage
    PutLe32(b, optional + 60, headersSize);
    PutLe16(b, optional + 68, 2);                 // GUI
    PutLe32(b, optional + 92, 16);                // NumberOfRvaAndSizes
    PutLe32(b, optional + 96 + 2 * 8, rsrcVirt);  // resource directory
    PutLe32(b, optional + 96 + 2 * 8 + 4, RsrcTreeSize + 4);

    for (uint32_t i = 0; i < sectionCount; ++i) {
        uint32_t h = image.sectionTable + 40 * i;
        const std::string& name = sectionNames[i];
        std::memcpy(&b[h], name.data(), std::min<size_t>(name.size(), 8));
        bool isRsrc = i == rsrcIndex;
        PutLe32(b, h + 8, isRsrc ? RsrcTreeSize + 4 : FileAlignment);  // VirtualSize
        PutLe32(b, h + 12, virt[i]);
        PutLe32(b, h + 16, FileAlignment);  // SizeOfRawData
        PutLe32(b, h + 20, raw[i]);
        PutLe32(b, h + 36, isRsrc ? 0x40000040u : 0x60000020u);
        if (isRsrc)
            image.rsrcSectionHeader = h;
    }
    uint32_t r = rsrcRaw;
    image.root = r;
    image.typeDirectory = r + 0x18;
    image.nameDirectory = r + 0x30;
    image.dataEntry = r + 0x48;
    image.markerData = r + RsrcTreeSize;
    // Root: one named entry, "LASTRES", leading to the type's subdirectory.
    PutLe16(b, r + 12, 1);
    PutLe32(b, r + 16, 0x80000000u | 0x58);
    PutLe32(b, r + 20, 0x80000000u | 0x18);
    // Type: one numbered entry, 1000.
    PutLe16(b, r + 0x18 + 14, 1);
    PutLe32(b, r + 0x18 + 16, 1000);
    PutLe32(b, r + 0x18 + 20, 0x80000000u | 0x30);
    // Name: one language, 1033, leading to the data entry.
    PutLe16(b, r + 0x30 + 14, 1);
    PutLe32(b, r + 0x30 + 16, 1033);
    PutLe32(b, r + 0x30 + 20, 0x48);
    // Data entry: OffsetToData is an RVA; Size 4.
    PutLe32(b, r + 0x48, rsrcVirt + RsrcTreeSize);
    PutLe32(b, r + 0x48 + 4, 4);
    // The type name as a counted UTF-16 string.
    const char* typeName = "LASTRES";
    PutLe16(b, r + 0x58, 7);
    for (int i = 0; i < 7; ++i) PutLe16(b, r + 0x5a + 2 * i, static_cast<uint8_t>(typeName[i]));
    std::memcpy(&b[image.markerData], "LAST", 4);
    return image;
}

std::vector<uint32_t> WritePayload(PeImage& image, const std::string& name,
                                   uint16_t firstFileNumber,
                                   const std::vector<FixtureEntry>& entries) {
    auto& b = image.bytes;
    b.resize(image.markerData);
    uint32_t payload = image.markerData;
    uint32_t dataStart = payload + 34 + 16 * static_cast<uint32_t>(entries.size() + 1);
    b.resize(dataStart, 0);
    std::memcpy(&b[payload], name.data(), std::min<size_t>(name.size(), 32));
    PutLe16(b, payload + 32, firstFileNumber);
    std::vector<uint32_t> records;
    uint32_t data = dataStart;
    for (size_t i = 0; i < entries.size(); ++i) {
        uint32_t record = payload + 34 + 16 * static_cast<uint32_t>(i);
        records.push_back(record);
        const FixtureEntry& e = entries[i];
        PutLe32(b, record, data);
        PutLe32(b, record + 4, static_cast<uint32_t>(e.stored.size()));
        PutLe32(b, record + 8, e.expandedLength);
        std::memcpy(&b[record + 12], e.extension.data(), std::min<size_t>(e.extension.size(), 4));
        b.insert(b.end(), e.stored.begin(), e.stored.end());
        data += static_cast<uint32_t>(e.stored.size());
    }
    return records;
}

FileReader MemoryReader::Reader() {
    return FileReader{&MemoryReader::ReadAt, static_cast<uint32_t>(bytes_.size()), this};
}

int32_t MemoryReader::ReadAt(void* context, uint32_t offset, void* buffer, uint32_t count) {
    auto* self = static_cast<MemoryReader*>(context);
    ++self->readCount;
    if (offset > self->bytes_.size() || count > self->bytes_.size() - offset) {
        ADD_FAILURE() << "read of " << count << " bytes at " << offset << " outside a file of "
                      << self->bytes_.size() << " bytes";
        return -1;
    }
    if (self->failing_ && offset <= self->failAt_ && self->failAt_ - offset < count)
        return -1;
    std::memcpy(buffer, self->bytes_.data() + offset, count);
    return static_cast<int32_t>(count);
}

}  // namespace fixture
