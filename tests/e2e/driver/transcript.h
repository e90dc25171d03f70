// The driver's transcript: one JSON document in UTF-8 with every window the
// driver saw, in order, with what it read and how it answered, and how the
// watched program ended.
//
//   {
//     "program": "C:\\Inst\\setup.exe",
//     "answers": ["ok", "ok"],           the scenario as given
//     "windows": [
//       { "process": "C:\\Inst\\setup.exe", "ownProgram": true,
//         "class": "#32770", "caption": "...",
//         "rect": [x, y, width, height], "screen": [width, height],
//         "centred": true,
//         "icon": "information",          or "question", "exclamation",
//                                         "error", "unknown", "none"
//         "texts": ["..."],               visible static texts, in control order
//         "buttons": [{"id": 1, "text": "OK"}],   visible push buttons
//         "controls": [{"class": "Static", "id": 65535, "text": "...",
//                       "visible": true, "rect": [x, y, width, height]}],
//         "answer": "ok",                 null when the window wanted none
//         "answerTaken": true,            the window went away after it
//         "screenshot": "01.bmp" }        file in the shots folder, or null
//     ],
//     "exitCode": 0,                      null when the program did not end
//     "result": "complete"                or "timeout", "unanswered" (a window
//                                         wanted an answer the list lacks, or
//                                         did not take one), "answers left",
//                                         "error"
//   }
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "answers.h"
#include "window_record.h"

namespace e2e {

struct SeenWindow {
    WindowRecord record;
    bool ownProgram = false;  // owned by the program the driver started
    bool centred = false;
    std::string icon;  // see the map above
    std::optional<Answer> answer;
    bool answerTaken = false;
    std::string screenshot;  // file name, "" when none was taken
};

struct Transcript {
    std::string program;
    std::vector<Answer> answers;
    std::vector<SeenWindow> windows;
    std::optional<DWORD> exitCode;
    std::string result;
    std::string error;  // why the run could not be driven, for "error"
};

// Writes the transcript; false when the file cannot be written.
bool WriteTranscript(const Transcript& transcript, const std::wstring& path);

}  // namespace e2e
