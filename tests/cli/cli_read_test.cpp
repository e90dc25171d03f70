// list, test and extract, run as a program, over good and damaged installers.
#include <gtest/gtest.h>

#include <functional>

#include "cli_fixture.h"

namespace testtool {
namespace {

using fixture::FixtureEntry;
using fixture::PutLe32;
using testfiles::ReadBytes;

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST_F(ToolTest, ListShowsEveryEntry) {
    PackSea();
    ToolRun run = Tool({"list", "Sea.World.exe"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* expected : {"Sea World", "First file number: 9", "SEA.SCR",
                                 "Sea.World/Sea.World.DAT", "Sea.World/FILE0009.bmp", "saver",
                                 "data file", "numbered file", "compressed", "stored", "50,000"}) {
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    }
    // The names follow the installer's file name.
    std::filesystem::copy_file(dir / "Sea.World.exe", dir / "other.exe");
    run = Tool({"list", "--json", "other.exe"});
    EXPECT_NE(run.out.find("\"path\": \"OTHER.SCR\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"path\": \"other/other.DAT\""), std::string::npos) << run.out;
}

TEST_F(ToolTest, TestPassesAndWritesNothing) {
    PackSea();
    auto before = testfiles::ListTree(dir.Path());
    ToolRun run = Tool({"test", "Sea.World.exe"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("OK"), std::string::npos);
    EXPECT_EQ(Tool({"test", "-q", "Sea.World.exe"}).out, "");
    EXPECT_EQ(testfiles::ListTree(dir.Path()), before);
}

struct BadInput {
    const char* what;
    // Writes bad.exe into the folder (the fixture is passed for hand-made
    // payloads and for packing).
    std::function<void(ToolTest&)> make;
    const char* fault;     // part of the message every reader prints
    bool listSees = true;  // false for faults only expansion finds
};

class BadInputTest : public ToolTest, public testing::WithParamInterface<BadInput> {};

TEST_P(BadInputTest, EveryReaderNamesTheFaultAndExits2) {
    const BadInput& bad = GetParam();
    bad.make(*this);
    for (const char* command : {"list", "test", "extract"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args = {command, "bad.exe"};
        if (std::string(command) == "extract")
            args = {command, "-q", "-d", "out", "bad.exe"};
        ToolRun run = Tool(args);
        if (std::string(command) == "list" && !bad.listSees) {
            EXPECT_EQ(run.exitCode, 0) << run.err;
            continue;
        }
        EXPECT_EQ(run.exitCode, 2) << run.out;
        EXPECT_NE(run.err.find("bad.exe"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(bad.fault), std::string::npos) << run.err;
    }
}

void Pack(ToolTest& t) {
    t.PackSea();
    std::filesystem::rename(t.dir / "Sea.World.exe", t.dir / "bad.exe");
}

std::filesystem::path Bad(ToolTest& t) {
    return t.dir / "bad.exe";
}

std::vector<uint32_t> Hand(ToolTest& t, const std::vector<FixtureEntry>& entries) {
    return t.HandMade("bad.exe", entries);
}

void Patch(ToolTest& t, uint32_t at, uint32_t value) {
    std::vector<uint8_t> bytes = ReadBytes(Bad(t));
    PutLe32(bytes, at, value);
    testfiles::WriteBytes(Bad(t), bytes);
}

const BadInput BadInputs[] = {
    {"empty file", [](ToolTest& t) { testfiles::WriteBytes(Bad(t), {}); }, "not a PE executable"},
    {"text file",
     [](ToolTest& t) { testfiles::WriteText(Bad(t), "just some text, no executable"); },
     "not a PE executable"},
    {"folder", [](ToolTest& t) { std::filesystem::create_directory(Bad(t)); },
     "not a regular file"},
    {"missing", [](ToolTest&) {}, "cannot open"},
    {"no .rsrc section",
     [](ToolTest& t) {
         testfiles::WriteBytes(Bad(t), fixture::MakePe({".text", ".data"}, 9).bytes);
     },
     "no .rsrc section"},
    {"empty resource directory",
     [](ToolTest& t) {
         fixture::PeImage image = fixture::MakePe();
         fixture::PutLe16(image.bytes, image.root + 12, 0);
         testfiles::WriteBytes(Bad(t), image.bytes);
     },
     "empty resource directory"},
    {"truncated in the data",
     [](ToolTest& t) {
         Pack(t);
         std::filesystem::resize_file(Bad(t), std::filesystem::file_size(Bad(t)) - 10);
     },
     "entry 2 (bad/FILE0009.bmp): entry data lies outside the file"},
    {"truncated in the catalogue",
     [](ToolTest& t) {
         // Records pointing into the stub's bytes, so that only the missing
         // terminator is at fault.
         auto r = Hand(t, {{Bytes("s"), 0, ""}, {Bytes("d"), 0, ""}});
         Patch(t, r[0], 0);
         Patch(t, r[1], 0);
         std::filesystem::resize_file(Bad(t), r[1] + 16 + 5);
     },
     "ends before the terminator, after 2 entries"},
    {"truncated in the header",
     [](ToolTest& t) {
         Pack(t);
         std::filesystem::resize_file(Bad(t), fixture::MakePe().markerData + 20);
     },
     "payload header lies outside the file"},
    {"offset outside the file",
     [](ToolTest& t) {
         auto r = Hand(t, {{Bytes("s"), 0, ""}, {Bytes("d"), 0, ""}});
         Patch(t, r[1], 0x7FFFFF00u);
     },
     "entry 1 (bad/bad.DAT): entry data lies outside the file"},
    {"offset of 2^31",
     [](ToolTest& t) {
         auto r = Hand(t, {{Bytes("s"), 0, ""}});
         Patch(t, r[0], 0x80000000u);
     },
     "data offset is 2^31 or more"},
    {"length outside the file",
     [](ToolTest& t) {
         auto r = Hand(t, {{Bytes("s"), 0, ""}});
         Patch(t, r[0] + 4, 0xFFFFFFFFu);
     },
     "entry 0 (BAD.SCR): entry data lies outside the file"},
    {"huge expanded length",
     [](ToolTest& t) {
         auto r = Hand(t, {{Bytes("s"), 0, ""}});
         Patch(t, r[0] + 8, 0xFFFFFFF0u);
     },
     "expanded length is 2^31 or more"},
    {"stream used up before its expanded length",
     [](ToolTest& t) {
         Hand(t, {{Bytes("s"), 0, ""}, {{0x00, 0x00}, 100000, ""}});
     },
     "entry 1 (bad/bad.DAT): compressed stream is used up", false},
    {"installed sizes of 2^31",
     [](ToolTest& t) {
         Hand(t, {{{0}, 0x40000000u, ""}, {{0}, 0x40000000u, ""}});
     },
     "installed sizes reach 2^31"},
    {"terminator's expanded length tips the total",
     [](ToolTest& t) {
         auto r = Hand(t, {{Bytes("s"), 0, ""}});
         Patch(t, r[0] + 16 + 8, 0x7FFFFFFFu);
     },
     "installed sizes reach 2^31"},
    {"extension with a path separator",
     [](ToolTest& t) {
         Hand(t, {{Bytes("s"), 0, ""}, {Bytes("d"), 0, ""}, {Bytes("n"), 0, "/../"}});
     },
     "extension cannot end a Windows file name"},
    {"extension of two dots",
     [](ToolTest& t) {
         Hand(t, {{Bytes("s"), 0, ""}, {Bytes("d"), 0, ""}, {Bytes("n"), 0, ".."}});
     },
     "extension cannot end a Windows file name"},
    {"extension with a control character",
     [](ToolTest& t) {
         Hand(t, {{Bytes("s"), 0, ""}, {Bytes("d"), 0, ""}, {Bytes("n"), 0, ".\x1b"}});
     },
     "extension cannot end a Windows file name"},
    {"extension with a colon",
     [](ToolTest& t) {
         Hand(t, {{Bytes("s"), 0, ""}, {Bytes("d"), 0, ""}, {Bytes("n"), 0, "c:"}});
     },
     "extension cannot end a Windows file name"},
};

INSTANTIATE_TEST_SUITE_P(Readers, BadInputTest, testing::ValuesIn(BadInputs),
                         [](const testing::TestParamInfo<BadInput>& param) {
                             std::string name;
                             for (const char* p = param.param.what; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST_F(ToolTest, ExtractWritesIntactEntriesBesideDamagedOnes) {
    auto records = HandMade("Part.exe", {{Bytes("saver"), 0, ""},
                                         {Bytes("data"), 0, ""},
                                         {Bytes("one"), 0, ".A"},
                                         {{0x00}, 5000, ".B"},
                                         {Bytes("three"), 0, ".C"}});
    PutLe32(handMade, records[1] + 4, 0x100000);  // data file leaves the file
    testfiles::WriteBytes(dir / "Part.exe", handMade);
    ToolRun run = Tool({"extract", "-d", "out", "Part.exe"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("entry 1 (Part/Part.DAT)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("entry 3 (Part/FILE0010.B)"), std::string::npos) << run.err;
    EXPECT_EQ(
        testfiles::ListTree(dir / "out"),
        (std::vector<std::string>{"PART.SCR", "Part/", "Part/FILE0009.A", "Part/FILE0011.C"}));
    EXPECT_EQ(ReadBytes(dir / "out/Part/FILE0011.C"), Bytes("three"));
}

TEST_F(ToolTest, ExtractNeverOverwritesUnlessAsked) {
    PackSea();
    std::filesystem::create_directories(dir / "out");
    testfiles::WriteText(dir / "out/SEA.SCR", "mine");
    ToolRun run = Tool({"extract", "-q", "-d", "out", "Sea.World.exe"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("SEA.SCR: exists"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(dir / "out/SEA.SCR"), Bytes("mine"));
    EXPECT_EQ(ReadBytes(dir / "out/Sea.World/Sea.World.DAT"), data);  // the others are written
    run = Tool({"extract", "-q", "--overwrite", "-d", "out", "Sea.World.exe"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir / "out/SEA.SCR"), saver);
}

TEST_F(ToolTest, ExtractStaysInsideItsFolder) {
    PackSea();
    testfiles::TempDir outside;
    testfiles::WriteText(outside / "Sea.World.DAT", "keep");
    std::filesystem::create_directories(dir / "out");
    std::filesystem::create_directory_symlink(outside.Path(), dir / "out/Sea.World");
    ToolRun run = Tool({"extract", "-q", "--overwrite", "-d", "out", "Sea.World.exe"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("symbolic link"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(outside / "Sea.World.DAT"), Bytes("keep"));
    EXPECT_EQ(testfiles::ListTree(outside.Path()), (std::vector<std::string>{"Sea.World.DAT"}));
    EXPECT_EQ(ReadBytes(dir / "out/SEA.SCR"), saver);
}

TEST_F(ToolTest, InstallerNamesThatMakeNoFolder) {
    // "...exe" cut at its last dot names the folder "..": never created, the
    // data files are refused and the saver is written inside the folder.
    PackSea();
    std::filesystem::rename(dir / "Sea.World.exe", dir / "...exe");
    ToolRun run = Tool({"extract", "-q", "-d", "out", "...exe"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cannot be a folder name"), std::string::npos) << run.err;
    EXPECT_EQ(testfiles::ListTree(dir / "out"), (std::vector<std::string>{".SCR"}));
    EXPECT_EQ(testfiles::ListTree(dir.Path()).size(), testfiles::ListTree(dir.Path()).size());
    EXPECT_FALSE(std::filesystem::exists(dir / "....DAT"));
}

TEST_F(ToolTest, ReservedAndCaseFoldedNames) {
    // Installer FILE0009.exe: its data file FILE0009.DAT and the numbered file
    // FILE0009.dat are one file on Windows, where the later entry wins.
    HandMade("FILE0009.exe",
             {{Bytes("s"), 0, ""}, {Bytes("data"), 0, ""}, {Bytes("numbered"), 0, ".dat"}});
    ToolRun run = Tool({"extract", "-q", "-d", "out", "FILE0009.exe"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("same file on Windows"), std::string::npos) << run.err;
    EXPECT_EQ(testfiles::ListTree(dir / "out"),
              (std::vector<std::string>{"FILE0009.SCR", "FILE0009/", "FILE0009/FILE0009.dat"}));

    HandMade("con.exe", {{Bytes("s"), 0, ""}, {Bytes("d"), 0, ""}});
    run = Tool({"extract", "-q", "-d", "out2", "con.exe"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("reserved device name CON"), std::string::npos) << run.err;
    EXPECT_EQ(testfiles::ListTree(dir / "out2"),
              (std::vector<std::string>{"CON.SCR", "con/", "con/con.DAT"}));
}

TEST_F(ToolTest, ListJsonOfADamagedCatalogue) {
    auto records =
        HandMade("j.exe", {{Bytes("s"), 0, ""}, {Bytes("d"), 0, ""}, {Bytes("n"), 0, "\"\\"}});
    ToolRun run = Tool({"list", "--json", "j.exe"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.out.find("\"intact\": false"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"extension\": \"\\\"\\\\\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"problem\": \"extension cannot end a Windows file name\""),
              std::string::npos)
        << run.out;
}

}  // namespace
}  // namespace testtool
