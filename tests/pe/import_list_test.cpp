// The list of imported DLLs and the check that a stub imports only system
// DLLs.
#include "pe/import_list.h"

#include <gtest/gtest.h>

#include "pe/stub_check.h"
#include "tests/pe/pe_fixture.h"

namespace veltrane::pe {
namespace {

using testing::BuildPe;
using testing::FinishedStub;
using testing::FixtureOptions;

TEST(ImportList, ListsPlainThenDelayLoadedDlls) {
    FixtureOptions options = FinishedStub();
    options.imports = {"KERNEL32.dll", "USER32.dll"};
    options.delayImports = {"GDI32.dll"};
    auto dlls = ListImportedDlls(BuildPe(options));
    ASSERT_TRUE(dlls) << dlls.error;
    ASSERT_EQ(dlls->size(), 3u);
    EXPECT_EQ((*dlls)[0].name, "KERNEL32.dll");
    EXPECT_FALSE((*dlls)[0].delayed);
    EXPECT_EQ((*dlls)[1].name, "USER32.dll");
    EXPECT_EQ((*dlls)[2].name, "GDI32.dll");
    EXPECT_TRUE((*dlls)[2].delayed);
}

TEST(ImportList, NoImportsIsAnEmptyList) {
    FixtureOptions options = FinishedStub();
    options.imports = {};
    auto dlls = ListImportedDlls(BuildPe(options));
    ASSERT_TRUE(dlls) << dlls.error;
    EXPECT_TRUE(dlls->empty());
}

struct ImportCase {
    const char* name;
    std::vector<std::string> imports;
    std::vector<std::string> delayImports;
    bool ok;
    const char* named;  // the DLL the message must name when rejected
};

// Test names show the case name, not the bytes of the case.
void PrintTo(const ImportCase& c, std::ostream* os) {
    *os << c.name;
}

class StubImports : public ::testing::TestWithParam<ImportCase> {};

TEST_P(StubImports, AcceptsOnlySystemDlls) {
    FixtureOptions options = FinishedStub();
    options.imports = GetParam().imports;
    options.delayImports = GetParam().delayImports;
    const ImportCheckResult result = CheckStubImports(BuildPe(options));
    EXPECT_EQ(result.ok, GetParam().ok) << result.message;
    EXPECT_EQ(result.dlls.size(), GetParam().imports.size() + GetParam().delayImports.size());
    if (!GetParam().ok) {
        EXPECT_NE(result.message.find(GetParam().named), std::string::npos) << result.message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dlls, StubImports,
    ::testing::Values(
        ImportCase{"SystemDlls", {"KERNEL32.dll", "USER32.dll", "GDI32.dll"}, {}, true, ""},
        ImportCase{"AnyCase", {"kernel32.DLL", "user32.dll"}, {}, true, ""},
        ImportCase{"CRuntime", {"KERNEL32.dll", "msvcrt.dll"}, {}, false, "msvcrt.dll"},
        ImportCase{"CompilerRuntime",
                   {"libgcc_s_dw2-1.dll", "KERNEL32.dll"},
                   {},
                   false,
                   "libgcc_s_dw2-1.dll"},
        ImportCase{"DelayLoaded", {"KERNEL32.dll"}, {"SHELL32.dll"}, false, "SHELL32.dll"},
        ImportCase{"LookAlike", {"KERNEL32.dll.evil"}, {}, false, "KERNEL32.dll.evil"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace veltrane::pe
