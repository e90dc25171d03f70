// Runs the built `veltrane` binary as a child process and collects its exit
// code and output, for the command-line tests.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

extern char** environ;

namespace testtool {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs veltrane with `args` in the folder `cwd`, stdin empty, stdout and
// stderr captured (neither is a terminal, so no progress is shown).
inline ToolRun RunTool(const std::vector<std::string>& args, const std::filesystem::path& cwd) {
    testfiles::TempDir capture;
    std::string outPath = capture / "out", errPath = capture / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<std::string> argv = {VELTRANE_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    ToolRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, VELTRANE_TOOL, &actions, nullptr, pointers.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    auto read = [](const std::string& path) {
        std::vector<uint8_t> bytes = testfiles::ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    };
    run.out = read(outPath);
    run.err = read(errPath);
    return run;
}

}  // namespace testtool
