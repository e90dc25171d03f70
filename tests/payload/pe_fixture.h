// Hand-built installer images for tests: a minimal PE32 with a .rsrc section
// whose resource tree holds the marker resource first at each level, and a
// builder for the payload written at the marker's data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/file_reader.h"

namespace fixture {

// Where the interesting parts of a built image lie, so that tests can damage
// one field at a time.
struct PeImage {
    std::vector<uint8_t> bytes;
    uint32_t peOffset = 0;           // e_lfanew
    uint32_t sectionTable = 0;       // first section header
    uint32_t rsrcSectionHeader = 0;  // the .rsrc section's header
    uint32_t root = 0;               // root resource directory (PointerToRawData)
    uint32_t typeDirectory = 0;      // LASTRES's subdirectory
    uint32_t nameDirectory = 0;      // name 1000's subdirectory
    uint32_t dataEntry = 0;          // the marker's data entry
    uint32_t markerData = 0;         // file offset of the marker's 4 data bytes
};

// Builds an image whose section table holds `sectionNames` in order (each at
// most 8 bytes, zero-padded; may contain explicit zeros). The resource tree
// goes into the section at `rsrcIndex`, whatever its name; every other
// section gets 512 zero bytes. The resource section comes last in the file,
// 512 bytes long: the tree, the marker's 4 placeholder bytes, zero padding.
PeImage MakePe(const std::vector<std::string>& sectionNames = {".text", ".rsrc"},
               size_t rsrcIndex = 1);

// One file to put in a payload.
struct FixtureEntry {
    std::vector<uint8_t> stored;  // the bytes written as the entry's data
    uint32_t expandedLength = 0;  // 0 for a stored entry
    std::string extension;        // at most 4 bytes
};

// Replaces the image's bytes from the marker's data on with a payload:
// header, records, a terminator of 16 zero bytes, then the data areas in
// order. Returns the file offset of each record.
std::vector<uint32_t> WritePayload(PeImage& image, const std::string& name,
                                   uint16_t firstFileNumber,
                                   const std::vector<FixtureEntry>& entries);

void PutLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);
void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);

// A FileReader over a byte array that records a test failure when asked
// for anything outside the array, and can be told to fail at one offset.
class MemoryReader {
  public:
    explicit MemoryReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    FileReader Reader();
    // Reads that touch [offset, offset + 1) fail with -1 from now on.
    void FailAt(uint32_t offset) {
        failAt_ = offset;
        failing_ = true;
    }
    uint32_t readCount = 0;

  private:
    static int32_t ReadAt(void* context, uint32_t offset, void* buffer, uint32_t count);
    const std::vector<uint8_t>& bytes_;
    uint32_t failAt_ = 0;
    bool failing_ = false;
};

}  // namespace fixture
