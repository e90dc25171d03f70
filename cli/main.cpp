// Entry point of `veltrane`, the authoring tool for Veltrane installers:
// dispatches to the commands and handles the global options.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char* const MainUsage =
    "Usage: veltrane COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Builds and inspects Veltrane screen saver installers.\n"
    "\n"
    "Commands:\n"
    "  pack      write an installer from a stub, a saver and its data files\n"
    "  list      show the display name and the entries of an installer\n"
    "  test      check an installer and expand every entry, writing nothing\n"
    "  extract   write an installer's files under a folder\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help, or a command's help after its name\n"
    "  -V, --version  show the version\n"
    "\n"
    "Exit status: 0 success, 1 usage error, 2 damaged or unsupported input or an I/O error.\n";

std::filesystem::path ToolFolder(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        self = std::filesystem::absolute(argv0, error);
    return self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace veltrane::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(MainUsage, stderr);
        return ExitUsage;
    }
    const std::string& command = args.front();
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(MainUsage, stdout);
        return ExitOk;
    }
    if (command == "-V" || command == "--version") {
        std::printf("veltrane %s\n", VELTRANE_VERSION);
        return ExitOk;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "pack")
        return RunPack(rest, ToolContext{ToolFolder(argv[0])});
    if (command == "list")
        return RunList(rest);
    if (command == "test")
        return RunTest(rest);
    if (command == "extract")
        return RunExtract(rest);
    PrintError("unknown command \"" + command + "\"; try veltrane --help");
    return ExitUsage;
}
