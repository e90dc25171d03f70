// The benchmark's codec command: compresses a file at a level, or expands a
// compressed entry with the stub's decoder code, file to file, so that it is
// timed as a process exactly like gzip, bzip2 and xz.
//   bench_codec compress LEVEL IN OUT
//   bench_codec expand IN OUT EXPANDED_LENGTH
//   bench_codec default-level
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "decode/memory_io.h"
#include "decode/window_decoder.h"
#include "encode/compressor.h"

namespace {

bool ReadFile(const char* path, std::vector<uint8_t>& data) {
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        return false;
    }
    bool ok = std::fseek(in, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(in) : -1;
    ok = size >= 0 && std::fseek(in, 0, SEEK_SET) == 0;
    if (ok) {
        data.resize(static_cast<size_t>(size));
        ok = std::fread(data.data(), 1, data.size(), in) == data.size();
    }
    std::fclose(in);
    return ok;
}

int32_t WriteToFile(void* context, const uint8_t* buffer, int32_t count) {
    return static_cast<int32_t>(
        std::fwrite(buffer, 1, static_cast<size_t>(count), static_cast<FILE*>(context)));
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "bench_codec: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "default-level") {
        std::printf("%d\n", DefaultLevel);
        return 0;
    }
    if (command == "compress" && argc == 5) {
        std::vector<uint8_t> input;
        if (!ReadFile(argv[3], input)) {
            return Fail(std::string(argv[3]) + ": cannot read");
        }
        const std::vector<uint8_t> packed = CompressEntry(input, std::atoi(argv[2]));
        std::ofstream out(argv[4], std::ios::binary);
        out.write(reinterpret_cast<const char*>(packed.data()),
                  static_cast<std::streamsize>(packed.size()));
        return out ? 0 : Fail(std::string(argv[4]) + ": cannot write");
    }
    if (command == "expand" && argc == 5) {
        std::vector<uint8_t> packed;
        if (!ReadFile(argv[2], packed)) {
            return Fail(std::string(argv[2]) + ": cannot read");
        }
        FILE* out = std::fopen(argv[3], "wb");
        if (out == nullptr) {
            return Fail(std::string(argv[3]) + ": cannot write");
        }
        auto state = std::make_unique<ExpandState>();
        ResetInputStream(state->input);
        ResetOutputStream(state->output);
        MemoryReader reader{packed.data(), static_cast<uint32_t>(packed.size()), 0};
        const ExpandResult result =
            ExpandStream(*state, MemorySource(reader), ByteSink{WriteToFile, out},
                         static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)),
                         static_cast<uint32_t>(packed.size()));
        std::fclose(out);
        return result.status == ExpandOk ? 0 : Fail("expansion failed");
    }
    std::fprintf(stderr,
                 "usage: bench_codec compress LEVEL IN OUT | expand IN OUT EXPANDED_LENGTH | "
                 "default-level\n");
    return 2;
}
