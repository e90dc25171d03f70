// PE32 image headers and section table, parsed from the bytes of an
// executable file.
//
// Map of the parts of a PE32 file this library reads (all little-endian):
//
//   file offset          size  field
//   0                       2  e_magic "MZ"
//   60                      4  e_lfanew: file offset of the PE signature
//   e_lfanew                4  signature "PE\0\0"
//   e_lfanew + 4           20  COFF file header
//     +0   2 Machine (0x14C for i386)
//     +2   2 NumberOfSections
//     +16  2 SizeOfOptionalHeader (224 for PE32 with 16 data directories)
//     +18  2 Characteristics
//   e_lfanew + 24        224   optional header (PE32)
//     +0   2 Magic (0x10B for PE32)
//     +8   4 SizeOfInitializedData: sum of the raw sizes of initialised sections
//     +28  4 ImageBase
//     +32  4 SectionAlignment
//     +36  4 FileAlignment
//     +56  4 SizeOfImage: end of the last section in memory, SectionAlignment-aligned
//     +60  4 SizeOfHeaders
//     +64  4 CheckSum (0 = not set; the loader checks it only for drivers)
//     +92  4 NumberOfRvaAndSizes
//     +96  8 per data directory: RVA (4) and Size (4); 0/0 = absent.
//            1 imports, 2 resources, 4 certificates (the RVA is a file
//            offset there), 5 base relocations, 13 delay imports
//   e_lfanew + 24 + SizeOfOptionalHeader, 40 bytes per section:
//     +0   8 Name, padded with zero bytes
//     +8   4 VirtualSize (0 = use SizeOfRawData)
//     +12  4 VirtualAddress (RVA of the section)
//     +16  4 SizeOfRawData: bytes in the file (0 = nothing in the file, e.g. .bss)
//     +20  4 PointerToRawData: file offset of those bytes
//     +36  4 Characteristics
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/result.h"

namespace veltrane::pe {

inline constexpr std::uint32_t kLfanewOffset = 60;
inline constexpr std::uint16_t kPe32Magic = 0x10B;
inline constexpr std::uint16_t kPe32OptionalHeaderSize = 224;
inline constexpr std::size_t kSectionHeaderSize = 40;

inline constexpr std::size_t kImportDirectory = 1;
inline constexpr std::size_t kResourceDirectory = 2;
inline constexpr std::size_t kCertificateDirectory = 4;
inline constexpr std::size_t kDelayImportDirectory = 13;

// Offsets of fields inside the optional header.
inline constexpr std::size_t kOptSizeOfInitializedData = 8;
inline constexpr std::size_t kOptSizeOfImage = 56;
inline constexpr std::size_t kOptCheckSum = 64;
inline constexpr std::size_t kOptDataDirectories = 96;

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

struct SectionHeader {
    std::array<std::uint8_t, 8> rawName{};
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;
    std::size_t headerOffset = 0;  // file offset of this 40-byte header

    // The name up to its first zero byte (all 8 bytes when there is none).
    std::string Name() const;
};

struct PeImage {
    std::uint32_t peOffset = 0;  // e_lfanew
    std::uint16_t machine = 0;
    std::uint16_t numberOfSections = 0;
    std::uint16_t sizeOfOptionalHeader = 0;
    std::uint16_t optionalMagic = 0;
    std::uint32_t imageBase = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sizeOfImage = 0;
    std::uint32_t checkSum = 0;
    std::vector<DataDirectory> directories;  // NumberOfRvaAndSizes entries
    std::vector<SectionHeader> sections;

    std::size_t OptionalHeaderOffset() const { return peOffset + 24u; }
    std::size_t SectionTableOffset() const { return OptionalHeaderOffset() + sizeOfOptionalHeader; }
    DataDirectory Directory(std::size_t index) const {
        return index < directories.size() ? directories[index] : DataDirectory{};
    }
};

// Parses the headers and section table of a PE32 image. Fails (with a
// message) when the file is not a PE image, is not PE32, or when a header
// or a section's raw data lies outside the file.
Result<PeImage> ParsePeImage(std::span<const std::uint8_t> file);

// The first section whose name, read as a zero-terminated string, equals
// `name` exactly (case-sensitive); nullptr when there is none.
const SectionHeader* FindSection(const PeImage& image, std::string_view name);

// The section whose address range holds `rva`, or nullptr.
const SectionHeader* SectionOfRva(const PeImage& image, std::uint32_t rva);

// File offset of `rva` when it falls into a section's raw data; nullopt when
// it is outside every section or in a part of one that has no file bytes.
std::optional<std::uint32_t> RvaToFileOffset(const PeImage& image, std::uint32_t rva);

// The PE checksum of `file`: 16-bit one's-complement style sum of the file
// with the CheckSum field counted as zero, plus the file length.
std::uint32_t ComputeChecksum(std::span<const std::uint8_t> file, std::size_t checkSumOffset);

// Recomputes the CheckSum field of a parsed image in place.
void UpdateChecksum(std::span<std::uint8_t> file, const PeImage& image);

}  // namespace veltrane::pe
