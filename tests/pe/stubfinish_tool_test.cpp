// The finishing tool as the build runs it: it re-lays a linked stub in
// place and passes it, and rejects a stub that breaks a requirement or
// imports a DLL it must not, with a message and a non-zero exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "pe/stub_check.h"
#include "tests/pe/pe_fixture.h"

namespace veltrane::pe {
namespace {

namespace fs = std::filesystem;
using testing::BuildPe;
using testing::FixtureOptions;
using testing::LinkedStub;

struct ToolRun {
    int status = -1;
    std::string output;  // stdout and stderr
};

ToolRun RunTool(const std::string& arguments, const fs::path& outputFile) {
    const std::string command = std::string("'") + VELTRANE_STUBFINISH + "' " + arguments + " > '" +
                                outputFile.string() + "' 2>&1";
    ToolRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(outputFile);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return run;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class StubFinishTool : public ::testing::Test {
  protected:
    void SetUp() override {
        // One folder per test and process: parallel runs of several builds
        // must not meet.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        dir_ = fs::temp_directory_path() /
               ("stubfinish-test-" + std::to_string(getpid()) + "-" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const std::vector<std::uint8_t>& bytes) {
        const fs::path path = dir_ / "stub.exe";
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    fs::path dir_;
};

TEST_F(StubFinishTool, FinishesALinkedStubInPlace) {
    const auto linked = BuildPe(LinkedStub());
    ASSERT_FALSE(CheckStub(linked).Ok());
    const fs::path path = Write(linked);
    const ToolRun run = RunTool("'" + path.string() + "'", dir_ / "out.txt");
    EXPECT_EQ(run.status, 0) << run.output;
    const auto finished = ReadFile(path);
    const StubCheckResult check = CheckStub(finished);
    EXPECT_TRUE(check.Ok()) << check.message;
    EXPECT_NE(run.output.find(std::to_string(finished.size()) + " bytes"), std::string::npos)
        << run.output;
    // Nothing but the stub and the captured output is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

struct RejectedStub {
    const char* name;
    FixtureOptions options;
    const char* message;  // part of what the tool must say
};

// Test names show the case name, not the bytes of the case.
void PrintTo(const RejectedStub& c, std::ostream* os) {
    *os << c.name;
}

FixtureOptions With(void (*change)(FixtureOptions&)) {
    FixtureOptions options = LinkedStub();
    change(options);
    return options;
}

class StubFinishRejects : public StubFinishTool,
                          public ::testing::WithParamInterface<RejectedStub> {};

TEST_P(StubFinishRejects, FailsWithAMessage) {
    const fs::path path = Write(BuildPe(GetParam().options));
    const ToolRun run = RunTool("'" + path.string() + "'", dir_ / "out.txt");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(GetParam().message), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Stubs, StubFinishRejects,
    ::testing::Values(
        RejectedStub{"SectionBehindResources", With([](auto& o) { o.sectionAfterRsrc = true; }),
                     ".rsrc last"},
        RejectedStub{"OptionalHeader240", With([](auto& o) { o.optionalHeaderSize = 240; }), "224"},
        RejectedStub{"NoMarker", With([](auto& o) { o.resources.erase(o.resources.begin()); }),
                     "LASTRES"},
        RejectedStub{"CRuntimeImport", With([](auto& o) { o.imports.push_back("msvcrt.dll"); }),
                     "msvcrt.dll"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(StubFinishTool, MissingFileFails) {
    const ToolRun run = RunTool("'" + (dir_ / "absent.exe").string() + "'", dir_ / "out.txt");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("absent.exe"), std::string::npos) << run.output;
}

TEST_F(StubFinishTool, WrongUsageFails) {
    EXPECT_EQ(RunTool("", dir_ / "out.txt").status, 2);
    EXPECT_EQ(RunTool("a b", dir_ / "out.txt").status, 2);
}

}  // namespace
}  // namespace veltrane::pe
