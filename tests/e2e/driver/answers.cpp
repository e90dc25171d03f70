// Giving answers by posted messages: they are queued for the dialog's
// thread and handled by its own modal loop, exactly as input would be, and
// the driver never blocks on a busy window.
#include "answers.h"

namespace e2e {

namespace {

struct NamedAnswer {
    Answer answer;
    const char* name;
};

const NamedAnswer kNames[] = {
    {Answer::Ok, "ok"},       {Answer::Cancel, "cancel"}, {Answer::Yes, "yes"},
    {Answer::No, "no"},       {Answer::Enter, "enter"},   {Answer::Escape, "escape"},
    {Answer::Close, "close"},
};

int ButtonId(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return IDOK;
        case Answer::Cancel:
            return IDCANCEL;
        case Answer::Yes:
            return IDYES;
        case Answer::No:
            return IDNO;
        default:
            return 0;
    }
}

// The window that keyboard input for the dialog goes to: its focused
// control, or the dialog itself.
HWND KeyTarget(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus &&
        (info.hwndFocus == dialog || IsChild(dialog, info.hwndFocus))) {
        return info.hwndFocus;
    }
    return dialog;
}

void PostKey(HWND dialog, WORD key) {
    HWND target = KeyTarget(dialog);
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, key, 1 | (LPARAM)scan << 16);
    PostMessageW(target, WM_KEYUP, key, 1 | (LPARAM)scan << 16 | (LPARAM)3 << 30);
}

}  // namespace

std::optional<Answer> ParseAnswer(const std::string& name) {
    for (const NamedAnswer& entry : kNames) {
        if (lstrcmpiA(name.c_str(), entry.name) == 0)
            return entry.answer;
    }
    return std::nullopt;
}

bool ParseAnswers(const std::string& text, std::vector<Answer>* answers, std::string* bad) {
    answers->clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        std::string name = text.substr(start, end - start);
        std::optional<Answer> answer = ParseAnswer(name);
        if (!answer) {
            *bad = name;
            return false;
        }
        answers->push_back(*answer);
        start = end + 1;
    }
    return true;
}

const char* AnswerName(Answer answer) {
    for (const NamedAnswer& entry : kNames) {
        if (entry.answer == answer)
            return entry.name;
    }
    return "?";
}

bool GiveAnswer(const WindowRecord& window, Answer answer) {
    HWND dialog = window.handle;
    switch (answer) {
        case Answer::Enter:
            PostKey(dialog, VK_RETURN);
            return true;
        case Answer::Escape:
            PostKey(dialog, VK_ESCAPE);
            return true;
        case Answer::Close:
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        default:
            break;
    }
    int id = ButtonId(answer);
    for (const ControlRecord* button : VisibleButtons(window)) {
        if (button->id != id)
            continue;
        HWND control = GetDlgItem(dialog, id);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control);
        return true;
    }
    return false;
}

}  // namespace e2e
