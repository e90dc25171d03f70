// Simulated modules, memory, programs and system settings.
#include <cstdlib>

#include "platform/host/sim_internal.h"

using sim::Get;

namespace {

BOOL SimSetDefaultDllDirectories(DWORD flags) {
    Get().dllDirectoryCalls.push_back(flags);
    return TRUE;
}

// Function pointers pass through the generic type, as the system hands them out.
template <typename Function>
FARPROC AsProc(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

bool IsKernel(LPCSTR name) {
    return name && (sim::SameName(name, "kernel32.dll") || sim::SameName(name, "kernel32"));
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR name) {
    auto& s = Get();
    if (!IsKernel(name) || s.kernelLoadFails)
        return nullptr;
    ++s.loadLibraryCount;
    return sim::KernelHandle();
}

BOOL FreeLibrary(HMODULE module) {
    if (module != sim::KernelHandle())
        return FALSE;
    ++Get().freeLibraryCount;
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name)
        return sim::InstanceHandle();
    return IsKernel(name) ? sim::KernelHandle() : nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    auto& s = Get();
    s.procLookups.push_back(name ? name : "");
    if (module != sim::KernelHandle() || !name)
        return nullptr;
    if (s.hasDiskFreeSpaceEx && std::string_view(name) == "GetDiskFreeSpaceExA")
        return AsProc(&GetDiskFreeSpaceExA);
    if (s.hasSetDefaultDllDirectories && std::string_view(name) == "SetDefaultDllDirectories")
        return AsProc(&SimSetDefaultDllDirectories);
    return nullptr;
}

HLOCAL LocalAlloc(UINT, SIZE_T bytes) {
    auto& s = Get();
    if (s.localAllocFails)
        return nullptr;
    ++s.liveAllocations;
    return std::calloc(1, bytes);
}

HLOCAL LocalFree(HLOCAL memory) {
    if (memory)
        --Get().liveAllocations;
    std::free(memory);
    return nullptr;
}

UINT WinExec(LPCSTR commandLine, UINT show) {
    Get().programsStarted.push_back({commandLine, show});
    sim::Log("WinExec " + std::string(commandLine));
    return 33;
}

BOOL SystemParametersInfoA(UINT action, UINT param, PVOID, UINT flags) {
    Get().parameterCalls.push_back({action, param, flags});
    if (action == SPI_SETSCREENSAVEACTIVE)
        sim::Log("ScreenSaveActive " + std::to_string(param));
    return TRUE;
}

void ExitProcess(UINT code) {
    throw sim::ProcessExit{code};
}
