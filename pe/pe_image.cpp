// Parsing of PE32 headers and the section table; address translation and
// the image checksum.
#include "pe/pe_image.h"

#include <algorithm>
#include <cstdio>

#include "pe/le_bytes.h"

namespace veltrane::pe {

namespace {

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

std::string SectionHeader::Name() const {
    auto end = std::find(rawName.begin(), rawName.end(), std::uint8_t{0});
    return std::string(rawName.begin(), end);
}

Result<PeImage> ParsePeImage(std::span<const std::uint8_t> file) {
    using R = Result<PeImage>;
    if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z')
        return R::Fail("not an executable: no MZ header");
    PeImage image;
    image.peOffset = *ReadLe32(file, kLfanewOffset);
    if (!InBounds(file.size(), image.peOffset, 24) || file[image.peOffset] != 'P' ||
        file[image.peOffset + 1] != 'E' || file[image.peOffset + 2] != 0 ||
        file[image.peOffset + 3] != 0)
        return R::Fail("not a PE image: no PE signature at " + Hex(image.peOffset));

    const std::size_t coff = image.peOffset + 4u;
    image.machine = *ReadLe16(file, coff + 0);
    image.numberOfSections = *ReadLe16(file, coff + 2);
    image.sizeOfOptionalHeader = *ReadLe16(file, coff + 16);

    const std::size_t opt = image.OptionalHeaderOffset();
    auto magic = ReadLe16(file, opt);
    if (!magic)
        return R::Fail("optional header lies beyond the end of the file");
    image.optionalMagic = *magic;
    if (image.optionalMagic != kPe32Magic)
        return R::Fail("not a PE32 image: optional header magic " + Hex(image.optionalMagic));
    if (image.sizeOfOptionalHeader < kOptDataDirectories ||
        !InBounds(file.size(), opt, image.sizeOfOptionalHeader))
        return R::Fail("optional header of " + std::to_string(image.sizeOfOptionalHeader) +
                       " bytes is too short or lies beyond the end of the file");
    image.imageBase = *ReadLe32(file, opt + 28);
    image.sectionAlignment = *ReadLe32(file, opt + 32);
    image.fileAlignment = *ReadLe32(file, opt + 36);
    image.sizeOfImage = *ReadLe32(file, opt + kOptSizeOfImage);
    image.checkSum = *ReadLe32(file, opt + kOptCheckSum);
    const std::uint32_t directoryCount = *ReadLe32(file, opt + 92);
    if (directoryCount > (image.sizeOfOptionalHeader - kOptDataDirectories) / 8)
        return R::Fail(std::to_string(directoryCount) +
                       " data directories do not fit an optional header of " +
                       std::to_string(image.sizeOfOptionalHeader) + " bytes");
    for (std::uint32_t i = 0; i < directoryCount; ++i) {
        const std::size_t at = opt + kOptDataDirectories + 8u * i;
        image.directories.push_back({*ReadLe32(file, at), *ReadLe32(file, at + 4)});
    }

    const std::size_t table = image.SectionTableOffset();
    if (!InBounds(file.size(), table, std::uint64_t{image.numberOfSections} * kSectionHeaderSize))
        return R::Fail("section table lies beyond the end of the file");
    for (std::uint16_t i = 0; i < image.numberOfSections; ++i) {
        const std::size_t at = table + kSectionHeaderSize * i;
        SectionHeader section;
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at), 8, section.rawName.begin());
        section.virtualSize = *ReadLe32(file, at + 8);
        section.virtualAddress = *ReadLe32(file, at + 12);
        section.sizeOfRawData = *ReadLe32(file, at + 16);
        section.pointerToRawData = *ReadLe32(file, at + 20);
        section.characteristics = *ReadLe32(file, at + 36);
        section.headerOffset = at;
        if (section.sizeOfRawData != 0 &&
            !InBounds(file.size(), section.pointerToRawData, section.sizeOfRawData))
            return R::Fail("raw data of section " + section.Name() +
                           " lies beyond the end of the file");
        image.sections.push_back(section);
    }
    return R::Ok(std::move(image));
}

const SectionHeader* FindSection(const PeImage& image, std::string_view name) {
    for (const SectionHeader& section : image.sections) {
        if (section.Name() == name)
            return &section;
    }
    return nullptr;
}

const SectionHeader* SectionOfRva(const PeImage& image, std::uint32_t rva) {
    for (const SectionHeader& section : image.sections) {
        const std::uint32_t span =
            section.virtualSize != 0 ? section.virtualSize : section.sizeOfRawData;
        if (rva >= section.virtualAddress && rva - section.virtualAddress < span)
            return &section;
    }
    return nullptr;
}

std::optional<std::uint32_t> RvaToFileOffset(const PeImage& image, std::uint32_t rva) {
    const SectionHeader* section = SectionOfRva(image, rva);
    if (section == nullptr)
        return std::nullopt;
    const std::uint32_t delta = rva - section->virtualAddress;
    if (delta >= section->sizeOfRawData)
        return std::nullopt;
    return section->pointerToRawData + delta;
}

std::uint32_t ComputeChecksum(std::span<const std::uint8_t> file, std::size_t checkSumOffset) {
    // The CheckSum field itself counts as zero bytes.
    auto byteAt = [&](std::size_t i) -> std::uint32_t {
        if (i >= file.size() || (i >= checkSumOffset && i < checkSumOffset + 4))
            return 0;
        return file[i];
    };
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < file.size(); i += 2) {
        sum += byteAt(i) | byteAt(i + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

void UpdateChecksum(std::span<std::uint8_t> file, const PeImage& image) {
    const std::size_t at = image.OptionalHeaderOffset() + kOptCheckSum;
    WriteLe32(file, at, ComputeChecksum(file, at));
}

}  // namespace veltrane::pe
