// Moves the marker resource's data behind all other resource data.
#include "pe/marker_relay.h"

#include <algorithm>
#include <span>

#include "pe/le_bytes.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"

namespace veltrane::pe {

namespace {

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
    if (alignment == 0)
        return value;
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

Result<RelayOutcome> MoveMarkerDataLast(std::vector<std::uint8_t>& file) {
    using R = Result<RelayOutcome>;
    auto image = ParsePeImage(file);
    if (!image)
        return R::Fail(image.error);
    const SectionHeader* found = FindSection(*image, ".rsrc");
    if (found == nullptr)
        return R::Fail("no .rsrc section");
    const SectionHeader rsrc = *found;
    const std::span<const std::uint8_t> whole(file);
    auto tree = ParseResourceTree(whole.subspan(rsrc.pointerToRawData, rsrc.sizeOfRawData));
    if (!tree)
        return R::Fail(tree.error);
    const ResourceNode* marker = FirstEntryLeaf(*tree);
    if (marker == nullptr)
        return R::Fail(
            "the resource tree has an empty directory on the first entries' path: no marker "
            "resource");

    const PeImage& pe = *image;
    auto dataOf = [&](const ResourceNode& leaf) -> Result<std::span<const std::uint8_t>> {
        using D = Result<std::span<const std::uint8_t>>;
        auto offset = RvaToFileOffset(pe, leaf.dataRva);
        const SectionHeader* section = SectionOfRva(pe, leaf.dataRva);
        if (leaf.dataSize == 0)
            return D::Ok({});
        if (!offset || section == nullptr ||
            !InBounds(std::uint64_t{section->pointerToRawData} + section->sizeOfRawData, *offset,
                      leaf.dataSize))
            return D::Fail("resource data at RVA " + std::to_string(leaf.dataRva) + " (" +
                           std::to_string(leaf.dataSize) +
                           " bytes) does not lie within a section's file data");
        return D::Ok(whole.subspan(*offset, leaf.dataSize));
    };
    auto laidOut = LayOutResourceSection(*tree, rsrc.virtualAddress, dataOf, marker);
    if (!laidOut)
        return R::Fail(laidOut.error);
    const std::vector<std::uint8_t>& section = *laidOut;
    const auto newSize = static_cast<std::uint32_t>(section.size());

    const std::uint32_t memoryEnd = rsrc.virtualAddress + AlignUp(newSize, pe.sectionAlignment);
    for (const SectionHeader& other : pe.sections) {
        if (other.headerOffset != rsrc.headerOffset && other.virtualAddress > rsrc.virtualAddress &&
            other.virtualAddress < memoryEnd)
            return R::Fail("the re-laid .rsrc section needs " + std::to_string(newSize) +
                           " bytes but section " + other.Name() + " follows it in memory");
    }

    std::vector<std::uint8_t> out = file;
    std::uint32_t rawSize = rsrc.sizeOfRawData;
    if (newSize > rawSize) {
        const std::uint32_t rsrcEnd = rsrc.pointerToRawData + rsrc.sizeOfRawData;
        const std::uint32_t grownRaw = AlignUp(newSize, pe.fileAlignment);
        for (const SectionHeader& other : pe.sections) {
            if (other.headerOffset != rsrc.headerOffset && other.sizeOfRawData != 0 &&
                other.pointerToRawData >= rsrcEnd)
                return R::Fail("the re-laid .rsrc section needs " + std::to_string(grownRaw) +
                               " bytes but section " + other.Name() + " follows it in the file");
        }
        out.insert(out.begin() + rsrcEnd, grownRaw - rawSize, std::uint8_t{0});
        const std::size_t initData = pe.OptionalHeaderOffset() + kOptSizeOfInitializedData;
        WriteLe32(out, initData, *ReadLe32(out, initData) + (grownRaw - rawSize));
        rawSize = grownRaw;
        WriteLe32(out, rsrc.headerOffset + 16, rawSize);
    }
    std::copy(section.begin(), section.end(), out.begin() + rsrc.pointerToRawData);
    std::fill(out.begin() + rsrc.pointerToRawData + newSize,
              out.begin() + rsrc.pointerToRawData + rawSize, std::uint8_t{0});
    WriteLe32(out, rsrc.headerOffset + 8, newSize);
    if (pe.directories.size() > kResourceDirectory &&
        pe.directories[kResourceDirectory].rva == rsrc.virtualAddress)
        WriteLe32(out, pe.OptionalHeaderOffset() + kOptDataDirectories + 8 * kResourceDirectory + 4,
                  newSize);

    // SizeOfImage covers the end of the last section in memory.
    std::uint32_t imageEnd = 0;
    for (const SectionHeader& s : pe.sections) {
        std::uint32_t span = s.virtualSize != 0 ? s.virtualSize : s.sizeOfRawData;
        if (s.headerOffset == rsrc.headerOffset)
            span = newSize;
        imageEnd = std::max(imageEnd, s.virtualAddress + span);
    }
    WriteLe32(out, pe.OptionalHeaderOffset() + kOptSizeOfImage,
              AlignUp(imageEnd, pe.sectionAlignment));
    UpdateChecksum(out, pe);

    RelayOutcome outcome;
    outcome.changed = out != file;
    outcome.markerDataOffset = 0;
    // The marker's data is the last block of the laid-out section.
    auto relaid = ParseResourceTree(std::span<const std::uint8_t>(section));
    if (relaid) {
        const ResourceNode* moved = FirstEntryLeaf(*relaid);
        if (moved != nullptr)
            outcome.markerDataOffset =
                rsrc.pointerToRawData + (moved->dataRva - rsrc.virtualAddress);
    }
    file = std::move(out);
    return R::Ok(outcome);
}

}  // namespace veltrane::pe
