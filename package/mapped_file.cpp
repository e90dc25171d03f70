// Read-only mappings of whole files.
#include "package/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace veltrane {

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(other.data_), size_(other.size_), mapped_(other.mapped_) {
    other.data_ = nullptr;
    other.size_ = 0;
    other.mapped_ = false;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        if (mapped_)
            munmap(const_cast<uint8_t*>(data_), size_);
        data_ = other.data_;
        size_ = other.size_;
        mapped_ = other.mapped_;
        other.data_ = nullptr;
        other.size_ = 0;
        other.mapped_ = false;
    }
    return *this;
}

MappedFile::~MappedFile() {
    if (mapped_)
        munmap(const_cast<uint8_t*>(data_), size_);
}

Result<MappedFile> MappedFile::Open(const std::filesystem::path& path) {
    std::string name = path.string();
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Result<MappedFile>::Fail(name + ": cannot open: " + std::strerror(errno));
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        int error = errno;
        ::close(fd);
        return Result<MappedFile>::Fail(name + ": cannot read: " + std::strerror(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return Result<MappedFile>::Fail(name + ": not a regular file");
    }
    if (static_cast<uint64_t>(info.st_size) > UINT32_MAX) {
        ::close(fd);
        return Result<MappedFile>::Fail(name +
                                        ": larger than 4 GiB, more than the format can address");
    }
    MappedFile file;
    file.size_ = static_cast<size_t>(info.st_size);
    if (file.size_ != 0) {
        void* data = mmap(nullptr, file.size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (data == MAP_FAILED) {
            int error = errno;
            ::close(fd);
            return Result<MappedFile>::Fail(name + ": cannot map: " + std::strerror(error));
        }
        // Read front to back by every command.
        madvise(data, file.size_, MADV_SEQUENTIAL);
        file.data_ = static_cast<const uint8_t*>(data);
        file.mapped_ = true;
    }
    ::close(fd);
    return Result<MappedFile>::Ok(std::move(file));
}

MappedFile MappedFile::View(std::span<const uint8_t> bytes) {
    MappedFile file;
    file.data_ = bytes.data();
    file.size_ = std::min<size_t>(bytes.size(), UINT32_MAX);
    return file;
}

FileReader MappedFile::Reader() const {
    return FileReader{&MappedFile::ReadAt, Size(), const_cast<MappedFile*>(this)};
}

int32_t MappedFile::ReadAt(void* context, uint32_t offset, void* buffer, uint32_t count) {
    const auto* self = static_cast<const MappedFile*>(context);
    if (offset > self->size_)
        return -1;
    size_t n = std::min<size_t>(count, self->size_ - offset);
    // The payload core reads small records; no request comes near 2^31.
    std::memcpy(buffer, self->data_ + offset, n);
    return static_cast<int32_t>(n);
}

}  // namespace veltrane
