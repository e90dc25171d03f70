// The check for a screen saver of the installer's name.
#include "checks/existing_saver.h"

#include <gtest/gtest.h>

#include <string>

#include "sim_fixture.h"

namespace {

using stubtest::SimTest;

const char OverwriteCaption[] =
    "Bildschirmschoner \xFC"
    "berschreiben?";
std::string Overwrite(const std::string& name) {
    return "Auf Ihrem Computer ist bereits ein Bildschirmschoner mit dem Namen " + name +
           " vorhanden. Soll dieser ersetzt werden?";
}
std::string Rename(const std::string& name) {
    return "Wenn Sie den Namen der .SCR-Datei \xE4ndern m\xF6"
           "chten, m\xFCssen Sie nur die "
           "Installationsdatei " +
           name + " umbenennen und diese dann erneut ausf\xFChren.";
}

class ExistingSaverTest : public SimTest {};

TEST_F(ExistingSaverTest, AsksOnlyWhenTheCandidateExists) {
    struct Case {
        const char* modulePath;
        const char* windowsDirectory;
        const char* existing;  // file in the Windows directory; null: none
        bool folder;           // the existing name is a folder
        int answer;
        int result;
        std::string asked;    // candidate named in the question; empty: no question
        std::string renamed;  // installer named in the rename hint; empty: no hint
    };
    const Case cases[] = {
        {"D:\\DOWNLOAD\\MySaver.exe", "C:\\WINDOWS", nullptr, false, IDYES, 1, "", ""},
        {"D:\\DOWNLOAD\\MySaver.exe", "C:\\WINDOWS", "MySaver.SCR", false, IDYES, 1, "MySaver.SCR",
         ""},
        {"D:\\DOWNLOAD\\MySaver.exe", "C:\\WINDOWS", "MySaver.SCR", false, IDNO, 0, "MySaver.SCR",
         "MySaver.EXE"},
        // The question names the installer's case, not the file's.
        {"D:\\DOWNLOAD\\MYSAVER.EXE", "C:\\WINDOWS", "mysaver.scr", false, IDNO, 0, "MYSAVER.SCR",
         "MYSAVER.EXE"},
        {"D:\\DOWNLOAD\\MySaver.exe", "C:\\WINDOWS", "MySaver.SCR", true, IDYES, 1, "MySaver.SCR",
         ""},
        {"D:\\DOWNLOAD\\my.saver.exe", "C:\\WINDOWS", "my.saver.SCR", false, IDNO, 0,
         "my.saver.SCR", "my.saver.EXE"},
        {"D:\\DOWNLOAD\\my.saver.exe", "C:\\WINDOWS", "MY.SCR", false, IDNO, 1, "", ""},
        {"D:\\DOWNLOAD\\MySaver.exe", "C:\\", "MySaver.SCR", false, IDNO, 0, "MySaver.SCR",
         "MySaver.EXE"},
        // A message box that fails counts as no No.
        {"D:\\DOWNLOAD\\MySaver.exe", "C:\\WINDOWS", "MySaver.SCR", false, 0, 1, "MySaver.SCR", ""},
        // A module path without any '.': the whole name is the base.
        {"D:\\DOWNLOAD\\MySaver", "C:\\WINDOWS", "MySaver.SCR", false, IDNO, 0, "MySaver.SCR",
         "MySaver.EXE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.modulePath) + " / " + (c.existing ? c.existing : "-"));
        sim::Reset(root);
        Sim().modulePath = c.modulePath;
        sim::SetWindowsDirectory(c.windowsDirectory);
        if (c.existing) {
            std::string path = std::string(c.windowsDirectory) +
                               (std::string(c.windowsDirectory).back() == '\\' ? "" : "\\") +
                               c.existing;
            if (c.folder)
                CreateDirectoryA(path.c_str(), nullptr);
            else
                sim::WriteFile(path, {1});
        }
        Sim().messageBoxAnswers = {c.answer};
        EXPECT_EQ(CheckExistingSaver(GetModuleHandleA(nullptr)), c.result);
        size_t boxes = (c.asked.empty() ? 0 : 1) + (c.renamed.empty() ? 0 : 1);
        ASSERT_EQ(Sim().messageBoxes.size(), boxes);
        if (!c.asked.empty()) {
            EXPECT_EQ(Sim().messageBoxes[0].caption, OverwriteCaption);
            EXPECT_EQ(Sim().messageBoxes[0].text, Overwrite(c.asked));
            EXPECT_EQ(Sim().messageBoxes[0].style, 0x24u);
        }
        if (!c.renamed.empty()) {
            EXPECT_EQ(Sim().messageBoxes[1].caption, "Installationsdatei umbenennen");
            EXPECT_EQ(Sim().messageBoxes[1].text, Rename(c.renamed));
            EXPECT_EQ(Sim().messageBoxes[1].style, 0x40u);
        }
    }
}

TEST_F(ExistingSaverTest, GoesOnWhenItCannotLook) {
    struct Case {
        const char* what;
        void (*setup)(sim::State&);
    };
    const Case cases[] = {
        {"module path unknown", [](sim::State& s) { s.moduleFileNameFails = true; }},
        {"Windows directory unknown", [](sim::State& s) { s.windowsDirectoryFails = true; }},
        // The target path would not fit; the extraction reports that later.
        {"path too long",
         [](sim::State& s) { s.modulePath = "D:\\" + std::string(250, 'n') + ".exe"; }},
    };
    for (const Case& c : cases) {
        sim::Reset(root);
        sim::WriteFile("C:\\WINDOWS\\SETUP.SCR", {1});
        c.setup(Sim());
        EXPECT_EQ(CheckExistingSaver(GetModuleHandleA(nullptr)), 1) << c.what;
        EXPECT_TRUE(Sim().messageBoxes.empty()) << c.what;
    }
}

}  // namespace
