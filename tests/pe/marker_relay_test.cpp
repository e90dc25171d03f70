// Re-laying the resource section: the marker's data ends up last, every
// resource keeps its bytes, and the headers stay consistent for the loader.
#include "pe/marker_relay.h"

#include <gtest/gtest.h>

#include <map>

#include "pe/le_bytes.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "pe/stub_check.h"
#include "tests/pe/pe_fixture.h"

namespace veltrane::pe {
namespace {

using testing::BuildPe;
using testing::FixtureOptions;
using testing::Id;
using testing::LinkedStub;
using testing::Named;

struct Resource {
    std::vector<std::uint8_t> bytes;
    std::uint32_t rva = 0;
    std::uint32_t codePage = 0;
};

// Every resource of `file`, by path, with its bytes as reached through its
// data entry.
std::map<std::string, Resource> ResourcesOf(const std::vector<std::uint8_t>& file) {
    std::map<std::string, Resource> out;
    auto image = ParsePeImage(file);
    EXPECT_TRUE(image) << image.error;
    if (!image)
        return out;
    const SectionHeader* rsrc = FindSection(*image, ".rsrc");
    auto tree =
        ParseResourceTree(std::span(file).subspan(rsrc->pointerToRawData, rsrc->sizeOfRawData));
    EXPECT_TRUE(tree) << tree.error;
    if (!tree)
        return out;
    for (const ResourceLeaf& leaf : ListLeaves(*tree)) {
        if (leaf.node->dataSize == 0) {
            out[leaf.PathText()] = Resource{{}, leaf.node->dataRva, leaf.node->codePage};
            continue;
        }
        auto offset = RvaToFileOffset(*image, leaf.node->dataRva);
        EXPECT_TRUE(offset) << leaf.PathText();
        if (!offset)
            continue;
        EXPECT_LE(*offset + std::uint64_t{leaf.node->dataSize},
                  rsrc->pointerToRawData + rsrc->sizeOfRawData);
        Resource r;
        r.bytes.assign(file.begin() + *offset, file.begin() + *offset + leaf.node->dataSize);
        r.rva = leaf.node->dataRva;
        r.codePage = leaf.node->codePage;
        out[leaf.PathText()] = r;
    }
    return out;
}

std::vector<std::string> DataOrder(const std::map<std::string, Resource>& resources) {
    std::vector<std::pair<std::uint32_t, std::string>> byRva;
    for (const auto& [path, r] : resources) byRva.emplace_back(r.rva, path);
    std::sort(byRva.begin(), byRva.end());
    std::vector<std::string> order;
    for (const auto& [rva, path] : byRva) order.push_back(path);
    return order;
}

struct RelayCase {
    const char* name;
    FixtureOptions options;
};

// Test names show the case name, not the bytes of the case.
void PrintTo(const RelayCase& c, std::ostream* os) {
    *os << c.name;
}

FixtureOptions WithNamedResources() {
    FixtureOptions o = LinkedStub();
    o.resources.push_back({Id(6), Named(u"STRINGS"), 1033, {1, 2, 3}});
    o.resources.push_back({Id(6), Named(u"STRINGS"), 1031, {4, 5, 6, 7, 8}});
    return o;
}

FixtureOptions TightlyPacked() {
    // Data on 4 bytes instead of 8 and no slack: the re-laid section needs
    // more room and must grow (it is the last section).
    FixtureOptions o = LinkedStub();
    o.dataAlignment = 4;
    o.resources[2].data.resize(1017);
    o.resources[3].data.resize(603);
    // Let the last data end exactly on the file alignment.
    const auto file = BuildPe(o);
    auto image = ParsePeImage(file);
    const std::uint32_t used = FindSection(*image, ".rsrc")->virtualSize;
    o.resources.back().data.resize(o.resources.back().data.size() + (0x200 - used % 0x200) % 0x200);
    return o;
}

FixtureOptions MarkerInTheMiddle() {
    FixtureOptions o = LinkedStub();
    o.dataOrder = {1, 2, 0, 3, 4, 5};
    o.resources[0].data = {0xAA, 0xBB, 0xCC, 0xDD};
    return o;
}

FixtureOptions EmptyResourceData() {
    FixtureOptions o = LinkedStub();
    o.resources.push_back({Id(10), Id(7), 1033, {}});
    return o;
}

class MarkerRelay : public ::testing::TestWithParam<RelayCase> {};

TEST_P(MarkerRelay, PutsMarkerLastAndKeepsEveryResource) {
    std::vector<std::uint8_t> file = BuildPe(GetParam().options);
    const auto before = ResourcesOf(file);
    auto outcome = MoveMarkerDataLast(file);
    ASSERT_TRUE(outcome) << outcome.error;
    EXPECT_TRUE(outcome->changed);

    const StubCheckResult check = CheckStub(file);
    ASSERT_TRUE(check.Ok()) << RequirementName(check.failed) << ": " << check.message;
    EXPECT_EQ(check.payloadOffset, outcome->markerDataOffset);

    const auto after = ResourcesOf(file);
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [path, r] : before) {
        ASSERT_TRUE(after.count(path)) << path;
        EXPECT_EQ(after.at(path).bytes, r.bytes) << path;
        EXPECT_EQ(after.at(path).codePage, r.codePage) << path;
    }
    // Apart from the marker, the data keep their order.
    auto orderBefore = DataOrder(before);
    auto orderAfter = DataOrder(after);
    std::erase(orderBefore, "LASTRES/1000/1033");
    EXPECT_EQ(orderAfter.back(), "LASTRES/1000/1033");
    orderAfter.pop_back();
    EXPECT_EQ(orderAfter, orderBefore);
}

TEST_P(MarkerRelay, KeepsHeadersConsistent) {
    std::vector<std::uint8_t> file = BuildPe(GetParam().options);
    ASSERT_TRUE(MoveMarkerDataLast(file));
    auto image = ParsePeImage(file);
    ASSERT_TRUE(image) << image.error;
    const SectionHeader* rsrc = FindSection(*image, ".rsrc");
    EXPECT_EQ(rsrc->sizeOfRawData % image->fileAlignment, 0u);
    EXPECT_LE(rsrc->virtualSize, rsrc->sizeOfRawData);
    EXPECT_EQ(image->Directory(kResourceDirectory).rva, rsrc->virtualAddress);
    EXPECT_EQ(image->Directory(kResourceDirectory).size, rsrc->virtualSize);
    // The file ends with the last section's data; the image with its memory.
    EXPECT_EQ(file.size(), rsrc->pointerToRawData + std::size_t{rsrc->sizeOfRawData});
    const std::uint32_t end = rsrc->virtualAddress + rsrc->virtualSize;
    EXPECT_EQ(image->sizeOfImage, (end + image->sectionAlignment - 1) / image->sectionAlignment *
                                      image->sectionAlignment);
    std::uint32_t initialised = 0;
    for (const SectionHeader& s : image->sections)
        if (s.Name() != ".text")
            initialised += s.sizeOfRawData;
    EXPECT_EQ(*ReadLe32(file, image->OptionalHeaderOffset() + kOptSizeOfInitializedData),
              initialised);
    EXPECT_EQ(image->checkSum, ComputeChecksum(file, image->OptionalHeaderOffset() + kOptCheckSum));
}

TEST_P(MarkerRelay, SecondRunChangesNothing) {
    std::vector<std::uint8_t> file = BuildPe(GetParam().options);
    ASSERT_TRUE(MoveMarkerDataLast(file));
    const auto once = file;
    auto again = MoveMarkerDataLast(file);
    ASSERT_TRUE(again) << again.error;
    EXPECT_FALSE(again->changed);
    EXPECT_EQ(file, once);
}

INSTANTIATE_TEST_SUITE_P(Layouts, MarkerRelay,
                         ::testing::Values(RelayCase{"AsLinked", LinkedStub()},
                                           RelayCase{"NamedEntriesAndTwoLanguages",
                                                     WithNamedResources()},
                                           RelayCase{"TightlyPackedGrows", TightlyPacked()},
                                           RelayCase{"MarkerInTheMiddle", MarkerInTheMiddle()},
                                           RelayCase{"EmptyResourceData", EmptyResourceData()}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MarkerRelayGrowth, GrowsTheLastSectionWhenTheDataNeedMoreRoom) {
    std::vector<std::uint8_t> file = BuildPe(TightlyPacked());
    const std::uint32_t rawBefore = FindSection(*ParsePeImage(file), ".rsrc")->sizeOfRawData;
    ASSERT_TRUE(MoveMarkerDataLast(file));
    auto image = ParsePeImage(file);
    EXPECT_GT(FindSection(*image, ".rsrc")->sizeOfRawData, rawBefore);
}

TEST(MarkerRelayFailure, CannotGrowWhenASectionFollows) {
    FixtureOptions options = TightlyPacked();
    options.sectionAfterRsrc = true;
    std::vector<std::uint8_t> file = BuildPe(options);
    const auto original = file;
    auto outcome = MoveMarkerDataLast(file);
    ASSERT_FALSE(outcome);
    EXPECT_NE(outcome.error.find(".reloc"), std::string::npos) << outcome.error;
    EXPECT_EQ(file, original);
}

TEST(MarkerRelayFailure, ReportsMissingResourceSectionAndLeavesFileAlone) {
    FixtureOptions options = LinkedStub();
    options.rsrcName = ".rsrc2";
    std::vector<std::uint8_t> file = BuildPe(options);
    const auto original = file;
    auto outcome = MoveMarkerDataLast(file);
    ASSERT_FALSE(outcome);
    EXPECT_NE(outcome.error.find(".rsrc"), std::string::npos);
    EXPECT_EQ(file, original);
}

TEST(MarkerRelayFailure, ReportsDataOutsideTheImage) {
    std::vector<std::uint8_t> file = BuildPe(LinkedStub());
    auto image = ParsePeImage(file);
    const SectionHeader* rsrc = FindSection(*image, ".rsrc");
    auto tree =
        ParseResourceTree(std::span(file).subspan(rsrc->pointerToRawData, rsrc->sizeOfRawData));
    // Point the icon's data entry far outside every section.
    std::uint32_t entry = 0;
    for (std::uint32_t at = 0; at + 16 <= rsrc->sizeOfRawData; at += 4) {
        if (*ReadLe32(file, rsrc->pointerToRawData + at + 4) == 744) {
            entry = rsrc->pointerToRawData + at;
            break;
        }
    }
    ASSERT_NE(entry, 0u);
    WriteLe32(file, entry, 0x00F00000);
    const auto original = file;
    auto outcome = MoveMarkerDataLast(file);
    ASSERT_FALSE(outcome);
    EXPECT_EQ(file, original);
}

}  // namespace
}  // namespace veltrane::pe
