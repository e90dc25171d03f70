// Pictures of what is on the screen: a rectangle saved as a 24-bit BMP file
// (the harness turns it into PNG), and the kind of the standard icon that a
// message box shows, told apart by comparing its pixels with the system's
// own icons drawn by the driver.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// A copy of a screen rectangle, bottom-up 24-bit rows as a BMP stores them.
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::string rows;  // BGR, each row padded to 4 bytes

    // The colour at (x, y) from the top-left, as 0x00RRGGBB.
    DWORD At(int x, int y) const;
};

// Copies the rectangle from the screen; false when the screen cannot be read.
bool CaptureScreen(const RECT& rect, ScreenPixels* pixels);

// Writes the pixels as a BMP file; false on a write error.
bool SaveBmp(const ScreenPixels& pixels, const std::wstring& path);

// "information", "question", "exclamation" or "error" for the system icon
// whose opaque pixels match the picture at `at` (screen coordinates of the
// icon control's top-left), or "unknown" when none does.
std::string ClassifyIcon(const ScreenPixels& screen, const RECT& screenRect, POINT at);

}  // namespace e2e
