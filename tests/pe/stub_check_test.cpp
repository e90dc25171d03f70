// The stub check: a finished stub passes and yields the offset of the
// marker's data; a stub that breaks any one requirement fails with that
// requirement named.
#include "pe/stub_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "pe/le_bytes.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "tests/pe/pe_fixture.h"

namespace veltrane::pe {
namespace {

using testing::BuildPe;
using testing::FinishedStub;
using testing::FixtureOptions;
using testing::Id;
using testing::LinkedStub;
using testing::Named;

// File offset of the data of the resource at `path` (type, name, language).
std::uint32_t DataOffset(const std::vector<std::uint8_t>& file, const std::string& path) {
    auto image = ParsePeImage(file);
    const SectionHeader* rsrc = FindSection(*image, ".rsrc");
    auto tree =
        ParseResourceTree(std::span(file).subspan(rsrc->pointerToRawData, rsrc->sizeOfRawData));
    for (const ResourceLeaf& leaf : ListLeaves(*tree)) {
        if (leaf.PathText() == path)
            return *RvaToFileOffset(*image, leaf.node->dataRva);
    }
    ADD_FAILURE() << "no resource " << path;
    return 0;
}

TEST(StubCheck, FinishedStubPassesWithTheMarkersDataOffset) {
    const auto file = BuildPe(FinishedStub());
    const StubCheckResult result = CheckStub(file);
    ASSERT_TRUE(result.Ok()) << result.message;
    EXPECT_EQ(result.payloadOffset, DataOffset(file, "LASTRES/1000/1033"));
    EXPECT_EQ(LocatePayloadOffset(file), result.payloadOffset);
}

TEST(StubCheck, AnInstallerBuiltFromTheStubStillPasses) {
    // The payload replaces the marker's 4 bytes and runs on past the end of
    // the section: the tree and every other resource stay where they were.
    auto file = BuildPe(FinishedStub());
    const std::uint32_t offset = CheckStub(file).payloadOffset;
    file.resize(offset);
    for (int i = 0; i < 5000; ++i) file.push_back(static_cast<std::uint8_t>(i * 13));
    const StubCheckResult result = CheckStub(file);
    ASSERT_TRUE(result.Ok()) << result.message;
    EXPECT_EQ(result.payloadOffset, offset);
}

struct BrokenStub {
    const char* name;
    std::function<void(FixtureOptions&)> changeOptions;
    std::function<void(std::vector<std::uint8_t>&)> changeBytes;
    StubRequirement expected;
};

// Test names show the case name, not the bytes of the case.
void PrintTo(const BrokenStub& c, std::ostream* os) {
    *os << c.name;
}

class StubCheckRejects : public ::testing::TestWithParam<BrokenStub> {};

TEST_P(StubCheckRejects, NamesTheBrokenRequirement) {
    FixtureOptions options = FinishedStub();
    if (GetParam().changeOptions)
        GetParam().changeOptions(options);
    auto file = BuildPe(options);
    if (GetParam().changeBytes)
        GetParam().changeBytes(file);
    const StubCheckResult result = CheckStub(file);
    EXPECT_EQ(result.failed, GetParam().expected)
        << "got " << RequirementName(result.failed) << ": " << result.message;
    EXPECT_FALSE(result.message.empty());
}

std::uint32_t PeOffset(const std::vector<std::uint8_t>& file) {
    return *ReadLe32(file, 60);
}

INSTANTIATE_TEST_SUITE_P(
    EachRequirement, StubCheckRejects,
    ::testing::Values(
        BrokenStub{"NoMzHeader", nullptr, [](auto& f) { f[0] = 'X'; }, StubRequirement::PeImage},
        BrokenStub{"NoPeSignature", nullptr, [](auto& f) { f[PeOffset(f)] = 'N'; },
                   StubRequirement::PeImage},
        BrokenStub{"Truncated", nullptr, [](auto& f) { f.resize(100); }, StubRequirement::PeImage},
        BrokenStub{"Pe32Plus", nullptr,
                   [](auto& f) { f[PeOffset(f) + 24] = 0x0B, f[PeOffset(f) + 25] = 0x02; },
                   StubRequirement::PeImage},
        BrokenStub{"MachineAmd64", [](auto& o) { o.machine = 0x8664; }, nullptr,
                   StubRequirement::PeImage},
        BrokenStub{"OptionalHeader240", [](auto& o) { o.optionalHeaderSize = 240; }, nullptr,
                   StubRequirement::OptionalHeaderSize},
        BrokenStub{"ResourceSectionUpperCase", [](auto& o) { o.rsrcName = ".RSRC"; }, nullptr,
                   StubRequirement::ResourceSection},
        BrokenStub{"ResourceSectionLongerName", [](auto& o) { o.rsrcName = ".rsrc1"; }, nullptr,
                   StubRequirement::ResourceSection},
        BrokenStub{"ResourceTableNotAtSectionStart",
                   [](auto& o) { o.resourceDirectoryMismatch = true; }, nullptr,
                   StubRequirement::ResourceSection},
        BrokenStub{"RootEntryCountBeyondSection", nullptr,
                   [](auto& f) {
                       const auto image = ParsePeImage(f);
                       const auto at = FindSection(*image, ".rsrc")->pointerToRawData;
                       f[at + 14] = 0xFF, f[at + 15] = 0xFF;
                   },
                   StubRequirement::ResourceSection},
        BrokenStub{"NoMarker",
                   [](auto& o) {
                       o.resources.erase(o.resources.begin()), o.dataOrder = {0, 1, 2, 3, 4};
                   },
                   nullptr, StubRequirement::MarkerFirstType},
        BrokenStub{
            "NamedTypeBeforeMarker",
            [](auto& o) {
                o.resources.insert(o.resources.begin(), {Named(u"AAA"), Id(1), 1033, {1, 2}});
                o.dataOrder = {0, 2, 3, 4, 5, 6, 1};
            },
            nullptr, StubRequirement::MarkerFirstType},
        BrokenStub{"MarkerTypeLowerCase", [](auto& o) { o.resources[0].type = Named(u"lastres"); },
                   nullptr, StubRequirement::MarkerFirstType},
        BrokenStub{"MarkerName1001", [](auto& o) { o.resources[0].name = Id(1001); }, nullptr,
                   StubRequirement::MarkerName},
        BrokenStub{"MarkerNamedByString", [](auto& o) { o.resources[0].name = Named(u"1000"); },
                   nullptr, StubRequirement::MarkerName},
        BrokenStub{"SecondMarkerName",
                   [](auto& o) {
                       o.resources.insert(o.resources.begin() + 1,
                                          {Named(u"LASTRES"), Id(1001), 1033, {9}});
                       o.dataOrder = {1, 2, 3, 4, 5, 6, 0};
                   },
                   nullptr, StubRequirement::MarkerName},
        BrokenStub{"MarkerLanguage1031", [](auto& o) { o.resources[0].language = 1031; }, nullptr,
                   StubRequirement::MarkerLanguage},
        BrokenStub{"SecondMarkerLanguage",
                   [](auto& o) {
                       o.resources.insert(o.resources.begin() + 1,
                                          {Named(u"LASTRES"), Id(1000), 1031, {9}});
                       o.dataOrder = {1, 2, 3, 4, 5, 6, 0};
                   },
                   nullptr, StubRequirement::MarkerLanguage},
        BrokenStub{"MarkerDataFirstAsLinked", [](auto& o) { o = LinkedStub(); }, nullptr,
                   StubRequirement::MarkerDataLast},
        BrokenStub{"IconDataBehindMarker", [](auto& o) { o.dataOrder = {2, 3, 4, 5, 0, 1}; },
                   nullptr, StubRequirement::MarkerDataLast},
        BrokenStub{"SectionBehindResources", [](auto& o) { o.sectionAfterRsrc = true; }, nullptr,
                   StubRequirement::ResourceSectionLast},
        BrokenStub{"CertificateTable", [](auto& o) { o.certificate = true; }, nullptr,
                   StubRequirement::ResourceSectionLast}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(StubCheck, LocatorWalkFollowsFirstEntriesWithoutValidating) {
    // The locator's walk ignores the names it passes: on a linked stub it
    // lands on the marker too, which is why the requirements need checking.
    const auto file = BuildPe(LinkedStub());
    EXPECT_EQ(LocatePayloadOffset(file), DataOffset(file, "LASTRES/1000/1033"));
    FixtureOptions options = FinishedStub();
    options.resources[0].type = Named(u"OTHER");
    const auto other = BuildPe(options);
    EXPECT_EQ(LocatePayloadOffset(other), DataOffset(other, "OTHER/1000/1033"));
}

TEST(StubCheck, LocatorGivesNothingWithoutResourceSection) {
    FixtureOptions options = FinishedStub();
    options.rsrcName = ".data";
    EXPECT_EQ(LocatePayloadOffset(BuildPe(options)), std::nullopt);
}

}  // namespace
}  // namespace veltrane::pe
