// Reading the names of imported DLLs.
#include "pe/import_list.h"

#include "pe/le_bytes.h"
#include "pe/pe_image.h"

namespace veltrane::pe {

namespace {

constexpr std::size_t kImportDescriptorSize = 20;
constexpr std::size_t kDelayDescriptorSize = 32;
constexpr std::size_t kMaxDllNameLength = 260;

bool AllZero(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        if (b != 0)
            return false;
    }
    return true;
}

Result<std::string> ReadName(std::span<const std::uint8_t> file, const PeImage& image,
                             std::uint32_t rva) {
    auto offset = RvaToFileOffset(image, rva);
    if (!offset)
        return Result<std::string>::Fail("an imported DLL's name lies outside the image's data");
    std::string name;
    for (std::size_t i = *offset; i < file.size() && file[i] != 0; ++i) {
        if (name.size() == kMaxDllNameLength)
            return Result<std::string>::Fail("an imported DLL's name has no end");
        name += static_cast<char>(file[i]);
    }
    return Result<std::string>::Ok(std::move(name));
}

// Walks one descriptor table. `nameField` is the offset of the name's
// address in a descriptor; `delayed` selects the delay-import rules.
bool WalkTable(std::span<const std::uint8_t> file, const PeImage& image, DataDirectory dir,
               std::size_t size, std::size_t nameField, bool delayed, std::vector<ImportedDll>& out,
               std::string& error) {
    if (dir.rva == 0)
        return true;
    auto start = RvaToFileOffset(image, dir.rva);
    if (!start) {
        error = std::string(delayed ? "delay-import" : "import") +
                " table lies outside the image's data";
        return false;
    }
    for (std::size_t at = *start;; at += size) {
        if (!InBounds(file.size(), at, size)) {
            error = std::string(delayed ? "delay-import" : "import") +
                    " table has no terminating entry";
            return false;
        }
        const auto descriptor = file.subspan(at, size);
        if (AllZero(descriptor))
            return true;
        std::uint32_t address = *ReadLe32(file, at + nameField);
        if (delayed && (*ReadLe32(file, at) & 1) == 0)
            address -= image.imageBase;
        auto name = ReadName(file, image, address);
        if (!name) {
            error = name.error;
            return false;
        }
        out.push_back({*name, delayed});
    }
}

}  // namespace

Result<std::vector<ImportedDll>> ListImportedDlls(std::span<const std::uint8_t> file) {
    using R = Result<std::vector<ImportedDll>>;
    auto image = ParsePeImage(file);
    if (!image)
        return R::Fail(image.error);
    std::vector<ImportedDll> dlls;
    std::string error;
    if (!WalkTable(file, *image, image->Directory(kImportDirectory), kImportDescriptorSize, 12,
                   false, dlls, error) ||
        !WalkTable(file, *image, image->Directory(kDelayImportDirectory), kDelayDescriptorSize, 4,
                   true, dlls, error))
        return R::Fail(error);
    return R::Ok(std::move(dlls));
}

}  // namespace veltrane::pe
