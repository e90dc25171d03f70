// Files and folders for tests that write to disk: a temporary folder removed
// afterwards, whole-file reads and writes, and seeded test data.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace testfiles {

class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "veltrane-test-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        path_ = ::mkdtemp(name.data());
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Every entry below `dir`, as sorted relative paths; folders end in '/'.
inline std::vector<std::string> ListTree(const std::filesystem::path& dir) {
    std::vector<std::string> out;
    for (auto it = std::filesystem::recursive_directory_iterator(dir);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        std::string rel = std::filesystem::relative(it->path(), dir).string();
        if (it->is_directory() && !it->is_symlink())
            rel += "/";
        out.push_back(rel);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Text-like data that compresses well: words from a small vocabulary.
inline std::vector<uint8_t> TextData(size_t size, uint32_t seed) {
    static const char* const words[] = {"screen ", "saver ", "window ", "stars ",
                                        "fish ",   "sea ",   "night\n"};
    std::mt19937 random(seed);
    std::vector<uint8_t> out;
    while (out.size() < size) {
        const char* w = words[random() % 7];
        for (const char* p = w; *p && out.size() < size; ++p)
            out.push_back(static_cast<uint8_t>(*p));
    }
    return out;
}

// Random bytes that no compressor can shrink.
inline std::vector<uint8_t> NoiseData(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> out(size);
    for (auto& b : out) b = static_cast<uint8_t>(random());
    return out;
}

}  // namespace testfiles
