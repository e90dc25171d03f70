// What the UI driver reads off one top-level window of another process:
// caption, class, placement, the controls with their texts, and which
// process owns it. Texts are read with the wide API and kept as UTF-8, so
// the transcript shows what the user saw whatever the code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct ControlRecord {
    std::string className;  // "Button", "Static", ...
    int id = 0;             // dialog item id; 65535 for the id-less statics
    std::string text;       // UTF-8
    DWORD style = 0;
    bool visible = false;
    RECT rect{};  // screen coordinates
};

struct WindowRecord {
    HWND handle = nullptr;
    DWORD processId = 0;
    std::string processPath;  // UTF-8 image path of the owning process, "" if unknown
    std::string className;
    std::string caption;  // UTF-8
    DWORD style = 0;
    RECT rect{};  // screen coordinates
    int screenWidth = 0;
    int screenHeight = 0;
    std::vector<ControlRecord> controls;
};

// Reads a window and its child controls.
WindowRecord ReadWindow(HWND window);

// True when the window sits where centring it on the screen puts it:
// x = W/2 - w/2 and y = H/2 - h/2 with integer halvings.
bool IsCentred(const WindowRecord& record);

// Controls the user can press: visible, enabled buttons.
std::vector<const ControlRecord*> VisibleButtons(const WindowRecord& record);

// The icon control of a message box (a static with SS_ICON), or null.
const ControlRecord* IconControl(const WindowRecord& record);

std::string Utf8FromWide(const wchar_t* text, int length = -1);

}  // namespace e2e
