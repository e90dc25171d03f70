// Walking and laying out the resource directory tree.
#include "pe/resource_tree.h"

#include <algorithm>
#include <deque>
#include <map>

#include "pe/le_bytes.h"

namespace veltrane::pe {

namespace {

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

std::string HexOffset(std::uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    bool started = false;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const unsigned digit = (value >> shift) & 0xF;
        if (digit != 0 || started || shift == 0) {
            text += digits[digit];
            started = true;
        }
    }
    return text;
}

class TreeReader {
  public:
    explicit TreeReader(std::span<const std::uint8_t> section) : section_(section) {}

    std::string error;
    std::uint32_t structureEnd = 0;

    bool ReadDirectory(std::uint32_t offset, int depth, ResourceNode& node) {
        if (depth > kMaxResourceDepth)
            return Fail("resource directories nest deeper than " +
                        std::to_string(kMaxResourceDepth) + " levels at " + HexOffset(offset));
        if (!Covers(offset, kResourceDirectorySize))
            return Fail("resource directory at " + HexOffset(offset) +
                        " lies outside the resource section");
        node.isDirectory = true;
        node.characteristics = *ReadLe32(section_, offset);
        node.timeDateStamp = *ReadLe32(section_, offset + 4);
        node.majorVersion = *ReadLe16(section_, offset + 8);
        node.minorVersion = *ReadLe16(section_, offset + 10);
        const std::uint32_t count =
            std::uint32_t{*ReadLe16(section_, offset + 12)} + *ReadLe16(section_, offset + 14);
        const std::uint32_t entries = offset + kResourceDirectorySize;
        if (!Covers(entries, std::uint64_t{count} * kResourceEntrySize))
            return Fail("the " + std::to_string(count) + " entries of the resource directory at " +
                        HexOffset(offset) + " run past the end of the resource section");
        entriesSeen_ += count;
        if (entriesSeen_ > kMaxResourceEntries)
            return Fail("the resource tree has more than " + std::to_string(kMaxResourceEntries) +
                        " entries");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t at = entries + static_cast<std::uint32_t>(kResourceEntrySize) * i;
            ResourceNode child;
            if (!ReadName(*ReadLe32(section_, at), child.name))
                return false;
            const std::uint32_t target = *ReadLe32(section_, at + 4);
            const bool ok = (target & kResourceHighBit) != 0
                                ? ReadDirectory(target & ~kResourceHighBit, depth + 1, child)
                                : ReadDataEntry(target, child);
            if (!ok)
                return false;
            node.children.push_back(std::move(child));
        }
        return true;
    }

  private:
    std::span<const std::uint8_t> section_;
    std::uint32_t entriesSeen_ = 0;

    bool Fail(std::string message) {
        error = std::move(message);
        return false;
    }

    // True when the range lies inside the section; records it as tree bytes.
    bool Covers(std::uint64_t offset, std::uint64_t count) {
        if (!InBounds(section_.size(), offset, count))
            return false;
        structureEnd = std::max(structureEnd, static_cast<std::uint32_t>(offset + count));
        return true;
    }

    bool ReadName(std::uint32_t field, ResourceName& name) {
        if ((field & kResourceHighBit) == 0) {
            name.isString = false;
            name.id = static_cast<std::uint16_t>(field);
            return true;
        }
        const std::uint32_t offset = field & ~kResourceHighBit;
        if (!Covers(offset, 2))
            return Fail("resource name string at " + HexOffset(offset) +
                        " lies outside the resource section");
        const std::uint16_t length = *ReadLe16(section_, offset);
        if (!Covers(offset + 2u, 2u * length))
            return Fail("resource name string at " + HexOffset(offset) +
                        " runs past the end of the resource section");
        name.isString = true;
        for (std::uint16_t i = 0; i < length; ++i)
            name.text.push_back(static_cast<char16_t>(*ReadLe16(section_, offset + 2u + 2u * i)));
        return true;
    }

    bool ReadDataEntry(std::uint32_t offset, ResourceNode& node) {
        if (!Covers(offset, kResourceDataEntrySize))
            return Fail("resource data entry at " + HexOffset(offset) +
                        " lies outside the resource section");
        node.isDirectory = false;
        node.dataRva = *ReadLe32(section_, offset);
        node.dataSize = *ReadLe32(section_, offset + 4);
        node.codePage = *ReadLe32(section_, offset + 8);
        node.reserved = *ReadLe32(section_, offset + 12);
        return true;
    }
};

void CollectLeaves(const ResourceNode& node, std::vector<ResourceName>& path,
                   std::vector<ResourceLeaf>& out) {
    for (const ResourceNode& child : node.children) {
        path.push_back(child.name);
        if (child.isDirectory)
            CollectLeaves(child, path, out);
        else
            out.push_back({path, &child});
        path.pop_back();
    }
}

}  // namespace

std::string ResourceName::Display() const {
    if (!isString)
        return std::to_string(id);
    std::string out;
    for (char16_t unit : text) out += unit >= 0x20 && unit < 0x7F ? static_cast<char>(unit) : '?';
    return out;
}

std::string ResourceLeaf::PathText() const {
    std::string out;
    for (const ResourceName& name : path) {
        if (!out.empty())
            out += '/';
        out += name.Display();
    }
    return out;
}

Result<ResourceTree> ParseResourceTree(std::span<const std::uint8_t> section) {
    TreeReader reader(section);
    ResourceTree tree;
    if (!reader.ReadDirectory(0, 1, tree.root))
        return Result<ResourceTree>::Fail(reader.error);
    tree.structureEnd = reader.structureEnd;
    return Result<ResourceTree>::Ok(std::move(tree));
}

std::vector<ResourceLeaf> ListLeaves(const ResourceTree& tree) {
    std::vector<ResourceLeaf> leaves;
    std::vector<ResourceName> path;
    CollectLeaves(tree.root, path, leaves);
    return leaves;
}

const ResourceNode* FirstEntryLeaf(const ResourceTree& tree) {
    const ResourceNode* node = &tree.root;
    while (node->isDirectory) {
        if (node->children.empty())
            return nullptr;
        node = &node->children.front();
    }
    return node;
}

Result<std::vector<std::uint8_t>> LayOutResourceSection(const ResourceTree& tree,
                                                        std::uint32_t sectionRva,
                                                        const ResourceDataSource& dataOf,
                                                        const ResourceNode* lastLeaf) {
    using R = Result<std::vector<std::uint8_t>>;

    // First pass: place every directory table breadth first, so that each
    // level's tables sit together as resource compilers lay them out.
    std::vector<const ResourceNode*> directories;
    std::vector<const ResourceNode*> dataNodes;
    std::vector<const ResourceNode*> namedNodes;
    std::map<const ResourceNode*, std::uint32_t> tableAt;
    // 64 bits while names and tables are counted: shared name strings could
    // pass 4 GB before the size limit below is tested.
    std::uint64_t cursor = 0;
    std::deque<const ResourceNode*> queue{&tree.root};
    while (!queue.empty()) {
        const ResourceNode* dir = queue.front();
        queue.pop_front();
        directories.push_back(dir);
        tableAt[dir] = static_cast<std::uint32_t>(cursor);
        cursor += kResourceDirectorySize + kResourceEntrySize * dir->children.size();
        for (const ResourceNode& child : dir->children) {
            if (child.name.isString)
                namedNodes.push_back(&child);
            if (child.isDirectory)
                queue.push_back(&child);
            else
                dataNodes.push_back(&child);
        }
    }
    std::map<const ResourceNode*, std::uint32_t> dataEntryAt;
    for (const ResourceNode* leaf : dataNodes) {
        dataEntryAt[leaf] = static_cast<std::uint32_t>(cursor);
        cursor += kResourceDataEntrySize;
    }
    std::map<const ResourceNode*, std::uint32_t> nameAt;
    for (const ResourceNode* node : namedNodes) {
        nameAt[node] = static_cast<std::uint32_t>(cursor);
        cursor += 2u + 2u * node->name.text.size();
    }
    const auto tooLarge = [] {
        return R::Fail("the re-laid resource section would be larger than " +
                       std::to_string(kMaxResourceSectionSize) + " bytes");
    };
    if (cursor > kMaxResourceSectionSize)
        return tooLarge();

    // Data in the order of the current RVAs, the chosen leaf last.
    std::vector<const ResourceNode*> dataOrder = dataNodes;
    std::stable_sort(
        dataOrder.begin(), dataOrder.end(),
        [](const ResourceNode* a, const ResourceNode* b) { return a->dataRva < b->dataRva; });
    if (lastLeaf != nullptr) {
        auto it = std::find(dataOrder.begin(), dataOrder.end(), lastLeaf);
        if (it != dataOrder.end())
            std::rotate(it, it + 1, dataOrder.end());
    }
    std::map<const ResourceNode*, std::uint32_t> dataAt;
    std::map<const ResourceNode*, std::span<const std::uint8_t>> dataBytes;
    for (const ResourceNode* leaf : dataOrder) {
        auto bytes = dataOf(*leaf);
        if (!bytes)
            return R::Fail(bytes.error);
        cursor = AlignUp(static_cast<std::uint32_t>(cursor), kResourceDataAlignment);
        if (bytes->size() > kMaxResourceSectionSize - cursor)
            return tooLarge();
        dataAt[leaf] = static_cast<std::uint32_t>(cursor);
        dataBytes[leaf] = *bytes;
        cursor += bytes->size();
    }

    std::vector<std::uint8_t> out(cursor, 0);
    std::span<std::uint8_t> bytes(out);
    for (const ResourceNode* dir : directories) {
        const std::uint32_t at = tableAt[dir];
        WriteLe32(bytes, at, dir->characteristics);
        WriteLe32(bytes, at + 4, dir->timeDateStamp);
        WriteLe16(bytes, at + 8, dir->majorVersion);
        WriteLe16(bytes, at + 10, dir->minorVersion);
        const auto named = std::count_if(dir->children.begin(), dir->children.end(),
                                         [](const ResourceNode& c) { return c.name.isString; });
        WriteLe16(bytes, at + 12, static_cast<std::uint16_t>(named));
        WriteLe16(
            bytes, at + 14,
            static_cast<std::uint16_t>(dir->children.size() - static_cast<std::size_t>(named)));
        std::uint32_t entry = at + static_cast<std::uint32_t>(kResourceDirectorySize);
        for (const ResourceNode& child : dir->children) {
            WriteLe32(bytes, entry,
                      child.name.isString ? (nameAt[&child] | kResourceHighBit) : child.name.id);
            WriteLe32(
                bytes, entry + 4,
                child.isDirectory ? (tableAt[&child] | kResourceHighBit) : dataEntryAt[&child]);
            entry += kResourceEntrySize;
        }
    }
    for (const ResourceNode* node : namedNodes) {
        const std::uint32_t at = nameAt[node];
        WriteLe16(bytes, at, static_cast<std::uint16_t>(node->name.text.size()));
        for (std::size_t i = 0; i < node->name.text.size(); ++i)
            WriteLe16(bytes, at + 2 + 2 * i, static_cast<std::uint16_t>(node->name.text[i]));
    }
    for (const ResourceNode* leaf : dataNodes) {
        const std::uint32_t at = dataEntryAt[leaf];
        WriteLe32(bytes, at, sectionRva + dataAt[leaf]);
        WriteLe32(bytes, at + 4, leaf->dataSize);
        WriteLe32(bytes, at + 8, leaf->codePage);
        WriteLe32(bytes, at + 12, leaf->reserved);
        std::copy(dataBytes[leaf].begin(), dataBytes[leaf].end(), out.begin() + dataAt[leaf]);
    }
    return R::Ok(std::move(out));
}

}  // namespace veltrane::pe
