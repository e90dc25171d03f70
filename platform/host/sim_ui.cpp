// Simulated windows, message queue, message boxes and modal dialogs. Window
// creation sends WM_NCCREATE and WM_CREATE; a WM_CREATE answered with -1
// destroys the window (WM_DESTROY, WM_NCDESTROY) and the creation returns
// null. A modal dialog gets WM_INITDIALOG, then every queued message, then
// the scripted close, until EndDialog.
#include <algorithm>
#include <memory>

#include "platform/host/sim_internal.h"

using sim::Get;

struct HWND__ {
    enum Kind { Main, Dialog, Control } kind = Main;
    WNDPROC windowProc = nullptr;
    DLGPROC dialogProc = nullptr;
    HWND parent = nullptr;
    int id = 0;
    std::string text;
    RECT rect{0, 0, 0, 0};
    size_t record = 0;  // index in State::dialogs
    bool alive = true;
    bool ended = false;
    INT_PTR result = 0;
};

namespace sim {
namespace {

std::vector<std::unique_ptr<HWND__>> windows;
std::vector<WNDCLASSA> classes;
std::vector<std::string> classNames;
std::deque<MSG> queue;
HCURSOR currentCursor = nullptr;

// Fake resource handles carry their id above these bases.
const uintptr_t IconBase = 0x10000;
const uintptr_t CursorBase = 0x20000;
const uintptr_t StockBase = 0x30000;
// A dialog that neither a posted message nor this many closes can end is
// given up, so that a faulty procedure fails its test instead of hanging it.
const int DialogCloseLimit = 8;

HWND NewWindow(HWND__::Kind kind) {
    windows.push_back(std::make_unique<HWND__>());
    windows.back()->kind = kind;
    return windows.back().get();
}

bool IsAlive(HWND window) {
    for (const auto& owned : windows)
        if (owned.get() == window)
            return owned->alive;
    return false;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsAlive(window))
        return 0;
    if (window->kind == HWND__::Main)
        return window->windowProc(window, message, wParam, lParam);
    if (window->kind == HWND__::Dialog) {
        Get().dialogs[window->record].messages.push_back(message);
        return window->dialogProc(window, message, wParam, lParam);
    }
    return 0;
}

void Destroy(HWND window) {
    Send(window, WM_DESTROY, 0, 0);
    Send(window, WM_NCDESTROY, 0, 0);
    window->alive = false;
    ++Get().windowsDestroyed;
}

// Closes a dialog as the user would: OK/Enter and Escape are commands of
// their buttons; the close box is a system command that an unhandled
// procedure turns into IDCANCEL.
void CloseByScript(HWND dialog) {
    auto& s = Get();
    DialogClose close = DialogClose::Ok;
    if (!s.dialogCloses.empty()) {
        close = s.dialogCloses.front();
        s.dialogCloses.pop_front();
    }
    switch (close) {
        case DialogClose::Ok:
            Send(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
            break;
        case DialogClose::Escape:
            Send(dialog, WM_COMMAND, IDCANCEL,
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
            break;
        case DialogClose::CloseBox:
            if (!Send(dialog, WM_SYSCOMMAND, SC_CLOSE, 0))
                Send(dialog, WM_COMMAND, IDCANCEL, 0);
            break;
    }
}

}  // namespace

void ResetUi() {
    windows.clear();
    classes.clear();
    classNames.clear();
    queue.clear();
    currentCursor = nullptr;
}

}  // namespace sim

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    if (Get().classRegistrationFails || !windowClass || !windowClass->lpszClassName)
        return 0;
    sim::classes.push_back(*windowClass);
    sim::classNames.push_back(windowClass->lpszClassName);
    sim::classes.back().lpszClassName = sim::classNames.back().c_str();
    sim::ClassRecord record;
    record.name = windowClass->lpszClassName;
    record.style = windowClass->style;
    record.classExtra = windowClass->cbClsExtra;
    record.windowExtra = windowClass->cbWndExtra;
    record.iconId = reinterpret_cast<uintptr_t>(windowClass->hIcon) - sim::IconBase;
    record.cursorId = reinterpret_cast<uintptr_t>(windowClass->hCursor) - sim::CursorBase;
    record.brush =
        static_cast<int>(reinterpret_cast<uintptr_t>(windowClass->hbrBackground) - sim::StockBase);
    record.hasMenu = windowClass->lpszMenuName != nullptr;
    Get().registeredClasses.push_back(record);
    return static_cast<ATOM>(0xC000 + sim::classes.size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    auto& s = Get();
    s.windowCreations.push_back(
        {className ? className : "", title ? title : "", style, exStyle, x, y, width, height});
    const WNDCLASSA* found = nullptr;
    for (size_t i = 0; i < sim::classes.size(); ++i)
        if (sim::SameName(sim::classNames[i], className))
            found = &sim::classes[i];
    if (!found || s.windowCreationFails)
        return nullptr;
    HWND window = sim::NewWindow(HWND__::Main);
    window->windowProc = found->lpfnWndProc;
    window->text = title ? title : "";
    ++s.windowsCreated;
    CREATESTRUCTA create{
        param, instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        title, className, exStyle};
    LPARAM createParam = reinterpret_cast<LPARAM>(&create);
    if (!sim::Send(window, WM_NCCREATE, 0, createParam) ||
        sim::Send(window, WM_CREATE, 0, createParam) == -1) {
        if (s.refusedCreationSendsDestroy) {
            sim::Destroy(window);
        } else {
            window->alive = false;
        }
        return nullptr;
    }
    return window;
}

BOOL ShowWindow(HWND window, int) {
    return sim::IsAlive(window) ? TRUE : FALSE;
}
BOOL UpdateWindow(HWND window) {
    return sim::IsAlive(window) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* message, HWND, UINT, UINT) {
    if (sim::queue.empty()) {
        // A real program would wait here for ever; the simulation notes it
        // and ends the loop so that the test can report it.
        Get().waitedForMessage = true;
        *message = MSG{nullptr, WM_QUIT, 0, 0, 0, {0, 0}};
        return FALSE;
    }
    *message = sim::queue.front();
    sim::queue.pop_front();
    return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* message) {
    return sim::Send(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT DefWindowProcA(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_NCCREATE ? TRUE : 0;
}

void PostQuitMessage(int code) {
    sim::queue.push_back(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(code), 0, 0, {0, 0}});
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!sim::IsAlive(window))
        return FALSE;
    sim::queue.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HICON>(sim::IconBase + reinterpret_cast<uintptr_t>(name));
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HCURSOR>(sim::CursorBase + reinterpret_cast<uintptr_t>(name));
}

HCURSOR SetCursor(HCURSOR cursor) {
    Get().cursors.push_back(reinterpret_cast<uintptr_t>(cursor) - sim::CursorBase);
    HCURSOR previous = sim::currentCursor;
    sim::currentCursor = cursor;
    return previous;
}

HGDIOBJ GetStockObject(int object) {
    return reinterpret_cast<HGDIOBJ>(sim::StockBase + static_cast<uintptr_t>(object));
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT style) {
    auto& s = Get();
    int answer = (style & 0xF) == MB_YESNO ? IDYES : IDOK;
    if (!s.messageBoxAnswers.empty()) {
        answer = s.messageBoxAnswers.front();
        s.messageBoxAnswers.pop_front();
    }
    s.messageBoxes.push_back({caption ? caption : "", text ? text : "", style, answer});
    sim::Log("MessageBox " + s.messageBoxes.back().caption);
    return answer;
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM param) {
    auto& s = Get();
    int id = static_cast<int>(reinterpret_cast<uintptr_t>(templateName));
    if (std::find(s.missingDialogs.begin(), s.missingDialogs.end(), id) != s.missingDialogs.end())
        return -1;
    sim::Log("Dialog " + std::to_string(id));
    HWND dialog = sim::NewWindow(HWND__::Dialog);
    dialog->dialogProc = procedure;
    dialog->parent = owner;
    dialog->id = id;
    auto rect = s.dialogRects.find(id);
    dialog->rect = rect != s.dialogRects.end() ? rect->second : RECT{0, 0, 300, 150};
    dialog->record = s.dialogs.size();
    s.dialogs.push_back(sim::DialogRecord{});
    s.dialogs.back().templateId = id;

    sim::Send(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), param);
    int closes = 0;
    while (!dialog->ended) {
        if (!sim::queue.empty()) {
            MSG message = sim::queue.front();
            sim::queue.pop_front();
            if (message.message == WM_QUIT) {
                // The quit message ends the modal loop and stays for the
                // loop outside it.
                sim::queue.push_back(message);
                break;
            }
            DispatchMessageA(&message);
        } else if (closes++ < sim::DialogCloseLimit) {
            sim::CloseByScript(dialog);
        } else {
            break;
        }
    }
    dialog->alive = false;
    if (!dialog->ended)
        return -1;
    sim::Log("EndDialog " + std::to_string(id) + " " + std::to_string(dialog->result));
    return dialog->result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    if (!sim::IsAlive(dialog) || dialog->kind != HWND__::Dialog)
        return FALSE;
    dialog->ended = true;
    dialog->result = result;
    auto& record = Get().dialogs[dialog->record];
    record.ended = true;
    record.result = result;
    return TRUE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    if (!sim::IsAlive(window))
        return FALSE;
    window->text = text ? text : "";
    if (window->kind == HWND__::Dialog)
        Get().dialogs[window->record].windowText = window->text;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    if (!sim::IsAlive(dialog))
        return nullptr;
    for (const auto& owned : sim::windows)
        if (owned->kind == HWND__::Control && owned->parent == dialog && owned->id == id)
            return owned.get();
    HWND control = sim::NewWindow(HWND__::Control);
    control->parent = dialog;
    control->id = id;
    return control;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return FALSE;
    control->text = text ? text : "";
    Get().dialogs[dialog->record].itemTexts[id] = control->text;
    return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (!sim::IsAlive(window))
        return FALSE;
    *rect = window->rect;
    return TRUE;
}

int GetSystemMetrics(int index) {
    if (index == SM_CXSCREEN)
        return Get().screenWidth;
    if (index == SM_CYSCREEN)
        return Get().screenHeight;
    return 0;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    if (!sim::IsAlive(window))
        return FALSE;
    window->rect = RECT{x, y, x + width, y + height};
    if (window->kind == HWND__::Dialog) {
        Get().dialogs[window->record].moves.push_back(window->rect);
        Get().dialogs[window->record].moveRepaints.push_back(repaint);
    }
    return TRUE;
}
