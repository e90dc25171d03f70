// Control surface of the simulated Win32 platform that the host build links
// in place of the system. Tests configure it (the installer file, the Windows
// directory, free space, the user's answers, faults), run the stub's code, and
// read back what it did (message boxes and dialogs shown, programs started,
// settings changed). Windows paths ("C:\WINDOWS\X.SCR") live below one host
// folder, one subfolder per drive letter, and are matched without regard to
// letter case as the Windows file system does.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace sim {

// How a modal dialog is closed once its posted messages are delivered and it
// still stands: its OK button (or Enter), Escape, or the close box.
enum class DialogClose { Ok, Escape, CloseBox };

struct MessageBoxRecord {
    std::string caption;
    std::string text;
    UINT style = 0;
    int answer = 0;
};

struct DialogRecord {
    int templateId = 0;
    std::string windowText;
    std::map<int, std::string> itemTexts;
    // Every MoveWindow on the dialog, in order: left, top, right, bottom.
    std::vector<RECT> moves;
    std::vector<BOOL> moveRepaints;
    // Messages the dialog procedure saw, in order.
    std::vector<UINT> messages;
    bool ended = false;
    INT_PTR result = 0;
};

struct ProgramStart {
    std::string commandLine;
    UINT show = 0;
};

struct ClassRecord {
    std::string name;
    UINT style = 0;
    int classExtra = 0;
    int windowExtra = 0;
    uintptr_t iconId = 0;    // resource id given to LoadIconA
    uintptr_t cursorId = 0;  // resource id given to LoadCursorA
    int brush = -1;          // stock object given to GetStockObject
    bool hasMenu = false;
};

struct WindowCreation {
    std::string className;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

struct ParametersCall {
    UINT action = 0;
    UINT param = 0;
    UINT flags = 0;
};

struct State {
    // Configuration. The module path is a Windows path; the installer file
    // itself is written by the test at HostPath(modulePath).
    std::string modulePath = "C:\\INSTALL\\SETUP.EXE";
    std::string windowsDirectory = "C:\\WINDOWS";
    bool moduleFileNameFails = false;
    bool windowsDirectoryFails = false;

    // Free space. The extended query answers freeToCaller/total/totalFree;
    // the older one the cluster geometry.
    bool kernelLoadFails = false;
    bool hasDiskFreeSpaceEx = true;
    bool diskFreeSpaceExFails = false;
    bool diskFreeSpaceFails = false;
    unsigned long long freeToCaller = 1ull << 32;
    unsigned long long totalBytes = 1ull << 36;
    unsigned long long totalFree = 1ull << 33;
    DWORD sectorsPerCluster = 8;
    DWORD bytesPerSector = 512;
    DWORD freeClusters = 1u << 20;
    DWORD totalClusters = 1u << 22;
    bool hasSetDefaultDllDirectories = true;

    // The user's answers, taken in order. An empty queue answers a message
    // box with its first button (IDOK or IDYES) and closes a dialog with OK.
    std::deque<int> messageBoxAnswers;
    std::deque<DialogClose> dialogCloses;
    int screenWidth = 1024;
    int screenHeight = 768;
    // Window rectangle of each dialog template when it opens.
    std::map<int, RECT> dialogRects;

    // Faults.
    std::vector<std::string> uncreatableFiles;  // Windows paths _lcreat and MoveFileExA refuse
    long long diskFullAfterBytes = -1;          // bytes _lwrite accepts in all; -1: no limit
    int opensBeforeFailure = -1;                // _lopen calls that succeed; -1: all
    long long readEndsAt = -1;                  // reads see the end of every file here
    long long readFailsAt = -1;                 // reads reaching this offset fail
    bool shortPathFails = false;
    DWORD shortPathLength = 0;  // non-0: GetShortPathNameA needs this size
    bool classRegistrationFails = false;
    bool refusedCreationSendsDestroy = true;  // false: as Wine, no WM_DESTROY
    bool windowCreationFails = false;
    bool localAllocFails = false;
    bool moveFileFails = false;
    std::vector<int> missingDialogs;  // templates DialogBoxParamA cannot load

    // What happened.
    std::vector<MessageBoxRecord> messageBoxes;
    std::vector<DialogRecord> dialogs;
    std::vector<ProgramStart> programsStarted;
    std::vector<ClassRecord> registeredClasses;
    std::vector<WindowCreation> windowCreations;
    std::vector<ParametersCall> parameterCalls;
    std::vector<DWORD> dllDirectoryCalls;  // SetDefaultDllDirectories arguments
    std::vector<std::string> procLookups;
    std::vector<std::string> diskQueries;  // root paths, "Ex:" or "Old:" prefixed
    std::vector<std::string> createdDirectories;
    std::vector<uintptr_t> cursors;  // resource ids passed to SetCursor
    // One line per visible step, in order: "MessageBox <caption>",
    // "Dialog <id>", "EndDialog <id> <result>", "WinExec <command line>",
    // "Ini <section> <key>=<value>", "ScreenSaveActive <param>".
    std::vector<std::string> events;
    int loadLibraryCount = 0;
    int freeLibraryCount = 0;
    int openHandles = 0;
    int liveAllocations = 0;
    long long bytesWritten = 0;
    bool waitedForMessage = false;  // GetMessageA found no message
    int windowsCreated = 0;
    int windowsDestroyed = 0;
};

// The simulation's state; Reset() gives a fresh one.
State& Get();

// Starts a fresh simulation whose drives live below `hostRoot`, which is
// emptied (or created). The Windows directory is created on disk.
void Reset(const std::filesystem::path& hostRoot);

// The host path of a Windows path: "C:\A\b.txt" becomes <root>/C/A/b.txt,
// each existing component matched without regard to case. A path without a
// drive is taken relative to the Windows directory.
std::filesystem::path HostPath(std::string_view windowsPath);

// Sets the Windows directory and creates it on disk.
void SetWindowsDirectory(std::string windowsPath);

// Writes `bytes` as the installer file at the module path.
void WriteModule(const std::vector<uint8_t>& bytes);

// Reads a whole file by Windows path; nullopt when it does not exist.
std::optional<std::vector<uint8_t>> ReadFile(std::string_view windowsPath);

// Writes a whole file by Windows path, creating its folders.
void WriteFile(std::string_view windowsPath, const std::vector<uint8_t>& bytes);

// The value of `key` in `section` of an INI file (a bare name is looked up
// in the Windows directory); nullopt when absent.
std::optional<std::string> ReadIniValue(std::string_view file, std::string_view section,
                                        std::string_view key);

// Names of the files and folders directly inside a Windows directory, sorted.
std::vector<std::string> ListDirectory(std::string_view windowsPath);

// Thrown by ExitProcess, so that a test can see the code without the test
// process ending.
struct ProcessExit {
    UINT code;
};

}  // namespace sim
