// The sample screen saver that the demo and the end-to-end tests install.
//
//   /s            full screen: the picture from the data file drifts over a
//                 sea-blue gradient, with the caption from the first numbered
//                 text file below it, until a key, a click or a mouse move
//   /c, /c:hwnd,  the settings window: a message box that names the program
//   no argument   file that runs and the data file it found
//   /p hwnd       preview: not supported, ends at once
//
// The data lives where the installer puts it: the data folder
// <Windows>\PELLIVAR\VELTRANE\<base>, holding <base>.DAT (a BMP picture) and
// numbered files FILEnnnn.TXT (one caption line each). <base> is the
// installer's name up to its last dot, while the saver is named after the
// installer's name up to its first dot, so a saver SEA.SCR looks for the
// folder SEA first and then for a folder SEA.<anything>.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kSettingsCaption[] = "Veltrane-Beispielschoner";
const char kWindowClass[] = "VeltraneSampleSaver";
const UINT_PTR kTimerId = 1;
const UINT kFrameMillis = 40;
const int kMouseSlack = 4;  // pixels a mouse may move before the saver ends

struct SaverData {
    char folder[MAX_PATH];    // the data folder, empty when none was found
    char dataFile[MAX_PATH];  // <folder>\<base>.DAT, empty when missing
    char caption[128];        // first line of the first numbered .TXT file
};

struct Scene {
    HBITMAP picture;
    int pictureWidth;
    int pictureHeight;
    int x, y, dx, dy;
    POINT firstMouse;
    bool mouseSeen;
    const SaverData* data;
};

SaverData gData;
Scene gScene;

bool IsDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The saver's base name: its own file name up to the first dot.
void SaverBase(char* base, size_t size) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const char* name = strrchr(module, '\\');
    name = name ? name + 1 : module;
    snprintf(base, size, "%s", name);
    if (char* dot = strchr(base, '.'))
        *dot = '\0';
}

// Looks for the data folder and, in it, the data file and the first caption.
void FindSaverData(SaverData* data) {
    memset(data, 0, sizeof *data);
    char windows[MAX_PATH];
    char base[MAX_PATH];
    if (!GetWindowsDirectoryA(windows, MAX_PATH))
        return;
    SaverBase(base, sizeof base);
    size_t length = strlen(windows);
    const char* separator = (length > 0 && windows[length - 1] == '\\') ? "" : "\\";

    char parent[MAX_PATH];
    snprintf(parent, sizeof parent, "%s%sPELLIVAR\\VELTRANE", windows, separator);
    char candidate[MAX_PATH];
    snprintf(candidate, sizeof candidate, "%s\\%s", parent, base);
    char folderName[MAX_PATH] = "";
    if (IsDirectory(candidate)) {
        snprintf(folderName, sizeof folderName, "%s", base);
    } else {
        // The installer had more than one dot in its name: SEA.SCR for Sea.World.
        char pattern[MAX_PATH];
        snprintf(pattern, sizeof pattern, "%s\\%s.*", parent, base);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern, &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    snprintf(folderName, sizeof folderName, "%s", found.cFileName);
                    break;
                }
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    if (!folderName[0])
        return;
    snprintf(data->folder, sizeof data->folder, "%s\\%s", parent, folderName);

    char dataFile[MAX_PATH];
    snprintf(dataFile, sizeof dataFile, "%s\\%s.DAT", data->folder, folderName);
    if (IsFile(dataFile))
        snprintf(data->dataFile, sizeof data->dataFile, "%s", dataFile);

    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s\\FILE*.TXT", data->folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    char textFile[MAX_PATH];
    snprintf(textFile, sizeof textFile, "%s\\%s", data->folder, found.cFileName);
    FindClose(search);
    FILE* text = fopen(textFile, "rb");
    if (!text)
        return;
    size_t count = fread(data->caption, 1, sizeof data->caption - 1, text);
    fclose(text);
    data->caption[count] = '\0';
    data->caption[strcspn(data->caption, "\r\n")] = '\0';
}

void ShowSettings(const SaverData& data) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    char text[1024];
    snprintf(text, sizeof text,
             "Dieser Bildschirmschoner hat keine Einstellungen.\r\n\r\n"
             "Programm: %s\r\nDaten: %s\r\nText: %s",
             module, data.dataFile[0] ? data.dataFile : "(nicht gefunden)",
             data.caption[0] ? data.caption : "(nicht gefunden)");
    MessageBoxA(nullptr, text, kSettingsCaption, MB_OK | MB_ICONINFORMATION);
}

// Fills the client area with a vertical gradient from light to deep blue.
void PaintSea(HDC dc, const RECT& area) {
    const int bands = 64;
    int height = area.bottom - area.top;
    for (int band = 0; band < bands; ++band) {
        RECT stripe = area;
        stripe.top = area.top + height * band / bands;
        stripe.bottom = area.top + height * (band + 1) / bands;
        int shade = band * 255 / (bands - 1);
        HBRUSH brush = CreateSolidBrush(RGB(20, 120 - shade * 90 / 255, 200 - shade * 110 / 255));
        FillRect(dc, &stripe, brush);
        DeleteObject(brush);
    }
}

void PaintScene(HWND window) {
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    // Draw off screen first so the moving picture does not flicker.
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP frame = CreateCompatibleBitmap(screen, area.right, area.bottom);
    HGDIOBJ oldFrame = SelectObject(dc, frame);
    PaintSea(dc, area);
    if (gScene.picture) {
        HDC pictureDc = CreateCompatibleDC(screen);
        HGDIOBJ oldPicture = SelectObject(pictureDc, gScene.picture);
        BitBlt(dc, gScene.x, gScene.y, gScene.pictureWidth, gScene.pictureHeight, pictureDc, 0, 0,
               SRCCOPY);
        SelectObject(pictureDc, oldPicture);
        DeleteDC(pictureDc);
    }
    const char* caption = gScene.data->caption[0] ? gScene.data->caption : "Veltrane";
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT textArea = {gScene.x - 200, gScene.y + gScene.pictureHeight + 8,
                     gScene.x + gScene.pictureWidth + 200, gScene.y + gScene.pictureHeight + 40};
    DrawTextA(dc, caption, -1, &textArea, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    BitBlt(screen, 0, 0, area.right, area.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFrame);
    DeleteObject(frame);
    DeleteDC(dc);
    EndPaint(window, &paint);
}

// Moves the picture one step and bounces it off the screen's edges, leaving
// room for the caption below it.
void StepScene(HWND window) {
    RECT area;
    GetClientRect(window, &area);
    int maxX = area.right - gScene.pictureWidth;
    int maxY = area.bottom - gScene.pictureHeight - 40;
    gScene.x += gScene.dx;
    gScene.y += gScene.dy;
    if (gScene.x < 0 || gScene.x > maxX) {
        gScene.dx = -gScene.dx;
        gScene.x = gScene.x < 0 ? 0 : maxX;
    }
    if (gScene.y < 0 || gScene.y > maxY) {
        gScene.dy = -gScene.dy;
        gScene.y = gScene.y < 0 ? 0 : maxY;
    }
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetTimer(window, kTimerId, kFrameMillis, nullptr);
            ShowCursor(FALSE);
            return 0;
        case WM_TIMER:
            StepScene(window);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            PaintScene(window);
            return 0;
        case WM_MOUSEMOVE: {
            POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
            if (!gScene.mouseSeen) {
                gScene.firstMouse = at;
                gScene.mouseSeen = true;
            } else if (abs(at.x - gScene.firstMouse.x) > kMouseSlack ||
                       abs(at.y - gScene.firstMouse.y) > kMouseSlack) {
                DestroyWindow(window);
            }
            return 0;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            KillTimer(window, kTimerId);
            ShowCursor(TRUE);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunFullScreen(HINSTANCE instance, const SaverData& data) {
    gScene = Scene{};
    gScene.data = &data;
    gScene.dx = 3;
    gScene.dy = 2;
    if (data.dataFile[0]) {
        gScene.picture = (HBITMAP)LoadImageA(nullptr, data.dataFile, IMAGE_BITMAP, 0, 0,
                                             LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    }
    if (gScene.picture) {
        BITMAP info;
        GetObjectA(gScene.picture, sizeof info, &info);
        gScene.pictureWidth = info.bmWidth;
        gScene.pictureHeight = info.bmHeight;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    gScene.x = (width - gScene.pictureWidth) / 2;
    gScene.y = (height - gScene.pictureHeight) / 3;
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, "Veltrane", WS_POPUP | WS_VISIBLE, 0,
                                  0, width, height, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (gScene.picture)
        DeleteObject(gScene.picture);
    return 0;
}

// The mode letter of the command line: 's', 'c', 'p', or 0 for none.
char ModeOf(const char* commandLine) {
    const char* at = commandLine;
    while (*at == ' ' || *at == '\t') ++at;
    if (*at != '/' && *at != '-')
        return 0;
    char letter = at[1];
    if (letter >= 'A' && letter <= 'Z')
        letter = (char)(letter - 'A' + 'a');
    return letter;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    FindSaverData(&gData);
    switch (ModeOf(commandLine)) {
        case 's':
            return RunFullScreen(instance, gData);
        case 'p':
            return 0;
        default:
            ShowSettings(gData);
            return 0;
    }
}
