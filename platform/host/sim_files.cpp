// Simulated files and paths: handles over POSIX descriptors, names matched
// without regard to case, short names, system.ini and free-space queries.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/host/sim_internal.h"

namespace fs = std::filesystem;
using sim::Get;

namespace sim {
namespace {

// Windows paths of the handles that are open, by descriptor.
std::map<int, std::string> openFiles;

bool HasWildcard(std::string_view path) {
    return path.find_first_of("?*") != std::string_view::npos;
}

// Copies `text` into a caller's buffer the way the path calls do: the length
// on success, the size needed (terminator included) when it does not fit.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
    if (text.size() + 1 > size)
        return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool IsShortName(const std::string& name) {
    if (name.empty() || name.find(' ') != std::string::npos || name[0] == '.')
        return false;
    size_t dot = name.find('.');
    if (dot == std::string::npos)
        return name.size() <= 8;
    if (name.find('.', dot + 1) != std::string::npos)
        return false;
    return dot <= 8 && name.size() - dot - 1 <= 3;
}

// The 8.3 alias of a long name: six letters of its base, "~1", and three of
// its extension.
std::string ShortAlias(const std::string& name) {
    if (IsShortName(name))
        return name;
    size_t dot = name.rfind('.');
    std::string base, extension;
    for (size_t i = 0; i < (dot == std::string::npos ? name.size() : dot); ++i)
        if (name[i] != ' ' && name[i] != '.')
            base += name[i];
    if (dot != std::string::npos)
        for (size_t i = dot + 1; i < name.size() && extension.size() < 3; ++i)
            if (name[i] != ' ')
                extension += name[i];
    std::string alias = Upper(base.substr(0, 6)) + "~1";
    if (!extension.empty())
        alias += "." + Upper(extension);
    return alias;
}

// A bare file name of the profile calls lives in the Windows directory.
std::string ProfilePath(LPCSTR file) {
    std::string name(file);
    if (name.find_first_of("\\/:") != std::string::npos)
        return name;
    std::string directory = Get().windowsDirectory;
    if (directory.back() != '\\')
        directory += '\\';
    return directory + name;
}

}  // namespace

void ResetFiles() {
    for (const auto& [descriptor, path] : openFiles) close(descriptor);
    openFiles.clear();
}

std::optional<std::string> ReadIniValue(std::string_view file, std::string_view section,
                                        std::string_view key) {
    std::ifstream in(HostPath(ProfilePath(std::string(file).c_str())));
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inSection = SameName(line.substr(1, line.find(']') - 1), section);
        } else if (inSection) {
            size_t equals = line.find('=');
            if (equals != std::string::npos && SameName(line.substr(0, equals), key))
                return line.substr(equals + 1);
        }
    }
    return std::nullopt;
}

}  // namespace sim

HFILE _lopen(LPCSTR path, int mode) {
    auto& s = Get();
    if (s.opensBeforeFailure == 0)
        return HFILE_ERROR;
    if (s.opensBeforeFailure > 0)
        --s.opensBeforeFailure;
    fs::path host = sim::HostPath(path);
    std::error_code error;
    if (!fs::is_regular_file(host, error))
        return HFILE_ERROR;
    int access = (mode & 3) == 0 ? O_RDONLY : (mode & 3) == 1 ? O_WRONLY : O_RDWR;
    int descriptor = open(host.c_str(), access);
    if (descriptor < 0)
        return HFILE_ERROR;
    sim::openFiles[descriptor] = path;
    ++s.openHandles;
    return descriptor;
}

HFILE _lcreat(LPCSTR path, int) {
    auto& s = Get();
    for (const auto& refused : s.uncreatableFiles)
        if (sim::SameName(refused, path))
            return HFILE_ERROR;
    fs::path host = sim::HostPath(path);
    std::error_code error;
    if (fs::is_directory(host, error) || sim::HasWildcard(path))
        return HFILE_ERROR;
    int descriptor = open(host.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (descriptor < 0)
        return HFILE_ERROR;
    sim::openFiles[descriptor] = path;
    ++s.openHandles;
    return descriptor;
}

UINT _lread(HFILE file, LPVOID buffer, UINT count) {
    auto& s = Get();
    if (!sim::openFiles.count(file))
        return static_cast<UINT>(HFILE_ERROR);
    off_t position = lseek(file, 0, SEEK_CUR);
    if (s.readFailsAt >= 0 && position + static_cast<long long>(count) > s.readFailsAt)
        return static_cast<UINT>(HFILE_ERROR);
    if (s.readEndsAt >= 0)
        count = static_cast<UINT>(std::clamp<long long>(s.readEndsAt - position, 0, count));
    ssize_t got = read(file, buffer, count);
    return got < 0 ? static_cast<UINT>(HFILE_ERROR) : static_cast<UINT>(got);
}

UINT _lwrite(HFILE file, LPCSTR buffer, UINT count) {
    auto& s = Get();
    if (!sim::openFiles.count(file))
        return static_cast<UINT>(HFILE_ERROR);
    if (count == 0) {
        // A write of nothing cuts the file at the current position.
        off_t position = lseek(file, 0, SEEK_CUR);
        return ftruncate(file, position) == 0 ? 0 : static_cast<UINT>(HFILE_ERROR);
    }
    if (s.diskFullAfterBytes >= 0)
        count = static_cast<UINT>(
            std::clamp<long long>(s.diskFullAfterBytes - s.bytesWritten, 0, count));
    if (count == 0)
        return 0;
    ssize_t put = write(file, buffer, count);
    if (put < 0)
        return static_cast<UINT>(HFILE_ERROR);
    s.bytesWritten += put;
    return static_cast<UINT>(put);
}

LONG _llseek(HFILE file, LONG offset, int origin) {
    if (!sim::openFiles.count(file))
        return HFILE_ERROR;
    int whence = origin == FILE_BEGIN ? SEEK_SET : origin == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t position = lseek(file, offset, whence);
    return position < 0 ? HFILE_ERROR : static_cast<LONG>(position);
}

HFILE _lclose(HFILE file) {
    auto found = sim::openFiles.find(file);
    if (found == sim::openFiles.end())
        return HFILE_ERROR;
    sim::openFiles.erase(found);
    --Get().openHandles;
    return close(file) == 0 ? 0 : HFILE_ERROR;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    auto& s = Get();
    if (s.moduleFileNameFails || (module != nullptr && module != sim::InstanceHandle()))
        return 0;
    if (size == 0)
        return 0;
    // Like older systems: a name that does not fit is cut to the buffer's
    // size and left without a terminator.
    if (s.modulePath.size() < size) {
        std::memcpy(buffer, s.modulePath.c_str(), s.modulePath.size() + 1);
        return static_cast<DWORD>(s.modulePath.size());
    }
    std::memcpy(buffer, s.modulePath.data(), size);
    return size;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    auto& s = Get();
    if (s.windowsDirectoryFails)
        return 0;
    return sim::CopyOut(s.windowsDirectory, buffer, size);
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    auto& s = Get();
    std::error_code error;
    if (s.shortPathFails || !fs::exists(sim::HostPath(longPath), error))
        return 0;
    if (s.shortPathLength != 0 && size < s.shortPathLength)
        return s.shortPathLength;
    std::string in(longPath), out;
    size_t start = 0;
    while (start <= in.size()) {
        size_t cut = in.find('\\', start);
        std::string part =
            in.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
        out += (start == 0 || part.empty()) ? part : sim::ShortAlias(part);
        if (cut == std::string::npos)
            break;
        out += '\\';
        start = cut + 1;
    }
    return sim::CopyOut(out, shortPath, size);
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    fs::path host = sim::HostPath(path);
    std::error_code error;
    if (sim::HasWildcard(path) || fs::exists(host, error) ||
        !fs::is_directory(host.parent_path(), error))
        return FALSE;
    if (!fs::create_directory(host, error))
        return FALSE;
    Get().createdDirectories.push_back(path);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
    if (sim::HasWildcard(path))
        return INVALID_FILE_ATTRIBUTES;
    std::error_code error;
    fs::file_status status = fs::status(sim::HostPath(path), error);
    if (error || !fs::exists(status))
        return INVALID_FILE_ATTRIBUTES;
    return fs::is_directory(status) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    fs::path source = sim::HostPath(from), target = sim::HostPath(to);
    std::error_code error;
    if (Get().moveFileFails || !fs::is_regular_file(source, error))
        return FALSE;
    for (const auto& refused : Get().uncreatableFiles)
        if (sim::SameName(refused, to))
            return FALSE;
    if (fs::exists(target, error) &&
        (!(flags & MOVEFILE_REPLACE_EXISTING) || fs::is_directory(target, error)))
        return FALSE;
    fs::rename(source, target, error);
    return error ? FALSE : TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
    fs::path host = sim::HostPath(path);
    std::error_code error;
    if (!fs::is_regular_file(host, error))
        return FALSE;
    return fs::remove(host, error) ? TRUE : FALSE;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    fs::path host = sim::HostPath(sim::ProfilePath(file));
    std::vector<std::string> lines;
    {
        std::ifstream in(host);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
    }
    std::string entry = std::string(key) + "=" + (value ? value : "");
    auto isSection = [&](const std::string& line) {
        return !line.empty() && line[0] == '[' &&
               sim::SameName(line.substr(1, line.find(']') - 1), section);
    };
    size_t sectionAt = std::find_if(lines.begin(), lines.end(), isSection) - lines.begin();
    if (sectionAt == lines.size()) {
        if (value) {
            lines.push_back("[" + std::string(section) + "]");
            lines.push_back(entry);
        }
    } else {
        size_t insertAt = sectionAt + 1;
        bool replaced = false;
        for (size_t i = sectionAt + 1; i < lines.size() && !replaced; ++i) {
            if (!lines[i].empty() && lines[i][0] == '[')
                break;
            size_t equals = lines[i].find('=');
            if (equals != std::string::npos && sim::SameName(lines[i].substr(0, equals), key)) {
                if (value)
                    lines[i] = entry;
                else
                    lines.erase(lines.begin() + static_cast<long>(i));
                replaced = true;
            } else if (!lines[i].empty()) {
                insertAt = i + 1;
            }
        }
        if (!replaced && value)
            lines.insert(lines.begin() + static_cast<long>(insertAt), entry);
    }
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    if (!out)
        return FALSE;
    for (const auto& line : lines) out << line << "\r\n";
    sim::Log("Ini " + std::string(section) + " " + entry);
    return TRUE;
}

BOOL GetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                         PULARGE_INTEGER totalFree) {
    auto& s = Get();
    s.diskQueries.push_back(std::string("Ex:") + (root ? root : ""));
    std::error_code error;
    if (s.diskFreeSpaceExFails || !root || !fs::is_directory(sim::HostPath(root), error))
        return FALSE;
    if (freeToCaller)
        freeToCaller->QuadPart = s.freeToCaller;
    if (total)
        total->QuadPart = s.totalBytes;
    if (totalFree)
        totalFree->QuadPart = s.totalFree;
    return TRUE;
}

BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD freeClusters, LPDWORD totalClusters) {
    auto& s = Get();
    s.diskQueries.push_back(std::string("Old:") + (root ? root : ""));
    std::error_code error;
    if (s.diskFreeSpaceFails || !root || !fs::is_directory(sim::HostPath(root), error))
        return FALSE;
    *sectorsPerCluster = s.sectorsPerCluster;
    *bytesPerSector = s.bytesPerSector;
    *freeClusters = s.freeClusters;
    *totalClusters = s.totalClusters;
    return TRUE;
}
