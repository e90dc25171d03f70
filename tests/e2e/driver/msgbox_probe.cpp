// A small program with known message boxes, for testing the UI driver
// itself: four boxes with German Windows-1252 texts, each with another set
// of buttons and another icon. The exit status holds the four answers, one
// in each 4-bit group, the first box's lowest (IDOK 1, IDCANCEL 2, IDYES 6,
// IDNO 7).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    struct Box {
        const char* text;
        const char* caption;
        UINT style;
    };
    const Box boxes[] = {
        {"Gr\xFC\xDF"
         "e aus der Probe.\r\n\r\nZweite Zeile mit \xE4\xF6\xFC.",
         "Probe eins", MB_OKCANCEL | MB_ICONINFORMATION},
        {"Soll die Probe weiterlaufen?", "Probe zwei", MB_YESNO | MB_ICONQUESTION},
        {"Achtung: Datentr\xE4ger voll", "Probe drei", MB_OKCANCEL | MB_ICONEXCLAMATION},
        {"Fehler", "Probe vier", MB_OK | MB_ICONERROR},
    };
    int status = 0;
    int shift = 0;
    for (const Box& box : boxes) {
        status |= MessageBoxA(nullptr, box.text, box.caption, box.style) << shift;
        shift += 4;
    }
    return status;
}
