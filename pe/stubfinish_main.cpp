// stubfinish STUB.exe: makes a freshly linked stub ready to carry a payload.
// Moves the marker resource's data behind all other resource data (writing
// the file anew through a temporary file and a rename), then checks every
// requirement of the payload locator and the payload writer and the list of
// imported DLLs, and prints the stub's size. Exit status 0 when the stub
// passes, 1 with a message on the first miss, 2 on wrong usage.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "pe/marker_relay.h"
#include "pe/stub_check.h"

namespace {

namespace fs = std::filesystem;
using namespace veltrane::pe;

bool ReadWhole(const fs::path& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes `bytes` beside `path` and renames the result over it, keeping the
// file's permissions, so that an interrupted run never leaves half a stub.
bool ReplaceAtomically(const fs::path& path, const std::vector<std::uint8_t>& bytes,
                       std::string& error) {
    fs::path temp = path;
    temp += ".stubfinish-tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            error = "cannot write " + temp.string();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::permissions(temp, fs::status(path, ec).permissions(), ec);
    fs::rename(temp, path, ec);
    if (ec) {
        error = "cannot replace " + path.string() + ": " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

int Fail(const std::string& file, const std::string& message) {
    std::fprintf(stderr, "stubfinish: %s: %s\n", file.c_str(), message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: stubfinish STUB.exe\n");
        return 2;
    }
    const fs::path path = argv[1];
    const std::string name = path.string();
    std::vector<std::uint8_t> bytes;
    if (!ReadWhole(path, bytes))
        return Fail(name, "cannot read the file");

    auto relaid = MoveMarkerDataLast(bytes);
    if (!relaid)
        return Fail(name, "cannot re-lay the resources: " + relaid.error);
    if (relaid->changed) {
        std::string error;
        if (!ReplaceAtomically(path, bytes, error))
            return Fail(name, error);
    }

    const StubCheckResult check = CheckStub(bytes);
    if (!check.Ok())
        return Fail(name, std::string(RequirementName(check.failed)) + ": " + check.message);
    const ImportCheckResult imports = CheckStubImports(bytes);
    if (!imports.ok)
        return Fail(name, "imports: " + imports.message);

    std::string dlls;
    for (const std::string& dll : imports.dlls) dlls += " " + dll;
    std::printf("stubfinish: %s: %zu bytes, payload at offset %u, imports%s\n",
                path.filename().string().c_str(), bytes.size(), check.payloadOffset, dlls.c_str());
    return 0;
}
