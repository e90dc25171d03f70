// Names the installer gives its entries, and the names Windows cannot hold.
#include "package/target_names.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

PayloadEntry WithExtension(const std::string& extension) {
    PayloadEntry entry{100, 1, 0, {0, 0, 0, 0}};
    for (size_t i = 0; i < extension.size() && i < 4; ++i)
        entry.extension[i] = static_cast<uint8_t>(extension[i]);
    return entry;
}

TEST(TargetNames, BasesOfTheInstallerName) {
    struct Case {
        const char* installer;
        const char* saver;
        const char* folderBase;
    };
    const Case cases[] = {
        {"setup.exe", "SETUP.SCR", "setup"},
        {"Sea.World.exe", "SEA.SCR", "Sea.World"},
        {".x.exe", ".SCR", ".x"},
        {"setup", "SETUP.SCR", "setup"},
        {"m\xC3\xBCller.exe", "M\xC3\xBCLLER.SCR", "m\xC3\xBCller"},  // only a-z are upper-cased
        {"Mixed-Case_1.EXE", "MIXED-CASE_1.SCR", "Mixed-Case_1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installer);
        EXPECT_EQ(SaverFileName(c.installer), c.saver);
        EXPECT_EQ(FolderBase(c.installer), c.folderBase);
    }
}

TEST(TargetNames, EntryNamesByIndex) {
    struct Case {
        uint32_t index;
        uint16_t first;
        std::string extension;
        const char* path;
    };
    const Case cases[] = {
        {0, 9, ".TMP", "SEA.SCR"},
        {1, 9, ".TMP", "Sea.World/Sea.World.DAT"},
        {2, 9, ".TMP", "Sea.World/FILE0009.TMP"},
        {3, 9, ".TMP", "Sea.World/FILE0010.TMP"},
        {2, 0, ".BMP", "Sea.World/FILE0000.BMP"},
        {3, 9998, ".a", "Sea.World/FILE9999.a"},
        {4, 9998, ".a", "Sea.World/FILE10000.a"},
        {6, 9998, "", "Sea.World/FILE10002"},
        {2, 65535, ".x", "Sea.World/FILE65535.x"},
        {3, 65535, ".x", "Sea.World/FILE65536.x"},  // no 16-bit wrap
        {2, 9, ".TM", "Sea.World/FILE0009.TM"},
        {2, 9, std::string(".T\0X", 4), "Sea.World/FILE0009.T"},
        {2, 9, ".\xE4", "Sea.World/FILE0009.\xC3\xA4"},  // Windows-1252 shown as UTF-8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(EntryRelativePath("Sea.World.exe", c.index, c.first, WithExtension(c.extension)),
                  c.path);
    }
    EXPECT_EQ(RoleOfEntry(0), EntryRole::Saver);
    EXPECT_EQ(RoleOfEntry(1), EntryRole::DataFile);
    EXPECT_EQ(RoleOfEntry(2), EntryRole::NumberedFile);
}

TEST(TargetNames, NamesWindowsCannotHold) {
    struct Case {
        const char* name;
        bool refused;
    };
    const Case cases[] = {
        {"SEA.SCR", false},
        {"CON.SCR", true},
        {"con", true},
        {"NUL.DAT", true},
        {"Aux", true},
        {"PRN.x.y", true},
        {"COM1.SCR", true},
        {"lpt9", true},
        {"COM0.SCR", false},
        {"COM10.SCR", false},
        {"CONSOLE.SCR", false},
        {"CON .SCR", true},
        {"FILE0009.", true},
        {"FILE0009. ", true},
        {".", true},
        {"..", true},
        {"", true},
        {".SCR", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowsNameProblem(c.name).has_value(), c.refused);
    }
}

TEST(TargetNames, CaseKeysMatchWhatWindowsTakesForOneFile) {
    EXPECT_EQ(CaseKey("FILE0009.DAT"), CaseKey("file0009.dat"));
    EXPECT_NE(CaseKey("FILE0009.DAT"), CaseKey("FILE0009.DAX"));
    EXPECT_EQ(NumberText(7), "0007");
    EXPECT_EQ(NumberText(123456), "123456");
}

}  // namespace
}  // namespace veltrane
