// Whole runs of the installer from WinMain over the simulated platform:
// the messages of each stage, the stops, the targets, system.ini, the
// program started and the exit code.
#include "app/install_sequence.h"

#include <gtest/gtest.h>
#include <pe_fixture.h>

#include <string>

#include "app/main_window.h"
#include "app/program_state.h"
#include "sim_fixture.h"

namespace {

using stubtest::InstallerFile;
using stubtest::SimTest;
using Bytes = std::vector<uint8_t>;

const char Caption[] = "Installation des Bildschirmschoners Meeresrauschen";
const std::string Confirm(const std::string& saver, const std::string& name,
                          const std::string& windows, const std::string& bytes) {
    return "Dieses Programm installiert " + saver + " (" + name + " Bildschirmschoner) nach " +
           windows +
           " und macht diesen zu Ihrem Standard-Bildschirmschoner. Die Installation ben\xF6tigt " +
           bytes + " Byte.";
}
const std::string Finish(const std::string& windows, const std::string& folder) {
    return "Installation beendet!\r\n\r\nDie Datendateien wurden in das Verzeichnis " + windows +
           "PELLIVAR\\VELTRANE" + folder + " kopiert.";
}
const char DamagedCaption[] =
    "Installationsdatei besch\xE4"
    "digt";
const char DamagedText[] =
    "Die Installationsdatei ist besch\xE4"
    "digt oder unvollst\xE4ndig. Bitte laden Sie sie erneut herunter.";

class InstallTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        Sim().modulePath = "D:\\DOWNLOAD\\setup.exe";
    }

    int Run() {
        char commandLine[] = "";
        return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    }

    std::vector<InstallerFile> ThreeFiles() {
        return {{stubtest::PatternBytes(1500, 1)},
                {stubtest::PatternBytes(700, 2)},
                {stubtest::PatternBytes(300, 3), false, ".TMP"}};
    }

    // Only the installer, its folder and the untouched Windows directory.
    void ExpectNothingWritten() {
        EXPECT_TRUE(sim::ListDirectory("C:\\WINDOWS").empty());
        EXPECT_TRUE(Sim().parameterCalls.empty());
        EXPECT_TRUE(Sim().programsStarted.empty());
    }

    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (const auto& box : Sim().messageBoxes) captions.push_back(box.caption);
        return captions;
    }
};

TEST_F(InstallTest, CompleteRunShowsEveryStageInOrder) {
    InstallInstaller("Meeresrauschen", 9, ThreeFiles());
    EXPECT_EQ(Run(), 0);

    ASSERT_EQ(Sim().messageBoxes.size(), 2u);
    const auto& confirm = Sim().messageBoxes[0];
    EXPECT_EQ(confirm.caption, Caption);
    EXPECT_EQ(confirm.text, Confirm("SETUP.SCR", "Meeresrauschen", "C:\\WINDOWS", "2,500"));
    EXPECT_EQ(confirm.style, 0x41u);
    const auto& finish = Sim().messageBoxes[1];
    EXPECT_EQ(finish.caption, Caption);
    EXPECT_EQ(finish.text, Finish("C:\\WINDOWS\\", "\\SETUP"));
    EXPECT_EQ(finish.style, 0x30u);

    EXPECT_EQ(Sim().events,
              (std::vector<std::string>{"MessageBox " + std::string(Caption), "Dialog 103",
                                        "Ini boot SCRNSAVE.EXE=C:\\WINDOWS\\SETUP.SCR",
                                        "ScreenSaveActive 1", "EndDialog 103 1",
                                        "MessageBox " + std::string(Caption), "Dialog 104",
                                        "EndDialog 104 1", "WinExec \"C:\\WINDOWS\\SETUP.SCR\""}));
    ASSERT_EQ(Sim().programsStarted.size(), 1u);
    EXPECT_EQ(Sim().programsStarted[0].show, static_cast<UINT>(SW_SHOW));
    EXPECT_EQ(Sim().cursors, (std::vector<uintptr_t>{32514, 32512}));

    auto files = ThreeFiles();
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\SETUP.SCR"), files[0].content);
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\setup.DAT"), files[1].content);
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\FILE0009.TMP"),
              files[2].content);
    EXPECT_EQ(sim::ListDirectory("C:\\WINDOWS"),
              (std::vector<std::string>{"PELLIVAR", "SETUP.SCR", "system.ini"}));

    EXPECT_EQ(Sim().dllDirectoryCalls, (std::vector<DWORD>{0x800}));
    EXPECT_FALSE(Sim().waitedForMessage);
    EXPECT_EQ(Sim().windowsCreated, 1);
    EXPECT_EQ(Sim().windowsDestroyed, 1);
}

TEST_F(InstallTest, CompressedEntriesInstallLikeStoredOnes) {
    if (!stubtest::CanCompress())
        GTEST_SKIP() << "needs the compressor";
    std::vector<InstallerFile> files = {{stubtest::PatternBytes(30000, 1), true},
                                        {stubtest::PatternBytes(20000, 2), false},
                                        {stubtest::PatternBytes(17000, 3), true, ".WAV"}};
    InstallInstaller("Meeresrauschen", 1, files);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Sim().messageBoxes[0].text,
              Confirm("SETUP.SCR", "Meeresrauschen", "C:\\WINDOWS", "67,000"));
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\SETUP.SCR"), files[0].content);
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\setup.DAT"), files[1].content);
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\FILE0001.WAV"),
              files[2].content);
}

TEST_F(InstallTest, NamesAndNumbersInTheTexts) {
    struct Case {
        const char* modulePath;
        const char* windowsDirectory;
        std::string displayName;
        std::vector<size_t> sizes;
        std::string caption;
        std::string confirm;
        std::string finish;
    };
    const Case cases[] = {
        {"D:\\Downloads\\Sea.World.exe",
         "C:\\WINDOWS",
         "Welt",
         {999},
         "Installation des Bildschirmschoners Welt",
         Confirm("SEA.SCR", "Welt", "C:\\WINDOWS", "999"),
         Finish("C:\\WINDOWS\\", "\\SEA.WORLD")},
        {"D:\\x\\setup.exe",
         "C:\\Windows",
         "Welt",
         {1000000},
         "Installation des Bildschirmschoners Welt",
         Confirm("SETUP.SCR", "Welt", "C:\\WINDOWS", "1,000,000"),
         Finish("C:\\Windows\\", "\\SETUP")},
        {"D:\\x\\setup.exe",
         "C:\\",
         "Welt",
         {1},
         "Installation des Bildschirmschoners Welt",
         Confirm("SETUP.SCR", "Welt", "C:\\", "1"),
         Finish("C:\\", "\\SETUP")},
        // Trailing spaces go; leading and inner ones and tabs stay.
        {"D:\\x\\setup.exe",
         "C:\\WINDOWS",
         "  Sch\xF6ne Welt\t  ",
         {1},
         "Installation des Bildschirmschoners   Sch\xF6ne Welt\t",
         Confirm("SETUP.SCR", "  Sch\xF6ne Welt\t", "C:\\WINDOWS", "1"),
         Finish("C:\\WINDOWS\\", "\\SETUP")},
        {"D:\\x\\setup.exe",
         "C:\\WINDOWS",
         std::string(32, ' '),
         {1},
         "Installation des Bildschirmschoners ",
         Confirm("SETUP.SCR", "", "C:\\WINDOWS", "1"),
         Finish("C:\\WINDOWS\\", "\\SETUP")},
        // A name filling its whole field is used whole.
        {"D:\\x\\setup.exe",
         "C:\\WINDOWS",
         std::string(32, 'N'),
         {1},
         "Installation des Bildschirmschoners " + std::string(32, 'N'),
         Confirm("SETUP.SCR", std::string(32, 'N'), "C:\\WINDOWS", "1"),
         Finish("C:\\WINDOWS\\", "\\SETUP")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modulePath);
        sim::Reset(root);
        ResetProgramState();
        Sim().modulePath = c.modulePath;
        sim::SetWindowsDirectory(c.windowsDirectory);
        std::vector<InstallerFile> files;
        for (size_t size : c.sizes) files.push_back({Bytes(size, 'x')});
        InstallInstaller(c.displayName, 0, files);
        EXPECT_EQ(Run(), 0);
        ASSERT_EQ(Sim().messageBoxes.size(), 2u) << Sim().messageBoxes.back().text;
        EXPECT_EQ(Sim().messageBoxes[0].caption, c.caption);
        EXPECT_EQ(Sim().messageBoxes[0].text, c.confirm);
        EXPECT_EQ(Sim().messageBoxes[1].text, c.finish);
        ASSERT_EQ(Sim().dialogs.size(), 2u);
        EXPECT_EQ(Sim().dialogs[0].windowText, c.caption);
    }
}

TEST_F(InstallTest, EmptyCatalogueShowsZeroBytes) {
    InstallInstaller("Meeresrauschen", 0, {});
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Sim().messageBoxes[0].text,
              Confirm("SETUP.SCR", "Meeresrauschen", "C:\\WINDOWS", "0"));
}

TEST_F(InstallTest, CancelAtTheConfirmationWritesNothing) {
    for (int answer : {IDCANCEL, 0}) {
        sim::Reset(root);
        ResetProgramState();
        Sim().modulePath = "D:\\DOWNLOAD\\setup.exe";
        InstallInstaller("Meeresrauschen", 9, ThreeFiles());
        Sim().messageBoxAnswers = {answer};
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(Sim().messageBoxes.size(), 1u);
        EXPECT_TRUE(Sim().dialogs.empty());
        ExpectNothingWritten();
        EXPECT_FALSE(Sim().waitedForMessage);
    }
}

TEST_F(InstallTest, ExistingSaverStopsOnNo) {
    InstallInstaller("Meeresrauschen", 9, ThreeFiles());
    sim::WriteFile("C:\\WINDOWS\\setup.scr", {'o', 'l', 'd'});
    Sim().messageBoxAnswers = {IDNO};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Bildschirmschoner \xFC"
                                                    "berschreiben?",
                                                    "Installationsdatei umbenennen"}));
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\SETUP.SCR"), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(Sim().dialogs.empty());
}

TEST_F(InstallTest, ExistingSaverIsReplacedOnYes) {
    InstallInstaller("Meeresrauschen", 9, ThreeFiles());
    sim::WriteFile("C:\\WINDOWS\\setup.scr", {'o', 'l', 'd'});
    Sim().messageBoxAnswers = {IDYES};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Sim().messageBoxes.size(), 3u);
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\SETUP.SCR"), ThreeFiles()[0].content);
}

TEST_F(InstallTest, DiskFullWarningLetsTheUserStop) {
    InstallInstaller("Meeresrauschen", 9, {{Bytes(4096, 1)}});
    Sim().freeToCaller = 4096;
    Sim().messageBoxAnswers = {IDCANCEL};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Datentr\xE4ger voll"}));
    ExpectNothingWritten();
}

TEST_F(InstallTest, DamagedInstallerSaysSoFirstAndWritesNothing) {
    struct Case {
        const char* what;
        void (*damage)(Bytes&);
    };
    const Case cases[] = {
        {"no payload", [](Bytes& b) { b[60] = 0xFF; }},
        {"truncated catalogue", [](Bytes& b) { b.resize(fixture::MakePe().markerData + 34 + 20); }},
        {"data outside the file", [](Bytes& b) { b.resize(b.size() - 1); }},
        {"sizes of 2^31",
         [](Bytes& b) { fixture::PutLe32(b, fixture::MakePe().markerData + 34 + 8, 0x80000000u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset(root);
        ResetProgramState();
        Sim().modulePath = "D:\\DOWNLOAD\\setup.exe";
        Bytes installer = stubtest::BuildInstaller("Meeresrauschen", 9, ThreeFiles());
        c.damage(installer);
        sim::WriteModule(installer);
        // Even an existing saver is not asked about first.
        sim::WriteFile("C:\\WINDOWS\\SETUP.SCR", {'o', 'l', 'd'});
        EXPECT_EQ(Run(), 1);
        ASSERT_EQ(Sim().messageBoxes.size(), 1u);
        EXPECT_EQ(Sim().messageBoxes[0].caption, DamagedCaption);
        EXPECT_EQ(Sim().messageBoxes[0].text, DamagedText);
        EXPECT_EQ(Sim().messageBoxes[0].style, 0x30u);
        EXPECT_EQ(sim::ListDirectory("C:\\WINDOWS"), (std::vector<std::string>{"SETUP.SCR"}));
        EXPECT_TRUE(Sim().dialogs.empty());
        EXPECT_FALSE(Sim().waitedForMessage);
    }
}

TEST_F(InstallTest, IncompleteInstallationIsReportedNotFinished) {
    InstallInstaller("Meeresrauschen", 9, ThreeFiles());
    Sim().uncreatableFiles = {"C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\setup.DAT"};
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(Sim().messageBoxes.size(), 2u);
    const auto& incomplete = Sim().messageBoxes[1];
    EXPECT_EQ(incomplete.caption, Caption);
    EXPECT_EQ(
        incomplete.text,
        "Die Installation ist unvollst\xE4ndig: C:\\WINDOWS\\PELLIVAR\\VELTRANE\\setup\\setup.DAT "
        "konnte nicht geschrieben werden.");
    EXPECT_EQ(incomplete.style, 0x30u);
    // The saver itself was written, so it is registered; nothing is started.
    EXPECT_EQ(sim::ReadIniValue("system.ini", "boot", "SCRNSAVE.EXE"), "C:\\WINDOWS\\SETUP.SCR");
    ASSERT_EQ(Sim().dialogs.size(), 1u);
    EXPECT_TRUE(Sim().programsStarted.empty());
    EXPECT_FALSE(Sim().waitedForMessage);
}

TEST_F(InstallTest, SaverThatCannotBeWrittenIsNotRegistered) {
    InstallInstaller("Meeresrauschen", 9, ThreeFiles());
    Sim().diskFullAfterBytes = 1000;
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Sim().messageBoxes.back().text,
              "Die Installation ist unvollst\xE4ndig: C:\\WINDOWS\\SETUP.SCR konnte nicht "
              "geschrieben werden.");
    EXPECT_FALSE(sim::ReadFile("C:\\WINDOWS\\SETUP.SCR"));
    EXPECT_FALSE(sim::ReadIniValue("system.ini", "boot", "SCRNSAVE.EXE"));
    EXPECT_TRUE(Sim().parameterCalls.empty());
    EXPECT_TRUE(Sim().programsStarted.empty());
}

TEST_F(InstallTest, ExtractionDialogThatCannotOpenCountsAsIncomplete) {
    InstallInstaller("Meeresrauschen", 9, ThreeFiles());
    Sim().missingDialogs = {103};
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Sim().messageBoxes.back().text,
              "Die Installation ist unvollst\xE4ndig: C:\\WINDOWS\\SETUP.SCR konnte nicht "
              "geschrieben werden.");
}

TEST_F(InstallTest, LongestPathsAreNotCutFromTheMessages) {
    std::string folder = "D:\\" + std::string(240, 'd');
    Sim().modulePath = folder + "\\" + std::string(10, 's') + ".exe";
    ASSERT_EQ(Sim().modulePath.size(), 258u);
    std::string windows = "C:\\" + std::string(250, 'w');
    sim::SetWindowsDirectory(windows);
    InstallInstaller(std::string(32, 'N'), 0, {{Bytes(1234567, 0)}});
    EXPECT_EQ(Run(), 1);
    std::string upper = "C:\\" + std::string(250, 'W');
    EXPECT_EQ(Sim().messageBoxes[0].text,
              Confirm(std::string(10, 'S') + ".SCR", std::string(32, 'N'), upper, "1,234,567"));
    // The saver's path would be longer than a path may be.
    EXPECT_EQ(Sim().messageBoxes[1].text.find("Die Installation ist unvollst\xE4ndig: "), 0u);
}

TEST_F(InstallTest, WindowThatCannotBeCreatedEndsTheProgram) {
    for (bool classFails : {false, true}) {
        sim::Reset(root);
        ResetProgramState();
        InstallInstaller("Meeresrauschen", 9, ThreeFiles());
        Sim().windowCreationFails = !classFails;
        Sim().classRegistrationFails = classFails;
        EXPECT_EQ(Run(), 1);
        EXPECT_FALSE(Sim().waitedForMessage);
        EXPECT_TRUE(Sim().messageBoxes.empty());
        ExpectNothingWritten();
    }
}

TEST_F(InstallTest, RefusalWithoutDestroyKeepsTheExitCode) {
    struct Case {
        bool complete;
        int exitCode;
    };
    for (Case c : {Case{true, 0}, Case{false, 1}}) {
        sim::Reset(root);
        ResetProgramState();
        Sim().modulePath = "D:\\DOWNLOAD\\setup.exe";
        InstallInstaller("Meeresrauschen", 9, ThreeFiles());
        Sim().refusedCreationSendsDestroy = false;
        if (!c.complete)
            Sim().uncreatableFiles = {"C:\\WINDOWS\\SETUP.SCR"};
        EXPECT_EQ(Run(), c.exitCode);
        EXPECT_FALSE(Sim().waitedForMessage);
        EXPECT_EQ(Sim().windowsDestroyed, 0);
    }
}

TEST_F(InstallTest, SystemsWithoutDllDirectoryControlStillInstall) {
    InstallInstaller("Meeresrauschen", 9, ThreeFiles());
    Sim().hasSetDefaultDllDirectories = false;
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(Sim().dllDirectoryCalls.empty());
    EXPECT_EQ(Sim().programsStarted.size(), 1u);
}

TEST_F(InstallTest, MainWindowIsCreatedFromItsClass) {
    InstallInstaller("Meeresrauschen", 9, ThreeFiles());
    Sim().messageBoxAnswers = {IDCANCEL};
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(Sim().registeredClasses.size(), 1u);
    const sim::ClassRecord& windowClass = Sim().registeredClasses[0];
    EXPECT_EQ(windowClass.name, "VeltraneInst");
    EXPECT_EQ(windowClass.style, 3u);
    EXPECT_EQ(windowClass.classExtra, 0);
    EXPECT_EQ(windowClass.windowExtra, 0);
    EXPECT_EQ(windowClass.iconId, 101u);
    EXPECT_EQ(windowClass.cursorId, 32512u);
    EXPECT_EQ(windowClass.brush, WHITE_BRUSH);
    EXPECT_FALSE(windowClass.hasMenu);
    ASSERT_EQ(Sim().windowCreations.size(), 1u);
    const sim::WindowCreation& window = Sim().windowCreations[0];
    EXPECT_EQ(window.className, "VeltraneInst");
    EXPECT_EQ(window.title, "");
    EXPECT_EQ(window.style, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(window.x, CW_USEDEFAULT);
    EXPECT_EQ(window.height, CW_USEDEFAULT);
}

TEST_F(InstallTest, MainWindowPassesOtherMessagesOn) {
    EXPECT_EQ(MainWindowProc(nullptr, WM_NCCREATE, 0, 0), TRUE);
    EXPECT_EQ(MainWindowProc(nullptr, 0x000F, 0, 0), 0);
}

}  // namespace
