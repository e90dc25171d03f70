// Reading a window of another process. GetWindowTextW on a foreign window
// returns the text the window manager keeps without sending the window a
// message, so a window whose thread is busy (the extraction dialog during
// its run) can still be read.
#include "window_record.h"

namespace e2e {

std::string Utf8FromWide(const wchar_t* text, int length) {
    if (length < 0)
        length = lstrlenW(text);
    if (length == 0)
        return {};
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

namespace {

std::string TextOf(HWND window) {
    wchar_t buffer[4096];
    int length = GetWindowTextW(window, buffer, 4096);
    return Utf8FromWide(buffer, length);
}

std::string ClassOf(HWND window) {
    wchar_t buffer[256];
    int length = GetClassNameW(window, buffer, 256);
    return Utf8FromWide(buffer, length);
}

std::string ProcessPath(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return {};
    wchar_t buffer[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    std::string path;
    if (QueryFullProcessImageNameW(process, 0, buffer, &size))
        path = Utf8FromWide(buffer, (int)size);
    CloseHandle(process);
    return path;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
    auto* record = reinterpret_cast<WindowRecord*>(context);
    // Only direct children: a message box or dialog has no deeper levels,
    // and EnumChildWindows would otherwise list grandchildren too.
    if (GetParent(child) != record->handle)
        return TRUE;
    ControlRecord control;
    control.className = ClassOf(child);
    control.id = GetDlgCtrlID(child) & 0xFFFF;
    control.text = TextOf(child);
    control.style = (DWORD)GetWindowLongW(child, GWL_STYLE);
    control.visible = IsWindowVisible(child) != FALSE;
    GetWindowRect(child, &control.rect);
    record->controls.push_back(std::move(control));
    return TRUE;
}

bool IsButtonClass(const std::string& name) {
    return lstrcmpiA(name.c_str(), "Button") == 0;
}

}  // namespace

WindowRecord ReadWindow(HWND window) {
    WindowRecord record;
    record.handle = window;
    GetWindowThreadProcessId(window, &record.processId);
    record.processPath = ProcessPath(record.processId);
    record.className = ClassOf(window);
    record.caption = TextOf(window);
    record.style = (DWORD)GetWindowLongW(window, GWL_STYLE);
    GetWindowRect(window, &record.rect);
    record.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    record.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&record));
    return record;
}

bool IsCentred(const WindowRecord& record) {
    int width = record.rect.right - record.rect.left;
    int height = record.rect.bottom - record.rect.top;
    return record.rect.left == record.screenWidth / 2 - width / 2 &&
           record.rect.top == record.screenHeight / 2 - height / 2;
}

std::vector<const ControlRecord*> VisibleButtons(const WindowRecord& record) {
    std::vector<const ControlRecord*> buttons;
    for (const ControlRecord& control : record.controls) {
        DWORD kind = control.style & BS_TYPEMASK;
        bool pushButton = kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
        if (IsButtonClass(control.className) && pushButton && control.visible &&
            !(control.style & WS_DISABLED)) {
            buttons.push_back(&control);
        }
    }
    return buttons;
}

const ControlRecord* IconControl(const WindowRecord& record) {
    for (const ControlRecord& control : record.controls) {
        if (lstrcmpiA(control.className.c_str(), "Static") == 0 &&
            (control.style & SS_TYPEMASK) == SS_ICON) {
            return &control;
        }
    }
    return nullptr;
}

}  // namespace e2e
