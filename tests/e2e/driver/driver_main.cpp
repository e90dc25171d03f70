// veltrane-uidriver: runs a program under Windows (Wine) and plays its user.
//
//   veltrane-uidriver --transcript FILE [--answers LIST] [--shots DIR]
//                     [--timeout SECONDS] [--settle MILLIS] [--linger MILLIS]
//                     [--paint MILLIS] PROGRAM
//
// Starts PROGRAM (a full path; its folder becomes the current directory, as
// when a user opens it from there), then watches the screen for the
// top-level dialogs and message boxes of every process. Each new one is read
// (caption, texts, buttons, icon, size and position), pictured into the
// shots folder, and, when it has buttons to press, given the next answer of
// LIST (ok, cancel, yes, no, enter, escape, close). Dialogs without visible
// buttons, such as a progress panel, are recorded and left alone. The run
// ends once PROGRAM has ended and every answer has been given, after
// --settle milliseconds without a new window; or when --timeout seconds have
// passed, when a window wants an answer the list does not have, when an
// answer is not taken, or when answers are left and no window has come for
// --linger milliseconds since PROGRAM ended (windows of programs it started
// may still come in that time). The transcript is written in every case.
//
// Exit status: 0 when the run completed, 1 otherwise, 2 for bad arguments.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "answers.h"
#include "screen_capture.h"
#include "transcript.h"
#include "window_record.h"

namespace {

struct Options {
    std::wstring transcript;
    std::wstring shots;
    std::wstring program;
    std::string answers;
    DWORD timeoutMillis = 180000;
    DWORD settleMillis = 2000;
    DWORD lingerMillis = 90000;
    DWORD paintMillis = 500;
};

const DWORD kPollMillis = 10;
const DWORD kAnswerTakenMillis = 60000;

std::string Utf8(const std::wstring& text) {
    return e2e::Utf8FromWide(text.c_str());
}

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        auto value = [&](std::wstring* out) {
            if (i + 1 >= argc)
                return false;
            *out = argv[++i];
            return true;
        };
        std::wstring text;
        if (arg == L"--transcript") {
            if (!value(&options->transcript))
                return false;
        } else if (arg == L"--shots") {
            if (!value(&options->shots))
                return false;
        } else if (arg == L"--answers") {
            if (!value(&text))
                return false;
            options->answers = Utf8(text);
        } else if (arg == L"--timeout") {
            if (!value(&text))
                return false;
            options->timeoutMillis = (DWORD)_wtoi(text.c_str()) * 1000;
        } else if (arg == L"--settle") {
            if (!value(&text))
                return false;
            options->settleMillis = (DWORD)_wtoi(text.c_str());
        } else if (arg == L"--linger") {
            if (!value(&text))
                return false;
            options->lingerMillis = (DWORD)_wtoi(text.c_str());
        } else if (arg == L"--paint") {
            if (!value(&text))
                return false;
            options->paintMillis = (DWORD)_wtoi(text.c_str());
        } else if (arg.size() > 1 && arg[0] == L'-') {
            return false;
        } else if (options->program.empty()) {
            options->program = arg;
        } else {
            return false;
        }
    }
    return !options->transcript.empty() && !options->program.empty();
}

struct Candidates {
    DWORD ownProcess;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM context) {
    auto* candidates = reinterpret_cast<Candidates*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == candidates->ownProcess || !IsWindowVisible(window))
        return TRUE;
    wchar_t name[64];
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, L"#32770") == 0)
        candidates->found.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleDialogs() {
    Candidates candidates{GetCurrentProcessId(), {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&candidates));
    return candidates.found;
}

bool Seen(const e2e::Transcript& transcript, HWND window) {
    for (const e2e::SeenWindow& seen : transcript.windows) {
        if (seen.record.handle == window)
            return true;
    }
    return false;
}

// Pictures the window and finds the kind of its icon from the same picture.
void Picture(const Options& options, e2e::SeenWindow* seen, int number) {
    e2e::ScreenPixels pixels;
    if (!e2e::CaptureScreen(seen->record.rect, &pixels))
        return;
    const e2e::ControlRecord* icon = e2e::IconControl(seen->record);
    seen->icon =
        icon ? e2e::ClassifyIcon(pixels, seen->record.rect, POINT{icon->rect.left, icon->rect.top})
             : "none";
    if (options.shots.empty())
        return;
    wchar_t name[32];
    swprintf(name, 32, L"%02d.bmp", number);
    std::wstring path = options.shots + L"\\" + name;
    if (e2e::SaveBmp(pixels, path))
        seen->screenshot = Utf8(name);
}

bool WaitGone(HWND window, DWORD millis) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < millis) {
        if (!IsWindow(window) || !IsWindowVisible(window))
            return true;
        Sleep(kPollMillis);
    }
    return false;
}

// Watches, answers and records until the run ends; returns the result word.
std::string Drive(const Options& options, HANDLE program, DWORD programId,
                  e2e::Transcript* transcript) {
    size_t nextAnswer = 0;
    DWORD start = GetTickCount();
    DWORD quietSince = 0;
    for (;;) {
        if (GetTickCount() - start > options.timeoutMillis)
            return "timeout";
        bool ended = WaitForSingleObject(program, 0) == WAIT_OBJECT_0;
        if (ended && !transcript->exitCode) {
            DWORD code = 0;
            GetExitCodeProcess(program, &code);
            transcript->exitCode = code;
            quietSince = GetTickCount();
        }
        bool newWindow = false;
        for (HWND window : VisibleDialogs()) {
            if (Seen(*transcript, window))
                continue;
            newWindow = true;
            e2e::SeenWindow seen;
            seen.record = e2e::ReadWindow(window);
            bool wantsAnswer = !e2e::VisibleButtons(seen.record).empty();
            if (wantsAnswer) {
                // Give the window time to paint itself, then read it again: only
                // its picture is new, but a late text change would show too.
                Sleep(options.paintMillis);
                seen.record = e2e::ReadWindow(window);
            }
            // A window that went away while it was read may have lost its
            // controls first: a partial record would show texts the user
            // never missed, so it is left out.
            if (!IsWindow(window) || !IsWindowVisible(window))
                continue;
            seen.ownProgram = seen.record.processId == programId;
            seen.centred = e2e::IsCentred(seen.record);
            seen.icon = "none";
            Picture(options, &seen, (int)transcript->windows.size() + 1);
            if (!wantsAnswer) {
                transcript->windows.push_back(std::move(seen));
                continue;
            }
            if (nextAnswer >= transcript->answers.size()) {
                transcript->windows.push_back(std::move(seen));
                return "unanswered";
            }
            seen.answer = transcript->answers[nextAnswer++];
            bool given = e2e::GiveAnswer(seen.record, *seen.answer);
            seen.answerTaken = given && WaitGone(window, kAnswerTakenMillis);
            transcript->windows.push_back(std::move(seen));
            if (!transcript->windows.back().answerTaken)
                return "unanswered";
        }
        // Quiet time counts from the program's end or the last new window,
        // whichever came later.
        if (newWindow)
            quietSince = GetTickCount();
        if (ended && nextAnswer >= transcript->answers.size() &&
            GetTickCount() - quietSince >= options.settleMillis) {
            return "complete";
        }
        if (ended && GetTickCount() - quietSince >= options.lingerMillis)
            return "answers left";
        Sleep(kPollMillis);
    }
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Options options;
    if (!argv || !ParseOptions(argc, argv, &options)) {
        fprintf(stderr,
                "usage: veltrane-uidriver --transcript FILE [--answers LIST] [--shots DIR]\n"
                "         [--timeout SECONDS] [--settle MILLIS] [--linger MILLIS]\n"
                "         [--paint MILLIS] PROGRAM\n");
        return 2;
    }
    e2e::Transcript transcript;
    transcript.program = Utf8(options.program);
    std::string bad;
    if (!e2e::ParseAnswers(options.answers, &transcript.answers, &bad)) {
        fprintf(stderr, "veltrane-uidriver: unknown answer '%s'\n", bad.c_str());
        return 2;
    }
    if (!options.shots.empty())
        CreateDirectoryW(options.shots.c_str(), nullptr);

    std::wstring folder = options.program;
    size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? L"." : folder.substr(0, slash + 1);
    std::wstring commandLine = L"\"" + options.program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(options.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, folder.c_str(), &startup, &process)) {
        transcript.result = "error";
        transcript.error = "cannot start the program, error " + std::to_string(GetLastError());
    } else {
        transcript.result = Drive(options, process.hProcess, process.dwProcessId, &transcript);
        if (transcript.result != "complete" &&
            WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 255);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (!e2e::WriteTranscript(transcript, options.transcript)) {
        fprintf(stderr, "veltrane-uidriver: cannot write the transcript\n");
        return 1;
    }
    printf("veltrane-uidriver: %s\n", transcript.result.c_str());
    return transcript.result == "complete" ? 0 : 1;
}
