// Screen pictures through the screen's device context: under Wine on an X
// server this reads what the server shows, windows of every process
// included.
#include "screen_capture.h"

#include <cstdio>
#include <cstring>

namespace e2e {

namespace {

int RowBytes(int width) {
    return (width * 3 + 3) & ~3;
}

bool CaptureDc(HDC source, int x, int y, int width, int height, ScreenPixels* pixels) {
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool copied = BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY) != FALSE;
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    pixels->width = width;
    pixels->height = height;
    pixels->rows.assign(static_cast<size_t>(RowBytes(width)) * height, '\0');
    bool read = copied && GetDIBits(memory, bitmap, 0, (UINT)height, pixels->rows.data(), &info,
                                    DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    return read;
}

// The icon drawn on a plain background of the given colour.
ScreenPixels DrawIconOn(HICON icon, COLORREF background, int size) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    ScreenPixels pixels;
    CaptureDc(memory, 0, 0, size, size, &pixels);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

DWORD ScreenPixels::At(int x, int y) const {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(rows.data()) +
                             static_cast<size_t>(height - 1 - y) * RowBytes(width) + x * 3;
    return (DWORD)p[2] << 16 | (DWORD)p[1] << 8 | p[0];
}

bool CaptureScreen(const RECT& rect, ScreenPixels* pixels) {
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    bool ok = CaptureDc(screen, rect.left, rect.top, width, height, pixels);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool SaveBmp(const ScreenPixels& pixels, const std::wstring& path) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = pixels.width;
    info.biHeight = pixels.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = (DWORD)pixels.rows.size();
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out)
        return false;
    bool ok = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
              fwrite(pixels.rows.data(), 1, pixels.rows.size(), out) == pixels.rows.size();
    return fclose(out) == 0 && ok;
}

std::string ClassifyIcon(const ScreenPixels& screen, const RECT& screenRect, POINT at) {
    struct Candidate {
        WORD id;
        const char* name;
    };
    // IDI_ASTERISK, IDI_QUESTION, IDI_EXCLAMATION and IDI_HAND by number:
    // the headers give them as narrow-string resource names.
    const Candidate candidates[] = {
        {32516, "information"}, {32514, "question"}, {32515, "exclamation"}, {32513, "error"}};
    int size = GetSystemMetrics(SM_CXICON);
    int left = at.x - screenRect.left;
    int top = at.y - screenRect.top;
    if (left < 0 || top < 0 || left + size > screen.width || top + size > screen.height) {
        return "unknown";
    }
    const char* best = "unknown";
    double bestShare = 0.0;
    for (const Candidate& candidate : candidates) {
        HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(candidate.id));
        if (!icon)
            continue;
        // A pixel that comes out the same on black and on white is covered by
        // the icon; only those are compared, so the dialog's own background
        // colour does not matter.
        ScreenPixels onBlack = DrawIconOn(icon, RGB(0, 0, 0), size);
        ScreenPixels onWhite = DrawIconOn(icon, RGB(255, 255, 255), size);
        int opaque = 0;
        int same = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                DWORD colour = onBlack.At(x, y);
                if (colour != onWhite.At(x, y))
                    continue;
                ++opaque;
                if (screen.At(left + x, top + y) == colour)
                    ++same;
            }
        }
        double share = opaque ? (double)same / opaque : 0.0;
        if (share > bestShare) {
            bestShare = share;
            best = candidate.name;
        }
    }
    return bestShare >= 0.9 ? best : "unknown";
}

}  // namespace e2e
