// The free-space check.
#include "checks/free_space.h"

#include "app/message_text.h"
#include "app/number_text.h"
#include "app/text.h"
#include "payload/payload_reader.h"
#include "platform/system_paths.h"
#include "platform/win32.h"

namespace {

const char DiskFullCaption[] = "Datentr\xE4ger voll";
const char DiskFullText[] =
    "Sie ben\xF6tigen zur Installation dieses Bildschirmschoners %s kB freien Festplattenspeicher "
    "im Windows-Verzeichnis. Ihr Laufwerk hat aber %s kB freien Speicher. Soll die Installation "
    "trotzdem fortgesetzt werden?";

typedef BOOL(WINAPI* DiskFreeSpaceExProc)(LPCSTR root, PULARGE_INTEGER freeToCaller,
                                          PULARGE_INTEGER total, PULARGE_INTEGER totalFree);

// Kilobytes of `bytes`; 4 TiB and more count as the largest amount, so that
// a large drive never looks nearly full.
uint32_t SaturatedKilobytes(unsigned long long bytes) {
    unsigned long long kilobytes = bytes >> 10;
    return kilobytes >= UnknownFreeKilobytes ? UnknownFreeKilobytes
                                             : static_cast<uint32_t>(kilobytes);
}

}  // namespace

uint32_t QueryFreeKilobytes(const char* directory) {
    // Any folder of the drive answers for the drive; the whole directory up
    // to its last backslash always fits, whatever its length.
    char root[MAX_PATH];
    if (!CopyText(root, MAX_PATH, directory))
        return UnknownFreeKilobytes;
    int slash = FindLast(root, '\\');
    if (slash < 0)
        return UnknownFreeKilobytes;
    root[slash + 1] = 0;

    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    if (kernel != 0) {
        FARPROC found = GetProcAddress(kernel, "GetDiskFreeSpaceExA");
        ULARGE_INTEGER freeToCaller, total, totalFree;
        BOOL answered = FALSE;
        if (found != 0) {
            DiskFreeSpaceExProc query =
                reinterpret_cast<DiskFreeSpaceExProc>(reinterpret_cast<void (*)()>(found));
            answered = query(root, &freeToCaller, &total, &totalFree);
        }
        FreeLibrary(kernel);
        if (answered)
            return SaturatedKilobytes(freeToCaller.QuadPart);
    }
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return UnknownFreeKilobytes;
    unsigned long long freeBytes =
        static_cast<unsigned long long>(freeClusters) * sectorsPerCluster;
    freeBytes *= bytesPerSector;
    return SaturatedKilobytes(freeBytes);
}

int CheckFreeSpace() {
    if (!SumRequiredBytes())
        return 1;
    char windowsDirectory[512];
    if (!GetWindowsFolder(windowsDirectory, sizeof windowsDirectory))
        return 1;
    uint32_t freeKilobytes = QueryFreeKilobytes(windowsDirectory);
    uint32_t requiredKilobytes = requiredBytes >> 10;
    if (freeKilobytes > requiredKilobytes)
        return 1;

    char required[32];
    char available[32];
    FormatThousands(requiredKilobytes, required);
    FormatThousands(freeKilobytes, available);
    char text[MessageTextSize];
    FormatText(text, MessageTextSize, DiskFullText, required, available);
    return MessageBoxA(0, text, DiskFullCaption, MB_OKCANCEL | MB_ICONINFORMATION) == IDCANCEL ? 0
                                                                                               : 1;
}
