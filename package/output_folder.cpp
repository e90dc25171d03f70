// Confined, atomic writing of extracted files.
#include "package/output_folder.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace veltrane {
namespace {

std::string Errno() {
    return std::strerror(errno);
}

// Renames without replacing an existing entry. Falls back to a hard link
// and unlink on file systems that lack the no-replace rename.
int RenameNoReplace(int dir, const char* from, const char* to) {
    if (::renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (::linkat(dir, from, dir, to, 0) != 0)
        return -1;
    ::unlinkat(dir, from, 0);
    return 0;
}

}  // namespace

bool IsPlainComponent(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

OutputFolder::OutputFolder(OutputFolder&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

OutputFolder& OutputFolder::operator=(OutputFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

OutputFolder::~OutputFolder() {
    if (fd_ >= 0)
        ::close(fd_);
}

Result<OutputFolder> OutputFolder::Open(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    OutputFolder folder;
    folder.path_ = path;
    folder.fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder.fd_ < 0)
        return Result<OutputFolder>::Fail(path.string() + ": cannot open folder: " + Errno());
    return Result<OutputFolder>::Ok(std::move(folder));
}

Result<OutputFolder> OutputFolder::Subfolder(const std::string& name) const {
    std::string where = (path_ / name).string();
    if (!IsPlainComponent(name))
        return Result<OutputFolder>::Fail(where + ": \"" + name +
                                          "\" cannot be a folder name here");
    if (::mkdirat(fd_, name.c_str(), 0777) != 0 && errno != EEXIST)
        return Result<OutputFolder>::Fail(where + ": cannot create folder: " + Errno());
    OutputFolder folder;
    folder.path_ = path_ / name;
    folder.fd_ = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder.fd_ < 0) {
        int error = errno;
        struct stat info {};
        if (::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
            return Result<OutputFolder>::Fail(where + ": is a symbolic link; not followed");
        errno = error;
        return Result<OutputFolder>::Fail(where + ": cannot open folder: " + Errno());
    }
    return Result<OutputFolder>::Ok(std::move(folder));
}

Status OutputFolder::WriteFile(const std::string& name, bool overwrite,
                               const std::function<Status(int fd)>& fill) const {
    std::string where = (path_ / name).string();
    if (!IsPlainComponent(name))
        return Status::Fail(where + ": \"" + name + "\" cannot be a file name here");
    struct stat existing {};
    if (::fstatat(fd_, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!overwrite)
            return Status::Fail(where + ": exists; use --overwrite to replace it");
        if (S_ISDIR(existing.st_mode))
            return Status::Fail(where + ": is a folder; not replaced");
    }

    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = "." + name.substr(0, 200) + ".veltrane-" + std::to_string(::getpid()) + "-" +
               std::to_string(attempt);
        fd =
            ::openat(fd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            return Status::Fail(where + ": cannot create: " + Errno());
    }
    Status filled = fill(fd);
    if (filled && ::close(fd) != 0)
        filled = Status::Fail(where + ": cannot write: " + Errno());
    else if (!filled)
        ::close(fd);
    if (!filled) {
        ::unlinkat(fd_, temp.c_str(), 0);
        return filled;
    }
    int renamed = overwrite ? ::renameat(fd_, temp.c_str(), fd_, name.c_str())
                            : RenameNoReplace(fd_, temp.c_str(), name.c_str());
    if (renamed != 0) {
        std::string reason =
            errno == EEXIST ? "exists; use --overwrite to replace it" : "cannot create: " + Errno();
        ::unlinkat(fd_, temp.c_str(), 0);
        return Status::Fail(where + ": " + reason);
    }
    return Status::Ok();
}

}  // namespace veltrane
