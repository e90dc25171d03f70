// The simulated platform behaves as the stub relies on the real one to.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "sim_fixture.h"

namespace {

using stubtest::SimTest;
using Bytes = std::vector<uint8_t>;

class SimPlatformTest : public SimTest {};

TEST_F(SimPlatformTest, NamesMatchWithoutRegardToCase) {
    sim::WriteFile("C:\\WINDOWS\\Saver.scr", {1, 2, 3});
    EXPECT_EQ(sim::HostPath("c:\\windows\\SAVER.SCR"), root / "C" / "WINDOWS" / "Saver.scr");
    EXPECT_NE(GetFileAttributesA("C:\\Windows\\saver.SCR"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\SAVER.S?R"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\OTHER.SCR"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SimPlatformTest, HandlesReadWriteSeekAndTruncate) {
    HFILE file = _lcreat("C:\\WINDOWS\\A.BIN", 0);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_EQ(_lwrite(file, "abcdef", 6), 6u);
    EXPECT_EQ(_llseek(file, 2, FILE_BEGIN), 2);
    char buffer[8] = {};
    EXPECT_EQ(_lread(file, buffer, 8), 4u);
    EXPECT_STREQ(buffer, "cdef");
    EXPECT_EQ(_llseek(file, 3, FILE_BEGIN), 3);
    EXPECT_EQ(_lwrite(file, "", 0), 0u);  // a write of nothing cuts the file here
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\A.BIN"), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(_lopen("C:\\WINDOWS\\MISSING.BIN", OF_READ), HFILE_ERROR);
    EXPECT_EQ(_lopen("C:\\WINDOWS", OF_READ), HFILE_ERROR);
}

TEST_F(SimPlatformTest, FaultsCutWritesReadsAndOpens) {
    Sim().diskFullAfterBytes = 5;
    Sim().uncreatableFiles = {"C:\\WINDOWS\\NO.BIN"};
    EXPECT_EQ(_lcreat("c:\\windows\\no.bin", 0), HFILE_ERROR);
    HFILE file = _lcreat("C:\\WINDOWS\\A.BIN", 0);
    EXPECT_EQ(_lwrite(file, "abc", 3), 3u);
    EXPECT_EQ(_lwrite(file, "defg", 4), 2u);
    EXPECT_EQ(_lwrite(file, "h", 1), 0u);
    _lclose(file);

    Sim().readEndsAt = 3;
    file = _lopen("C:\\WINDOWS\\A.BIN", OF_READ | OF_SHARE_DENY_NONE);
    char buffer[8];
    EXPECT_EQ(_lread(file, buffer, 8), 3u);
    EXPECT_EQ(_lread(file, buffer, 8), 0u);
    Sim().readEndsAt = -1;
    Sim().readFailsAt = 4;
    EXPECT_EQ(_lread(file, buffer, 1), 1u);
    EXPECT_EQ(_lread(file, buffer, 1), static_cast<UINT>(HFILE_ERROR));
    _lclose(file);

    Sim().opensBeforeFailure = 1;
    file = _lopen("C:\\WINDOWS\\A.BIN", OF_READ);
    EXPECT_NE(file, HFILE_ERROR);
    _lclose(file);
    EXPECT_EQ(_lopen("C:\\WINDOWS\\A.BIN", OF_READ), HFILE_ERROR);
}

TEST_F(SimPlatformTest, ModuleNameIsCutUnterminatedWhenTooLong) {
    Sim().modulePath = "C:\\INSTALL\\SETUP.EXE";
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 8), 8u);
    EXPECT_EQ(std::string(buffer, 8), "C:\\INSTA");
    char whole[260];
    EXPECT_EQ(GetModuleFileNameA(nullptr, whole, 260), 20u);
    EXPECT_STREQ(whole, "C:\\INSTALL\\SETUP.EXE");
}

TEST_F(SimPlatformTest, WindowsDirectoryReportsTheSizeItNeeds) {
    char small[4] = "abc";
    EXPECT_EQ(GetWindowsDirectoryA(small, 4), 11u);
    EXPECT_STREQ(small, "abc");
    Sim().windowsDirectoryFails = true;
    char buffer[260];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 260), 0u);
}

TEST_F(SimPlatformTest, ShortPathsOfExistingFiles) {
    sim::WriteFile("C:\\WINDOWS\\LONGSAVERNAME.SCR", {1});
    sim::WriteFile("C:\\WINDOWS\\SHORT.SCR", {1});
    char buffer[260];
    EXPECT_GT(GetShortPathNameA("C:\\WINDOWS\\LONGSAVERNAME.SCR", buffer, 260), 0u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\LONGSA~1.SCR");
    EXPECT_GT(GetShortPathNameA("C:\\WINDOWS\\SHORT.SCR", buffer, 260), 0u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\SHORT.SCR");
    EXPECT_EQ(GetShortPathNameA("C:\\WINDOWS\\NONE.SCR", buffer, 260), 0u);
    Sim().shortPathLength = 300;
    EXPECT_EQ(GetShortPathNameA("C:\\WINDOWS\\SHORT.SCR", buffer, 260), 300u);
}

TEST_F(SimPlatformTest, ProfileWritesKeepOtherEntries) {
    sim::WriteFile(
        "C:\\WINDOWS\\system.ini",
        {'[', 'b', 'o', 'o', 't', ']', '\r', '\n', 's', 'h',  'e',  'l', 'l', '=', 'x',  '\r', '\n',
         '[', 'd', 'r', 'i', 'v', 'e', 'r',  's',  ']', '\r', '\n', 'a', '=', 'b', '\r', '\n'});
    EXPECT_TRUE(WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "C:\\A.SCR", "system.ini"));
    EXPECT_TRUE(WritePrivateProfileStringA("Boot", "scrnsave.exe", "C:\\B.SCR", "system.ini"));
    EXPECT_EQ(sim::ReadIniValue("system.ini", "boot", "SCRNSAVE.EXE"), "C:\\B.SCR");
    EXPECT_EQ(sim::ReadIniValue("system.ini", "boot", "shell"), "x");
    EXPECT_EQ(sim::ReadIniValue("system.ini", "drivers", "a"), "b");
    EXPECT_TRUE(WritePrivateProfileStringA("new", "k", "v", "system.ini"));
    EXPECT_EQ(sim::ReadIniValue("system.ini", "new", "k"), "v");
}

std::vector<UINT> mainMessages;

LRESULT RefusingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    mainMessages.push_back(message);
    if (message == WM_CREATE)
        return -1;
    if (message == WM_DESTROY)
        PostQuitMessage(7);
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(SimPlatformTest, RefusedCreationDestroysTheWindow) {
    mainMessages.clear();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RefusingProc;
    windowClass.lpszClassName = "Test";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    EXPECT_EQ(CreateWindowExA(0, "test", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(mainMessages, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    MSG message;
    EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_FALSE(Sim().waitedForMessage);

    mainMessages.clear();
    EXPECT_EQ(CreateWindowExA(0, "Unknown", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_TRUE(mainMessages.empty());
    EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
    EXPECT_TRUE(Sim().waitedForMessage);
}

std::vector<std::pair<UINT, WPARAM>> dialogMessages;

INT_PTR RecordingDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    dialogMessages.push_back({message, wParam});
    if (message == WM_INITDIALOG) {
        PostMessageA(dialog, WM_COMMAND, 42, 0);
        return TRUE;
    }
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        EndDialog(dialog, static_cast<INT_PTR>(wParam) + 100);
        return TRUE;
    }
    return FALSE;
}

TEST_F(SimPlatformTest, ModalDialogsDeliverPostedMessagesThenTheScriptedClose) {
    struct Case {
        sim::DialogClose close;
        std::vector<std::pair<UINT, WPARAM>> seen;
        INT_PTR result;
    };
    const Case cases[] = {
        {sim::DialogClose::Ok, {{WM_INITDIALOG, 0}, {WM_COMMAND, 42}, {WM_COMMAND, IDOK}}, 101},
        {sim::DialogClose::Escape,
         {{WM_INITDIALOG, 0}, {WM_COMMAND, 42}, {WM_COMMAND, IDCANCEL}},
         102},
        {sim::DialogClose::CloseBox,
         {{WM_INITDIALOG, 0}, {WM_COMMAND, 42}, {WM_SYSCOMMAND, SC_CLOSE}, {WM_COMMAND, IDCANCEL}},
         102},
    };
    for (const Case& c : cases) {
        dialogMessages.clear();
        Sim().dialogCloses = {c.close};
        EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(5), nullptr, RecordingDialog, 0),
                  c.result);
        ASSERT_EQ(dialogMessages.size(), c.seen.size());
        for (size_t i = 0; i < c.seen.size(); ++i) {
            EXPECT_EQ(dialogMessages[i].first, c.seen[i].first) << i;
            if (i > 0) {
                EXPECT_EQ(dialogMessages[i].second, c.seen[i].second) << i;
            }
        }
    }
    Sim().missingDialogs = {6};
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(6), nullptr, RecordingDialog, 0), -1);
}

TEST_F(SimPlatformTest, MessageBoxesTakeScriptedAnswersElseTheFirstButton) {
    Sim().messageBoxAnswers = {IDCANCEL};
    EXPECT_EQ(MessageBoxA(nullptr, "t1", "c1", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "t2", "c2", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "t3", "c3", MB_OK), IDOK);
    ASSERT_EQ(Sim().messageBoxes.size(), 3u);
    EXPECT_EQ(Sim().messageBoxes[1].text, "t2");
    EXPECT_EQ(Sim().messageBoxes[1].caption, "c2");
    EXPECT_EQ(Sim().messageBoxes[1].style, static_cast<UINT>(MB_YESNO));
}

}  // namespace
