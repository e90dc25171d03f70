// A work folder for command-line tests: a synthetic stub, a few input files
// and helpers to pack installers with the tool or damage them by hand.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pe_fixture.h"
#include "test_files.h"
#include "tool_runner.h"

namespace testtool {

class ToolTest : public testing::Test {
  public:
    void SetUp() override {
        stubImage = fixture::MakePe();
        testfiles::WriteBytes(dir / "stub.exe", stubImage.bytes);
        saver = testfiles::TextData(3000, 11);
        data = testfiles::TextData(50000, 12);
        picture = testfiles::NoiseData(700, 13);
        testfiles::WriteBytes(dir / "sea.scr", saver);
        testfiles::WriteBytes(dir / "sea.dat", data);
        testfiles::WriteBytes(dir / "pic.bmp", picture);
    }

    ToolRun Tool(const std::vector<std::string>& args) { return RunTool(args, dir.Path()); }

    // Packs Sea.World.exe from the three inputs, first number 9.
    void PackSea() {
        ToolRun run = Tool({"pack", "-q", "-o", "Sea.World.exe", "--stub", "stub.exe", "--name",
                            "Sea World", "--first-number", "9", "sea.scr", "sea.dat", "pic.bmp"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }

    // Writes an installer named `name` whose payload is built by hand.
    std::vector<uint32_t> HandMade(const std::string& name,
                                   const std::vector<fixture::FixtureEntry>& entries,
                                   uint16_t first = 9) {
        fixture::PeImage image = fixture::MakePe();
        std::vector<uint32_t> records = fixture::WritePayload(image, "Hand Made", first, entries);
        handMade = image.bytes;
        testfiles::WriteBytes(dir / name, handMade);
        return records;
    }

    testfiles::TempDir dir;
    fixture::PeImage stubImage;
    std::vector<uint8_t> saver, data, picture, handMade;
};

}  // namespace testtool
