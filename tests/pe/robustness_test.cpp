// Damaged images: every routine of pe/ answers with a result or a message,
// never reads outside the bytes it was given (the sanitizer build checks
// that), and never loops.
#include <gtest/gtest.h>

#include <random>

#include "pe/import_list.h"
#include "pe/le_bytes.h"
#include "pe/marker_relay.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "pe/stub_check.h"
#include "tests/pe/pe_fixture.h"

namespace veltrane::pe {
namespace {

using testing::BuildPe;
using testing::FinishedStub;
using testing::LinkedStub;

std::uint32_t RsrcStart(const std::vector<std::uint8_t>& file) {
    return FindSection(*ParsePeImage(file), ".rsrc")->pointerToRawData;
}

TEST(DamagedResources, SubdirectoryPointingBackAtTheRootIsRejected) {
    auto file = BuildPe(FinishedStub());
    const std::uint32_t root = RsrcStart(file);
    // The first type's entry now leads to the root directory itself.
    WriteLe32(file, root + 16 + 4, 0x80000000u);
    const StubCheckResult check = CheckStub(file);
    EXPECT_EQ(check.failed, StubRequirement::ResourceSection) << check.message;
    EXPECT_NE(check.message.find("deeper"), std::string::npos) << check.message;
    std::vector<std::uint8_t> copy = file;
    EXPECT_FALSE(MoveMarkerDataLast(copy));
    EXPECT_EQ(copy, file);
}

struct TruncatedTree {
    const char* name;
    std::uint32_t entryField;  // offset in the root's first entry: 0 name, 4 target
    std::uint32_t value;
};

// Test names show the case name, not the bytes of the case.
void PrintTo(const TruncatedTree& c, std::ostream* os) {
    *os << c.name;
}

class DamagedTree : public ::testing::TestWithParam<TruncatedTree> {};

TEST_P(DamagedTree, IsReportedAsUnreadable) {
    auto file = BuildPe(FinishedStub());
    WriteLe32(file, RsrcStart(file) + 16 + GetParam().entryField, GetParam().value);
    EXPECT_EQ(CheckStub(file).failed, StubRequirement::ResourceSection);
    auto image = ParsePeImage(file);
    const SectionHeader* rsrc = FindSection(*image, ".rsrc");
    auto tree =
        ParseResourceTree(std::span(file).subspan(rsrc->pointerToRawData, rsrc->sizeOfRawData));
    EXPECT_FALSE(tree);
    EXPECT_FALSE(tree.error.empty());
}

INSTANTIATE_TEST_SUITE_P(Entries, DamagedTree,
                         ::testing::Values(TruncatedTree{"NameStringOutside", 0, 0xFFFFFFF0u},
                                           TruncatedTree{"SubdirectoryOutside", 4, 0x8FFFFFF0u},
                                           TruncatedTree{"DataEntryOutside", 4, 0x0FFFFFF0u}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DamagedImage, SectionDataBeyondTheFileIsRejected) {
    auto file = BuildPe(FinishedStub());
    auto image = ParsePeImage(file);
    WriteLe32(file, FindSection(*image, ".rsrc")->headerOffset + 16, 0x7FFFFFFF);
    EXPECT_EQ(CheckStub(file).failed, StubRequirement::PeImage);
    EXPECT_FALSE(ListImportedDlls(file));
}

TEST(DamagedImage, ImportTableWithoutEndIsRejected) {
    auto file = BuildPe(FinishedStub());
    auto image = ParsePeImage(file);
    // Fill the import section with non-zero bytes up to its end.
    const SectionHeader* idata = FindSection(*image, ".idata");
    for (std::uint32_t i = 0; i < idata->sizeOfRawData; ++i)
        file[idata->pointerToRawData + i] = 0x01;
    // Names then point nowhere: either way a message, no crash.
    auto dlls = ListImportedDlls(file);
    EXPECT_FALSE(dlls);
    EXPECT_FALSE(CheckStubImports(file).ok);
}

// Seeded random damage to headers and resources: every routine must return.
TEST(DamagedImage, RandomByteDamageNeverCrashes) {
    std::mt19937 random(20261211);
    const std::vector<std::vector<std::uint8_t>> originals = {BuildPe(LinkedStub()),
                                                              BuildPe(FinishedStub())};
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> file = originals[round % 2];
        const std::uint32_t rsrc = RsrcStart(file);
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            // Mostly the headers and the resource tree, where damage matters.
            const auto region = random() % 3;
            std::size_t at = region == 0   ? random() % 0x200
                             : region == 1 ? rsrc + random() % 0x100
                                           : random() % file.size();
            file[at] = static_cast<std::uint8_t>(random());
        }
        (void)CheckStub(file);
        (void)CheckStubImports(file);
        (void)LocatePayloadOffset(file);
        std::vector<std::uint8_t> copy = file;
        auto relaid = MoveMarkerDataLast(copy);
        if (!relaid) {
            EXPECT_EQ(copy, file);
        }
    }
}

}  // namespace
}  // namespace veltrane::pe
