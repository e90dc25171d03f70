// The resource directory of a PE image as a tree: walking it from the raw
// bytes of the resource section and laying it out again.
//
// Map of the resource section (offsets relative to the section's start,
// all little-endian):
//
//   directory table, 16 bytes, followed by its entries
//     +0   4 Characteristics (0)
//     +4   4 TimeDateStamp (0 = not set)
//     +8   2 MajorVersion, +10 2 MinorVersion
//     +12  2 NumberOfNamedEntries: entries named by a string; listed first,
//            sorted by name
//     +14  2 NumberOfIdEntries: entries named by a number; listed after the
//            named ones, ascending
//   directory entry, 8 bytes
//     +0   4 bit 31 set: offset of the entry's name string; clear: its
//            16-bit number
//     +4   4 bit 31 set: offset of a subdirectory table; clear: offset of a
//            data entry
//   name string: 2-byte count of UTF-16 units, then the units (no zero)
//   data entry, 16 bytes
//     +0   4 OffsetToData: RVA of the resource's bytes (not a section offset)
//     +4   4 Size in bytes
//     +8   4 CodePage (0 = none)
//     +12  4 Reserved (0)
//
// Levels: the root lists types, each type lists names, each name lists
// languages, and each language leads to a data entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "support/result.h"

namespace veltrane::pe {

inline constexpr std::size_t kResourceDirectorySize = 16;
inline constexpr std::size_t kResourceEntrySize = 8;
inline constexpr std::size_t kResourceDataEntrySize = 16;
inline constexpr std::uint32_t kResourceHighBit = 0x80000000u;
// Resource data is placed on this alignment when the section is laid out.
inline constexpr std::uint32_t kResourceDataAlignment = 8;

// A resource type, name or language: a number or a string.
struct ResourceName {
    bool isString = false;
    std::uint16_t id = 0;
    std::u16string text;

    bool operator==(const ResourceName&) const = default;
    // The number in decimal, or the string (ASCII units as they are, others
    // as '?'), for messages.
    std::string Display() const;
};

struct ResourceNode {
    ResourceName name;  // of the entry that leads here; empty for the root
    bool isDirectory = true;
    // Directory table fields (isDirectory).
    std::uint32_t characteristics = 0;
    std::uint32_t timeDateStamp = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::vector<ResourceNode> children;  // in table order
    // Data entry fields (!isDirectory).
    std::uint32_t dataRva = 0;
    std::uint32_t dataSize = 0;
    std::uint32_t codePage = 0;
    std::uint32_t reserved = 0;
};

struct ResourceTree {
    ResourceNode root;
    // Section offset just past the last byte of any directory table, entry,
    // name string or data entry: the tree's own bytes end before it.
    std::uint32_t structureEnd = 0;
};

// A data leaf with the names on its path from the root (type, name,
// language for a well-formed tree).
struct ResourceLeaf {
    std::vector<ResourceName> path;
    const ResourceNode* node = nullptr;

    std::string PathText() const;  // e.g. "LASTRES/1000/1033"
};

// Walks the resource tree stored in `section` (the resource section's raw
// bytes, the root directory at offset 0). Fails with a message when a table,
// entry, string or data entry lies outside `section`, when directories nest
// deeper than kMaxResourceDepth (which also stops loops), when a directory
// declares more entries than fit, or when the walk meets more than
// kMaxResourceEntries entries (directories shared between parents could
// otherwise make the walk exponential).
inline constexpr int kMaxResourceDepth = 8;
inline constexpr std::uint32_t kMaxResourceEntries = 65536;
Result<ResourceTree> ParseResourceTree(std::span<const std::uint8_t> section);

// Every data leaf in tree order (depth first, entries in table order).
std::vector<ResourceLeaf> ListLeaves(const ResourceTree& tree);

// The leaf reached by taking the first entry of every directory from the
// root down, as the stub's payload locator does; nullptr when a directory
// on the way has no entries.
const ResourceNode* FirstEntryLeaf(const ResourceTree& tree);

// Lays the tree out anew as the bytes of a resource section placed at
// `sectionRva`: all directory tables (breadth first), the data entries, the
// name strings, then each leaf's data on kResourceDataAlignment, in the
// order of the leaves' current RVAs except that `lastLeaf` (a node of
// `tree`, may be nullptr) comes last. `dataOf` gives a leaf's current bytes.
// The data entries of the result carry the new RVAs; sizes, code pages and
// every directory field are kept. Fails when `dataOf` fails for a leaf or
// the section would pass kMaxResourceSectionSize.
inline constexpr std::uint32_t kMaxResourceSectionSize = 64u << 20;
using ResourceDataSource =
    std::function<Result<std::span<const std::uint8_t>>(const ResourceNode&)>;
Result<std::vector<std::uint8_t>> LayOutResourceSection(const ResourceTree& tree,
                                                        std::uint32_t sectionRva,
                                                        const ResourceDataSource& dataOf,
                                                        const ResourceNode* lastLeaf);

}  // namespace veltrane::pe
