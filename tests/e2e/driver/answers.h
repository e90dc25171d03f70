// The answers a scenario gives, one for each window that waits for the
// user, and how the driver gives them: the way a user's click, key or close
// box reaches the dialog.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "window_record.h"

namespace e2e {

enum class Answer {
    Ok,      // the button with id IDOK
    Cancel,  // IDCANCEL
    Yes,     // IDYES
    No,      // IDNO
    Enter,   // the Return key
    Escape,  // the Escape key
    Close,   // the close box of the title bar
};

// Parses one answer name (case-insensitive: ok, cancel, yes, no, enter,
// escape, close).
std::optional<Answer> ParseAnswer(const std::string& name);

// Parses a comma-separated list; false and the bad name in `bad` when one
// is unknown. An empty text gives an empty list.
bool ParseAnswers(const std::string& text, std::vector<Answer>* answers, std::string* bad);

const char* AnswerName(Answer answer);

// Gives the answer to the window. A button answer posts the click's
// command (WM_COMMAND with the button's id and BN_CLICKED) to the window;
// keys are posted as key presses to the control that has the focus, where
// the dialog's own loop turns them into commands; the close box posts the
// system command it sends. False when the window has no such button.
bool GiveAnswer(const WindowRecord& window, Answer answer);

}  // namespace e2e
