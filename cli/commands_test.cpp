// `veltrane test`: checks an installer and expands every entry, writing nothing.
#include "cli/commands.h"

#include <cstdio>

#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/installer_view.h"

namespace veltrane::cli {

const char* const TestUsage =
    "Usage: veltrane test [-q] INSTALLER\n"
    "\n"
    "Checks the structure of an installer and expands every entry as the\n"
    "installer would, writing nothing. Exits with 2 on any fault, naming the entry.\n"
    "\n"
    "Options:\n"
    "  -q, --quiet  print nothing but errors\n"
    "  -h, --help   show this help\n";

int RunTest(const std::vector<std::string>& args) {
    auto scanned = ScanArguments(args, {{"quiet", 'q', false}, {"help", 'h', false}});
    if (!scanned) {
        PrintError(scanned.error);
        return ExitUsage;
    }
    bool quiet = false;
    std::vector<std::string> paths;
    for (const Argument& a : *scanned) {
        if (!a.isOption)
            paths.push_back(a.value);
        else if (a.name == "help") {
            std::fputs(TestUsage, stdout);
            return ExitOk;
        } else if (a.name == "quiet")
            quiet = true;
    }
    int exitCode = ExitOk;
    auto view = OpenSoleInstaller(paths, "test", &exitCode);
    if (!view)
        return exitCode;

    int faults = 0;
    std::string problem = CatalogueProblem(*view);
    if (!problem.empty()) {
        PrintError(view->path + ": " + problem);
        ++faults;
    }
    uint64_t total = 0;
    for (const CatalogueEntry& e : view->catalogue.entries) total += InstalledSize(&e.record);
    Progress progress(quiet);
    EntryExpander expander;
    uint64_t done = 0;
    for (const CatalogueEntry& e : view->catalogue.entries) {
        if (e.fault != CatalogueOk) {
            // The catalogue problem already names the first faulty record.
            if (e.index != view->catalogue.summary.faultIndex || view->catalogue.status != e.fault)
                PrintError(view->path + ": " + EntryLabel(*view, e) + ": " +
                           CatalogueStatusText(e.fault));
            ++faults;
            continue;
        }
        const std::string what = "testing " + EntryPath(*view, e);
        progress.Update(what, done, total);
        uint64_t expanded = 0;
        auto count = [&](const uint8_t*, int32_t n) {
            expanded += static_cast<uint64_t>(n);
            progress.Update(what, done + expanded, total);
            return true;
        };
        EntryBytesResult result = expander.Expand(view->file, e.record, MakeSink(count));
        done += InstalledSize(&e.record);
        if (result.outcome != ExpandOutcome::Ok) {
            progress.Clear();
            PrintError(view->path + ": " + EntryLabel(*view, e) + ": " + result.problem);
            ++faults;
        }
    }
    progress.Clear();
    if (faults != 0)
        return ExitDamaged;
    if (!quiet)
        std::printf("%s: OK, %zu entries, %s bytes installed\n", Printable(view->path).c_str(),
                    view->catalogue.entries.size(),
                    Thousands(view->catalogue.summary.totalInstalledSize).c_str());
    return ExitOk;
}

}  // namespace veltrane::cli
