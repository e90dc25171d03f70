// Names of the saver file, the data folder and the data files.
#include "app/target_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/program_state.h"
#include "sim_fixture.h"

namespace {

using stubtest::SimTest;

class TargetNamesTest : public SimTest {
  protected:
    // Sets up the module and Windows directory and the program's saver name.
    void Use(const std::string& modulePath, const std::string& windowsDirectory) {
        Sim().modulePath = modulePath;
        sim::SetWindowsDirectory(windowsDirectory);
        ASSERT_EQ(MakeSaverFileName(modulePath.c_str(), saverFileName), 1);
    }
};

TEST_F(TargetNamesTest, NamesFollowTheInstallersFileName) {
    struct Case {
        const char* modulePath;
        const char* windowsDirectory;
        const char* saverFileName;
        const char* saverTarget;
        const char* dataFolder;
        const char* dataFile;
        const char* display;
    };
    const Case cases[] = {
        {"C:\\Inst\\setup.exe", "C:\\WINDOWS", "SETUP.SCR", "C:\\WINDOWS\\SETUP.SCR",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\setup.DAT", "\\SETUP"},
        {"D:\\Downloads\\Sea.World.exe", "C:\\WINDOWS", "SEA.SCR", "C:\\WINDOWS\\SEA.SCR",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\Sea.World",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\Sea.World\\Sea.World.DAT", "\\SEA.WORLD"},
        {"C:\\My.Files\\setup.exe", "C:\\WINDOWS", "SETUP.SCR", "C:\\WINDOWS\\SETUP.SCR",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\setup.DAT", "\\SETUP"},
        {"C:\\Inst\\.x.exe", "C:\\WINDOWS", ".SCR", "C:\\WINDOWS\\.SCR",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\.x", "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\.x\\.x.DAT",
         "\\.X"},
        {"C:\\Inst\\setup.exe", "C:\\", "SETUP.SCR", "C:\\SETUP.SCR",
         "C:\\PELLIVAR\\VELTRANE\\setup", "C:\\PELLIVAR\\VELTRANE\\setup\\setup.DAT", "\\SETUP"},
        {"C:\\Inst\\setup.exe", "C:\\Windows", "SETUP.SCR", "C:\\WINDOWS\\SETUP.SCR",
         "C:\\Windows\\PELLIVAR\\VELTRANE\\setup",
         "C:\\Windows\\PELLIVAR\\VELTRANE\\setup\\setup.DAT", "\\SETUP"},
        {"C:\\Inst\\Sch\xF6n.exe", "C:\\WINDOWS", "SCH\xF6N.SCR", "C:\\WINDOWS\\SCH\xF6N.SCR",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\Sch\xF6n",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\Sch\xF6n\\Sch\xF6n.DAT", "\\SCH\xF6N"},
        // Without an extension the cut at the last '.' falls into the folder.
        {"C:\\My.Dir\\setup", "C:\\WINDOWS", "SETUP.SCR", "C:\\WINDOWS\\SETUP.SCR",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\My", "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\My\\My.DAT",
         "\\MY"},
        // No '.' anywhere: the whole file name is the base.
        {"C:\\Inst\\setup", "C:\\WINDOWS", "SETUP.SCR", "C:\\WINDOWS\\SETUP.SCR",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup",
         "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\setup.DAT", "\\SETUP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modulePath);
        Use(c.modulePath, c.windowsDirectory);
        EXPECT_STREQ(saverFileName, c.saverFileName);
        char path[MAX_PATH];
        ASSERT_EQ(MakeSaverTargetPath(path), 1);
        EXPECT_STREQ(path, c.saverTarget);
        ASSERT_EQ(MakeDataFolderPath(path), 1);
        EXPECT_STREQ(path, c.dataFolder);
        ASSERT_EQ(MakeDataFolder(path), 1);
        EXPECT_STREQ(path, c.dataFolder);
        EXPECT_EQ(GetFileAttributesA(path), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
        const uint8_t extension[4] = {'.', 'X', 0, 0};
        ASSERT_EQ(MakeTargetPath(1, 9, extension, path), 1);
        EXPECT_STREQ(path, c.dataFile);
        char display[MAX_PATH];
        ASSERT_EQ(MakeFolderDisplayName(display, MAX_PATH), 1);
        EXPECT_STREQ(display, c.display);
    }
}

TEST_F(TargetNamesTest, DataFolderLevelsAreCreatedOnceAndAgainWithoutHarm) {
    Use("C:\\Inst\\setup.exe", "C:\\WINDOWS");
    char path[MAX_PATH];
    ASSERT_EQ(MakeDataFolder(path), 1);
    ASSERT_EQ(MakeDataFolder(path), 1);
    EXPECT_EQ(Sim().createdDirectories,
              (std::vector<std::string>{"C:\\WINDOWS\\PELLIVAR", "C:\\WINDOWS\\PELLIVAR\\VELTRANE",
                                        "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup"}));
}

TEST_F(TargetNamesTest, NumberedFilesCountFromTheFirstFileNumber) {
    Use("C:\\Inst\\setup.exe", "C:\\WINDOWS");
    struct Case {
        uint32_t index;
        uint16_t firstFileNumber;
        uint8_t extension[4];
        const char* name;
    };
    const Case cases[] = {
        {2, 9, {'.', 'T', 'M', 'P'}, "FILE0009.TMP"}, {3, 9, {'.', 'T', 'M', 'P'}, "FILE0010.TMP"},
        {4, 9, {'.', 'T', 'M', 'P'}, "FILE0011.TMP"}, {2, 0, {'.', 'B', 'M', 'P'}, "FILE0000.BMP"},
        {2, 9998, {0, 0, 0, 0}, "FILE9998"},          {3, 9998, {0, 0, 0, 0}, "FILE9999"},
        {4, 9998, {0, 0, 0, 0}, "FILE10000"},         {6, 9998, {0, 0, 0, 0}, "FILE10002"},
        {2, 65535, {0, 0, 0, 0}, "FILE65535"},        {3, 65535, {0, 0, 0, 0}, "FILE65536"},
        {2, 9, {'.', 'T', 'M', 0}, "FILE0009.TM"},    {2, 9, {'.', 'T', 0, 'X'}, "FILE0009.T"},
        {2, 9, {'A', 'B', 'C', 'D'}, "FILE0009ABCD"},
    };
    for (const Case& c : cases) {
        char path[MAX_PATH];
        ASSERT_EQ(MakeDataFolderPath(path), 1);
        ASSERT_EQ(MakeTargetPath(c.index, c.firstFileNumber, c.extension, path), 1);
        EXPECT_EQ(std::string(path),
                  "C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\" + std::string(c.name));
    }
}

TEST_F(TargetNamesTest, IndexZeroKeepsTheSaverTarget) {
    Use("C:\\Inst\\setup.exe", "C:\\WINDOWS");
    char path[MAX_PATH];
    ASSERT_EQ(MakeSaverTargetPath(path), 1);
    const uint8_t extension[4] = {'.', 'X', 0, 0};
    EXPECT_EQ(MakeTargetPath(0, 9, extension, path), 1);
    EXPECT_STREQ(path, "C:\\WINDOWS\\SETUP.SCR");
}

TEST_F(TargetNamesTest, PathsThatDoNotFitAreRefused) {
    // A folder base of 113 characters: the data file's path, which holds it
    // twice, passes 259 characters while the data folder still fits.
    std::string base(113, 'b');
    Use("C:\\I\\" + base + ".exe", "C:\\WINDOWS");
    char path[MAX_PATH + 8];
    std::memset(path, '#', sizeof path);
    ASSERT_EQ(MakeDataFolder(path), 1);
    const uint8_t extension[4] = {0, 0, 0, 0};
    EXPECT_EQ(MakeTargetPath(1, 0, extension, path), 0);
    EXPECT_LE(std::strlen(path), 259u);
    EXPECT_EQ(path[MAX_PATH], '#');

    std::string longDirectory = "C:\\" + std::string(240, 'w');
    Use("C:\\I\\" + std::string(20, 's') + ".exe", longDirectory);
    EXPECT_EQ(MakeSaverTargetPath(path), 0);
    EXPECT_LE(std::strlen(path), 259u);
    EXPECT_EQ(MakeDataFolder(path), 0);
    EXPECT_LE(std::strlen(path), 259u);
}

TEST_F(TargetNamesTest, TemporaryFileSitsBesideItsTarget) {
    struct Case {
        const char* target;
        const char* temporary;
    };
    for (Case c : {Case{"C:\\WINDOWS\\SEA.SCR", "C:\\WINDOWS\\~VLT.TMP"},
                   Case{"C:\\W\\PELLIVAR\\VELTRANE\\a\\FILE0009.TMP",
                        "C:\\W\\PELLIVAR\\VELTRANE\\a\\~VLT.TMP"},
                   Case{"C:\\.SCR", "C:\\~VLT.TMP"}}) {
        char temporary[MAX_PATH];
        ASSERT_EQ(MakeTemporaryPath(c.target, temporary), 1);
        EXPECT_STREQ(temporary, c.temporary);
    }
}

}  // namespace
