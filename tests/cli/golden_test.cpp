// The checked-in installers under tests/golden, made once by the tool: each
// is listed, tested and extracted to known results, so that a change of the
// format or of the names shows.
#include <gtest/gtest.h>

#include "test_files.h"
#include "tool_runner.h"

namespace testtool {
namespace {

const std::filesystem::path Golden = VELTRANE_GOLDEN_DIR;

std::string Text(const std::filesystem::path& path) {
    std::vector<uint8_t> bytes = testfiles::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Sea.World: synthetic stub, all stored, numbers 9998 to 10000.
// Kompr: synthetic stub, compressed at level 9, a Windows-1252 name.
// real-stub: the stub as built when the fixtures were made.
class GoldenTest : public testing::TestWithParam<const char*> {};

TEST_P(GoldenTest, ListTestExtract) {
    const std::string name = GetParam();
    const std::filesystem::path installer = Golden / (name + ".exe");
    testfiles::TempDir dir;

    ToolRun list = RunTool({"list", "--json", installer.string()}, dir.Path());
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, Text(Golden / (name + ".json")));

    ToolRun test = RunTool({"test", "-q", installer.string()}, dir.Path());
    EXPECT_EQ(test.exitCode, 0) << test.err;

    ToolRun extract = RunTool({"extract", "-q", "-d", "out", installer.string()}, dir.Path());
    EXPECT_EQ(extract.exitCode, 0) << extract.err;
    const std::filesystem::path expected = Golden / (name + ".files");
    std::vector<std::string> files = testfiles::ListTree(expected);
    ASSERT_EQ(testfiles::ListTree(dir / "out"), files);
    for (const std::string& file : files) {
        if (file.back() == '/')
            continue;
        EXPECT_EQ(testfiles::ReadBytes(dir / "out" / file), testfiles::ReadBytes(expected / file))
            << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Installers, GoldenTest, testing::Values("Sea.World", "Kompr", "real-stub"),
                         [](const testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(GoldenPack, StoredInstallerIsRebuiltByteForByte) {
    // Stored entries depend on the writer alone, not on the compressor.
    testfiles::TempDir dir;
    const std::filesystem::path files = Golden / "Sea.World.files";
    ToolRun run = RunTool(
        {"pack", "-q", "-o", "Sea.World.exe", "--stub", (Golden / "synthetic-stub.exe").string(),
         "--name", "Sea World", "--first-number", "9998", "--stored", (files / "SEA.SCR").string(),
         (files / "Sea.World/Sea.World.DAT").string(), (files / "Sea.World/FILE9998.txt").string(),
         (files / "Sea.World/FILE9999.BMP").string(), (files / "Sea.World/FILE10000").string()},
        dir.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(testfiles::ReadBytes(dir / "Sea.World.exe"),
              testfiles::ReadBytes(Golden / "Sea.World.exe"));
}

}  // namespace
}  // namespace testtool
