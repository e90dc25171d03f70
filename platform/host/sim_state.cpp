// The simulation's state and the mapping of Windows paths to host paths.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "platform/host/sim_internal.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

State state;
fs::path root;

}  // namespace

State& Get() {
    return state;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

void Log(std::string line) {
    state.events.push_back(std::move(line));
}

HMODULE InstanceHandle() {
    return reinterpret_cast<HMODULE>(uintptr_t{0x400000});
}
HMODULE KernelHandle() {
    return reinterpret_cast<HMODULE>(uintptr_t{0x7c800000});
}

void Reset(const fs::path& hostRoot) {
    ResetFiles();
    ResetUi();
    state = State{};
    root = hostRoot;
    fs::remove_all(root);
    fs::create_directories(root);
    SetWindowsDirectory(state.windowsDirectory);
}

fs::path HostPath(std::string_view windowsPath) {
    std::string_view rest = windowsPath;
    fs::path out;
    if (rest.size() >= 2 && rest[1] == ':') {
        out = root /
              std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0]))));
        rest.remove_prefix(2);
    } else {
        out = HostPath(state.windowsDirectory);
    }
    while (!rest.empty()) {
        size_t cut = rest.find_first_of("\\/");
        std::string_view part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            out = out.parent_path();
            continue;
        }
        std::string name(part);
        std::error_code error;
        if (fs::is_directory(out, error)) {
            for (const auto& entry : fs::directory_iterator(out, error)) {
                std::string existing = entry.path().filename().string();
                if (SameName(existing, name)) {
                    name = existing;
                    break;
                }
            }
        }
        out /= name;
    }
    return out;
}

void SetWindowsDirectory(std::string windowsPath) {
    state.windowsDirectory = std::move(windowsPath);
    fs::create_directories(HostPath(state.windowsDirectory));
}

void WriteFile(std::string_view windowsPath, const std::vector<uint8_t>& bytes) {
    fs::path path = HostPath(windowsPath);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void WriteModule(const std::vector<uint8_t>& bytes) {
    WriteFile(state.modulePath, bytes);
}

std::optional<std::vector<uint8_t>> ReadFile(std::string_view windowsPath) {
    fs::path path = HostPath(windowsPath);
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

std::vector<std::string> ListDirectory(std::string_view windowsPath) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(HostPath(windowsPath), error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace sim
