// Packing an installer.
#include "package/installer_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "package/installer_reader.h"
#include "package/mapped_file.h"
#include "package/windows1252.h"
#include "payload/catalogue.h"
#include "payload/payload_format.h"
#include "pe/pe_image.h"
#include "pe/stub_check.h"
#ifdef VELTRANE_HAVE_COMPRESSOR
#include "encode/compressor.h"
#endif

namespace veltrane {
namespace {

using Fail = Result<PackReport>;

std::string Errno() {
    return std::strerror(errno);
}

// A temporary file beside the output that is removed unless committed.
class TemporaryOutput {
  public:
    ~TemporaryOutput() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty() && !committed_)
            ::unlink(path_.c_str());
    }

    Status Create(const std::filesystem::path& output) {
        std::filesystem::path dir = output.parent_path();
        std::string pattern = (dir.empty() ? std::filesystem::path(".") : dir) /
                              ("." + output.filename().string() + ".tmp-XXXXXX");
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0)
            return Status::Fail(output.string() +
                                ": cannot create a temporary file beside it: " + Errno());
        path_ = name.data();
        return Status::Ok();
    }

    Status WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
        while (size > 0) {
            ssize_t n =
                ::pwrite(fd_, data, std::min<size_t>(size, 1u << 24), static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return Status::Fail(path_ + ": cannot write: " + Errno());
            data += n;
            size -= static_cast<size_t>(n);
            offset += static_cast<uint64_t>(n);
        }
        return Status::Ok();
    }

    // Makes the file complete on disk and gives it the usual mode of a
    // program a build writes.
    Status Finish() {
        mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd_, 0777 & ~mask) != 0 || ::fsync(fd_) != 0)
            return Status::Fail(path_ + ": cannot finish: " + Errno());
        if (::close(fd_) != 0) {
            fd_ = -1;
            return Status::Fail(path_ + ": cannot finish: " + Errno());
        }
        fd_ = -1;
        return Status::Ok();
    }

    // Cuts the file at `size`, dropping what a stream written over by a
    // shorter one left behind.
    Status Truncate(uint64_t size) {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
            return Status::Fail(path_ + ": cannot write: " + Errno());
        return Status::Ok();
    }

    Status CommitAs(const std::filesystem::path& output) {
        if (::rename(path_.c_str(), output.c_str()) != 0)
            return Status::Fail(output.string() + ": cannot replace: " + Errno());
        committed_ = true;
        return Status::Ok();
    }

    const std::string& Path() const { return path_; }

  private:
    int fd_ = -1;
    std::string path_;
    bool committed_ = false;
};

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

#ifdef VELTRANE_HAVE_COMPRESSOR
// Takes an entry's compressed stream straight into the installer at the
// entry's data offset, so no entry is held in memory. A stream that reaches
// `limit` bytes is refused, which stops the compressor; after a failed
// write every later one is refused too.
class EntryOutput final : public CompressedSink {
  public:
    EntryOutput(TemporaryOutput& file, uint64_t at, uint64_t limit)
        : file_(file), at_(at), limit_(limit) {}

    bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
        if (!written_ || offset + bytes.size() >= limit_)
            return false;
        written_ = file_.WriteAt(at_ + offset, bytes.data(), bytes.size());
        return static_cast<bool>(written_);
    }

    const Status& Written() const { return written_; }

  private:
    TemporaryOutput& file_;
    uint64_t at_;
    uint64_t limit_;
    Status written_;
};
#endif

// Compresses `input` into the installer at `at`: the stream's length, or
// nullopt when the stream would reach `limit` bytes or this build has no
// compressor. progress: as for CompressEntry.
Result<std::optional<uint64_t>> CompressInto(
    TemporaryOutput& file, uint64_t at, std::span<const uint8_t> input, int level, uint64_t limit,
    const std::function<void(uint64_t done, uint64_t total)>& progress) {
    using R = Result<std::optional<uint64_t>>;
#ifdef VELTRANE_HAVE_COMPRESSOR
    EntryOutput output(file, at, limit);
    std::optional<uint64_t> length =
        CompressEntry(input, level == 0 ? DefaultLevel : level, output, progress);
    if (!output.Written())
        return R::Fail(output.Written().error);
    return R::Ok(length);
#else
    (void)file;
    (void)at;
    (void)input;
    (void)level;
    (void)limit;
    (void)progress;
    return R::Ok(std::nullopt);
#endif
}

// Where the loader expects the file to reach: the end of the last section's
// file data. An installer whose payload is shorter than the padding behind
// the marker's data would otherwise end inside its resource section, which
// Windows refuses to load.
uint64_t LoaderFileEnd(std::span<const uint8_t> stub) {
    auto image = pe::ParsePeImage(stub);
    if (!image)
        return 0;
    uint64_t end = 0;
    for (const pe::SectionHeader& section : image->sections)
        if (section.sizeOfRawData != 0)
            end =
                std::max<uint64_t>(end, uint64_t{section.pointerToRawData} + section.sizeOfRawData);
    return end;
}

}  // namespace

bool CompressorAvailable() {
#ifdef VELTRANE_HAVE_COMPRESSOR
    return true;
#else
    return false;
#endif
}

Result<std::string> EncodeDisplayName(std::string_view utf8) {
    std::optional<std::string> bytes = Utf8ToWindows1252(utf8);
    if (!bytes)
        return Result<std::string>::Fail("display name \"" + std::string(utf8) +
                                         "\" holds characters Windows-1252 cannot represent");
    if (bytes->empty())
        return Result<std::string>::Fail("display name is empty");
    if (bytes->size() > SaverNameSize)
        return Result<std::string>::Fail("display name \"" + std::string(utf8) + "\" is " +
                                         std::to_string(bytes->size()) + " bytes long; at most " +
                                         std::to_string(SaverNameSize) + " fit");
    for (char c : *bytes)
        if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F)
            return Result<std::string>::Fail("display name holds a control character");
    return Result<std::string>::Ok(std::move(*bytes));
}

Result<std::string> EncodeExtension(std::string_view utf8) {
    std::optional<std::string> bytes = Utf8ToWindows1252(utf8);
    if (!bytes)
        return Result<std::string>::Fail("extension \"" + std::string(utf8) +
                                         "\" holds characters Windows-1252 cannot represent");
    if (bytes->size() > ExtensionSize)
        return Result<std::string>::Fail("extension \"" + std::string(utf8) + "\" is longer than " +
                                         std::to_string(ExtensionSize) + " characters");
    PayloadEntry entry{};
    std::copy(bytes->begin(), bytes->end(), entry.extension);
    if (bytes->find('\0') != std::string::npos || !IsUsableExtension(&entry))
        return Result<std::string>::Fail("extension \"" + std::string(utf8) +
                                         "\" cannot end a Windows file name");
    return Result<std::string>::Ok(std::move(*bytes));
}

std::string ExtensionOfFileName(const std::filesystem::path& path) {
    std::string name = path.filename().string();
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

Result<PackReport> PackInstaller(const PackRequest& request) {
    const std::string out = request.output.string();
    if (request.inputs.empty())
        return Fail::Fail("no saver file given");
    if (request.displayName.empty() || request.displayName.size() > SaverNameSize)
        return Fail::Fail("display name must be 1 to 32 bytes long");

    if (request.compression == Compression::Compressed && !CompressorAvailable())
        return Fail::Fail("this build of veltrane has no compressor; use --stored or the default");

    auto stub = MappedFile::Open(request.stub);
    if (!stub)
        return Fail::Fail(stub.error);
    pe::StubCheckResult check = pe::CheckStub(stub->Bytes());
    if (!check.Ok())
        return Fail::Fail(request.stub.string() + ": not a usable stub: " + check.message);
    pe::ImportCheckResult imports = pe::CheckStubImports(stub->Bytes());
    if (!imports.ok)
        return Fail::Fail(request.stub.string() + ": not a usable stub: " + imports.message);
    const uint32_t payloadOffset = check.payloadOffset;
    if (SameFile(request.output, request.stub))
        return Fail::Fail(out + ": is the stub itself; choose another output");

    const uint32_t count = static_cast<uint32_t>(request.inputs.size());
    std::vector<MappedFile> inputs;
    uint64_t totalInput = 0;
    for (const PackInput& input : request.inputs) {
        auto file = MappedFile::Open(input.path);
        if (!file)
            return Fail::Fail(file.error);
        if (file->Size() == 0)
            return Fail::Fail(input.path.string() +
                              ": empty file; an installer cannot hold an empty entry");
        if (SameFile(request.output, input.path))
            return Fail::Fail(out + ": is also an input; choose another output");
        if (input.extension.size() > ExtensionSize)
            return Fail::Fail(input.path.string() + ": extension longer than 4 characters");
        totalInput += file->Size();
        inputs.push_back(std::move(*file));
    }
    // The installer adds up the installed sizes, the terminator's 0 included.
    if (totalInput >= PayloadSizeLimit)
        return Fail::Fail("the files add up to " + std::to_string(totalInput) +
                          " bytes; an installer holds less than 2^31 (2147483648) bytes");

    TemporaryOutput temp;
    if (Status created = temp.Create(request.output); !created)
        return Fail::Fail(created.error);
    if (Status s = temp.WriteAt(0, stub->Bytes().data(), payloadOffset); !s)
        return Fail::Fail(s.error);

    const uint32_t catalogueSize = PayloadHeaderSize + PayloadEntrySize * (count + 1);
    uint64_t dataOffset = uint64_t{payloadOffset} + catalogueSize;
    std::vector<uint8_t> catalogue(catalogueSize, 0);
    PayloadHeader header{};
    std::copy(request.displayName.begin(), request.displayName.end(), header.saverName);
    header.firstFileNumber = request.firstFileNumber;
    EncodePayloadHeader(&header, catalogue.data());

    PackReport report;
    report.compressorAvailable = CompressorAvailable();
    uint64_t done = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string name = request.inputs[i].path.string();
        std::span<const uint8_t> bytes = inputs[i].Bytes();
        if (request.progress)
            request.progress("packing " + name, done, totalInput);
        if (dataOffset >= PayloadSizeLimit)
            return Fail::Fail(name + ": would start at byte " + std::to_string(dataOffset) +
                              " of the installer; data must start below 2^31");

        // The compressed stream goes straight into place; when it would
        // not be smaller (unless every entry is to be compressed) the
        // compressor is stopped and the input is stored over it.
        std::optional<uint64_t> compressed;
        if (request.compression != Compression::Stored) {
            const uint64_t limit =
                request.compression == Compression::Auto ? bytes.size() : uint64_t{UINT32_MAX} + 1;
            std::function<void(uint64_t, uint64_t)> within;
            if (request.progress)
                within = [&](uint64_t part, uint64_t) {
                    request.progress("packing " + name, done + part, totalInput);
                };
            auto c = CompressInto(temp, dataOffset, bytes, request.level, limit, within);
            if (!c)
                return Fail::Fail(c.error);
            compressed = *c;
        }
        // An empty stream would read as the terminator, so it is never used.
        const bool useCompressed = compressed && *compressed > 0;
        const uint64_t storedLength = useCompressed ? *compressed : bytes.size();
        if (!useCompressed)
            if (Status s = temp.WriteAt(dataOffset, bytes.data(), bytes.size()); !s)
                return Fail::Fail(s.error);

        PayloadEntry entry{};
        entry.dataOffset = static_cast<uint32_t>(dataOffset);
        entry.storedLength = static_cast<uint32_t>(storedLength);
        entry.expandedLength = useCompressed ? static_cast<uint32_t>(bytes.size()) : 0;
        std::copy(request.inputs[i].extension.begin(), request.inputs[i].extension.end(),
                  entry.extension);
        EncodePayloadEntry(&entry, catalogue.data() + PayloadHeaderSize + PayloadEntrySize * i);
        dataOffset += storedLength;
        done += bytes.size();
        report.entries.push_back(
            {useCompressed, entry.storedLength, static_cast<uint32_t>(bytes.size())});
    }
    if (dataOffset > UINT32_MAX)
        return Fail::Fail(out + ": the installer would pass 4 GiB");
    if (Status s = temp.WriteAt(payloadOffset, catalogue.data(), catalogue.size()); !s)
        return Fail::Fail(s.error);
    uint64_t loaderEnd = LoaderFileEnd(stub->Bytes());
    if (dataOffset < loaderEnd) {
        std::vector<uint8_t> padding(loaderEnd - dataOffset, 0);
        if (Status s = temp.WriteAt(dataOffset, padding.data(), padding.size()); !s)
            return Fail::Fail(s.error);
        dataOffset = loaderEnd;
    }
    if (Status s = temp.Truncate(dataOffset); !s)
        return Fail::Fail(s.error);
    report.installerSize = dataOffset;
    // A stub that carries a PE checksum gets one that covers its payload too;
    // a stub without one (0) stays without.
    auto stubImage = pe::ParsePeImage(stub->Bytes());
    if (stubImage && stubImage->checkSum != 0) {
        auto written = MappedFile::Open(temp.Path());
        if (!written)
            return Fail::Fail(written.error);
        const size_t at = stubImage->OptionalHeaderOffset() + pe::kOptCheckSum;
        uint8_t sum[4];
        WriteLe32(sum, pe::ComputeChecksum(written->Bytes(), at));
        if (Status s = temp.WriteAt(at, sum, 4); !s)
            return Fail::Fail(s.error);
    }
    if (Status s = temp.Finish(); !s)
        return Fail::Fail(s.error);

    // Read the result back as the installer will, and expand every entry
    // against its input.
    if (request.progress)
        request.progress("checking " + out, 0, totalInput);
    auto written = MappedFile::Open(temp.Path());
    if (!written)
        return Fail::Fail(written.error);
    if (pe::CheckStub(written->Bytes()).payloadOffset != payloadOffset)
        return Fail::Fail(
            out + ": check failed: the written installer's headers do not lead to its payload");
    auto read = ReadInstallerCatalogue(*written);
    if (!read)
        return Fail::Fail(out + ": check failed: " + read.error);
    if (read->status != CatalogueOk || read->entries.size() != count)
        return Fail::Fail(out + ": check failed: " + CatalogueStatusText(read->status));
    EntryExpander expander;
    done = 0;
    for (uint32_t i = 0; i < count; ++i) {
        std::span<const uint8_t> expected = inputs[i].Bytes();
        uint64_t compared = 0;
        auto compare = [&](const uint8_t* buffer, int32_t n) {
            if (compared + static_cast<uint64_t>(n) > expected.size() ||
                std::memcmp(expected.data() + compared, buffer, static_cast<size_t>(n)) != 0)
                return false;
            compared += static_cast<uint64_t>(n);
            return true;
        };
        EntryBytesResult result =
            expander.Expand(*written, read->entries[i].record, MakeSink(compare));
        if (result.outcome != ExpandOutcome::Ok || compared != expected.size())
            return Fail::Fail(out + ": check failed: entry " + std::to_string(i) + " (" +
                              request.inputs[i].path.string() + ") does not expand to its input" +
                              (result.problem.empty() ? "" : ": " + result.problem));
        done += expected.size();
        if (request.progress)
            request.progress("checking " + out, done, totalInput);
    }

    if (Status s = temp.CommitAs(request.output); !s)
        return Fail::Fail(s.error);
    return Result<PackReport>::Ok(std::move(report));
}

}  // namespace veltrane
