// The safe path queries never hand on a cut or unterminated path.
#include "platform/system_paths.h"

#include <gtest/gtest.h>

#include <cstring>

#include "sim_fixture.h"

namespace {

using stubtest::SimTest;

class SystemPathsTest : public SimTest {};

TEST_F(SystemPathsTest, ModulePathMustFitWhole) {
    struct Case {
        size_t length;
        bool fits;
    };
    for (Case c : {Case{20, true}, Case{259, true}, Case{260, false}, Case{300, false}}) {
        std::string path = "C:\\" + std::string(c.length - 7, 'a') + ".EXE";
        ASSERT_EQ(path.size(), c.length);
        Sim().modulePath = path;
        char buffer[MAX_PATH];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(GetModulePath(nullptr, buffer), c.fits ? 1 : 0) << c.length;
        EXPECT_EQ(std::string(buffer), c.fits ? path : "") << c.length;
    }
    Sim().modulePath = "C:\\A.EXE";
    Sim().moduleFileNameFails = true;
    char buffer[MAX_PATH];
    EXPECT_EQ(GetModulePath(nullptr, buffer), 0);
    EXPECT_STREQ(buffer, "");
}

TEST_F(SystemPathsTest, WindowsFolderMustFitWhole) {
    sim::SetWindowsDirectory("C:\\WINDOWS");
    char buffer[16];
    EXPECT_EQ(GetWindowsFolder(buffer, 16), 1);
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
    EXPECT_EQ(GetWindowsFolder(buffer, 10), 0);
    EXPECT_STREQ(buffer, "");
    Sim().windowsDirectoryFails = true;
    EXPECT_EQ(GetWindowsFolder(buffer, 16), 0);
}

}  // namespace
