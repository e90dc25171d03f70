// `veltrane pack` and the global options, run as a program.
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace testtool {
namespace {

using testfiles::ReadBytes;

TEST_F(ToolTest, HelpAndVersion) {
    for (auto args : std::vector<std::vector<std::string>>{{"--help"},
                                                           {"-h"},
                                                           {"pack", "--help"},
                                                           {"list", "-h"},
                                                           {"test", "--help"},
                                                           {"extract", "--help"}}) {
        ToolRun run = Tool(args);
        EXPECT_EQ(run.exitCode, 0) << args[0];
        EXPECT_NE(run.out.find("Usage: veltrane"), std::string::npos);
    }
    ToolRun version = Tool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("veltrane ", 0), 0u);
}

TEST_F(ToolTest, UsageErrors) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<std::string> ok = {"-o", "x.exe", "--stub", "stub.exe", "--name", "N"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"pack"};
        args.insert(args.end(), ok.begin(), ok.end());
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const Case cases[] = {
        {{}, "Usage"},
        {{"frobnicate"}, "unknown command"},
        {{"list"}, "no installer"},
        {{"list", "a", "b"}, "one installer"},
        {{"test", "--bogus", "a"}, "unknown option --bogus"},
        {{"extract", "-d"}, "needs a value"},
        {{"list", "--json=yes", "a"}, "takes no value"},
        {{"pack", "--stub", "stub.exe", "--name", "N", "sea.scr"}, "no output"},
        {{"pack", "-o", "x.exe", "--stub", "stub.exe", "sea.scr"}, "no display name"},
        {with({}), "no saver file"},
        {with({"--name", "M", "sea.scr"}), "given twice"},
        {{"pack", "-o", "x.exe", "--name", std::string(33, 'n'), "sea.scr"}, "33 bytes long"},
        {{"pack", "-o", "x.exe", "--name", "snow \xE2\x98\x83", "sea.scr"}, "Windows-1252"},
        {{"pack", "-o", "x.exe", "--name", "", "sea.scr"}, "empty"},
        {with({"--first-number", "65536", "sea.scr"}), "--first-number"},
        {with({"--first-number", "x", "sea.scr"}), "--first-number"},
        {with({"--level", "0", "sea.scr"}), "--level"},
        {with({"--level", "10", "sea.scr"}), "--level"},
        {with({"--stored", "--compressed", "sea.scr"}), "exclude"},
        {with({"--ext", ".A", "sea.scr"}), "numbered files"},
        {with({"sea.scr", "sea.dat", "pic.bmp", "--ext", ".A"}), "before the file"},
        {with({"sea.scr", "sea.dat", "--ext", ".JPEG", "pic.bmp"}), "longer than 4"},
        {with({"sea.scr", "sea.dat", "--ext", "./", "pic.bmp"}), "cannot end a Windows file name"},
        {with({"sea.scr", "sea.dat", "--ext", "..", "pic.bmp"}), "cannot end a Windows file name"},
        {with({"--project", "missing.vproj"}), "missing.vproj: cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ToolRun run = Tool(c.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "x.exe"));
    }
}

TEST_F(ToolTest, ExtensionFromTheFileNameMustFit) {
    testfiles::WriteText(dir / "photo.jpeg", "jpeg");
    ToolRun run = Tool({"pack", "-o", "x.exe", "--stub", "stub.exe", "--name", "N", "sea.scr",
                        "sea.dat", "photo.jpeg"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("photo.jpeg"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--ext"), std::string::npos) << run.err;
    run = Tool({"pack", "-q", "-o", "x.exe", "--stub", "stub.exe", "--name", "N", "sea.scr",
                "sea.dat", "--ext", ".JPG", "photo.jpeg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ToolRun list = Tool({"list", "x.exe"});
    EXPECT_NE(list.out.find("x/FILE0000.JPG"), std::string::npos) << list.out;
}

TEST_F(ToolTest, InputErrorsNameTheFile) {
    testfiles::WriteBytes(dir / "empty.dat", {});
    struct Case {
        std::vector<std::string> files;
        std::string stub;
        const char* message;
    };
    const Case cases[] = {
        {{"sea.scr", "empty.dat"}, "stub.exe", "empty.dat: empty file"},
        {{"nothing.scr"}, "stub.exe", "nothing.scr: cannot open"},
        {{"sea.scr"}, "sea.dat", "sea.dat: not a usable stub"},
        {{"sea.scr"}, "absent.exe", "absent.exe: cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"pack", "-o", "x.exe", "--stub", c.stub, "--name", "N"};
        args.insert(args.end(), c.files.begin(), c.files.end());
        ToolRun run = Tool(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "x.exe"));
    }
}

TEST_F(ToolTest, DefaultStubLiesBesideTheTool) {
    // The test build may or may not hold a stub beside veltrane; either way
    // the message of a missing one names that place.
    std::filesystem::path beside =
        std::filesystem::path(VELTRANE_TOOL).parent_path() / "veltrane-stub.exe";
    if (std::filesystem::exists(beside))
        GTEST_SKIP() << "a stub lies beside the tool";
    ToolRun run = Tool({"pack", "-o", "x.exe", "--name", "N", "sea.scr"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(beside.string()), std::string::npos) << run.err;
}

TEST_F(ToolTest, PackReportsAndRoundTrips) {
    ToolRun run = Tool({"pack", "-o", "Sea.World.exe", "--stub", "stub.exe", "--name", "Sea World",
                        "--first-number", "9", "sea.scr", "sea.dat", "pic.bmp"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("3 entries"), std::string::npos) << run.out;
    ToolRun extract = Tool({"extract", "-q", "-d", "out", "Sea.World.exe"});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(extract.out, "");
    EXPECT_EQ(ReadBytes(dir / "out/SEA.SCR"), saver);
    EXPECT_EQ(ReadBytes(dir / "out/Sea.World/Sea.World.DAT"), data);
    EXPECT_EQ(ReadBytes(dir / "out/Sea.World/FILE0009.bmp"), picture);
}

TEST_F(ToolTest, CompressionOptionsAndLevels) {
    auto methods = [&](std::vector<std::string> options) {
        std::vector<std::string> args = {"pack",   "-q",       "-o",     "x.exe",
                                         "--stub", "stub.exe", "--name", "N"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {"sea.scr", "sea.dat", "pic.bmp"});
        ToolRun run = Tool(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        ToolRun test = Tool({"test", "-q", "x.exe"});
        EXPECT_EQ(test.exitCode, 0) << test.err;
        ToolRun list = Tool({"list", "--json", "x.exe"});
        std::string out;
        for (size_t at = 0; (at = list.out.find("\"method\": \"", at)) != std::string::npos; ++at)
            out += list.out[at + 11];
        return out;  // 's' or 'c' per entry
    };
    EXPECT_EQ(methods({"--stored"}), "sss");
    EXPECT_EQ(methods({"--compressed"}), "ccc");
    for (const char* level : {"1", "5", "9"}) {
        SCOPED_TRACE(level);
        // Text shrinks, noise does not.
        EXPECT_EQ(methods({"--level", level}), "ccs");
    }
}

TEST_F(ToolTest, ProjectFileWithCommandLineOverrides) {
    testfiles::WriteText(dir / "sea.vproj",
                         "name = From Project\n"
                         "output = proj.exe\n"
                         "stub = stub.exe\n"
                         "first-number = 41\n"
                         "compression = stored\n"
                         "saver = sea.scr\n"
                         "data = sea.dat\n"
                         "file = pic.bmp\n"
                         "extension = .PIC\n");
    ToolRun run = Tool({"pack", "-q", "--project", "sea.vproj"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ToolRun list = Tool({"list", "--json", "proj.exe"});
    EXPECT_NE(list.out.find("\"name\": \"From Project\""), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("proj/FILE0041.PIC"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("compressed"), std::string::npos);

    run =
        Tool({"pack", "-q", "-p", "sea.vproj", "--name", "Override", "-o", "other.exe", "sea.scr"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    list = Tool({"list", "--json", "other.exe"});
    EXPECT_NE(list.out.find("\"name\": \"Override\""), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\"firstFileNumber\": 41"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("FILE"), std::string::npos)
        << "files on the command line replace the project's";
}

TEST_F(ToolTest, DoubleDashEndsOptions) {
    testfiles::WriteText(dir / "-odd.scr", "odd");
    ToolRun run = Tool(
        {"pack", "-q", "-o", "odd.exe", "--stub", "stub.exe", "--name", "N", "--", "-odd.scr"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ToolRun extract = Tool({"extract", "-q", "-d", "out", "--", "odd.exe"});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(ReadBytes(dir / "out/ODD.SCR"), (std::vector<uint8_t>{'o', 'd', 'd'}));
}

}  // namespace
}  // namespace testtool
