// `veltrane extract`: writes an installer's files under a folder, with the
// names the installer gives them.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/installer_view.h"
#include "package/output_folder.h"
#include "package/target_names.h"

namespace veltrane::cli {

const char* const ExtractUsage =
    "Usage: veltrane extract [-d DIR] [--overwrite] [-q] INSTALLER\n"
    "\n"
    "Writes the saver file into DIR and the data files into a folder named after\n"
    "the installer inside DIR, with the names the installer gives them. Nothing is\n"
    "written outside DIR and no symbolic link is followed below it. Every intact\n"
    "entry is written even when others are damaged (the exit status is 2 then).\n"
    "\n"
    "Options:\n"
    "  -d, --dir DIR    the folder to write into (default: the current folder)\n"
    "      --overwrite  replace existing files (atomically); without it an existing\n"
    "                   file is an error and stays as it is\n"
    "  -q, --quiet      print nothing but errors\n"
    "  -h, --help       show this help\n";

namespace {

struct Target {
    bool inDataFolder = false;
    std::string name;
    bool superseded = false;  // a later entry takes the same name on Windows
};

Status WriteAll(int fd, const uint8_t* data, int32_t count) {
    while (count > 0) {
        ssize_t n = ::write(fd, data, static_cast<size_t>(count));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Status::Fail(std::strerror(errno));
        data += n;
        count -= static_cast<int32_t>(n);
    }
    return Status::Ok();
}

}  // namespace

int RunExtract(const std::vector<std::string>& args) {
    auto scanned = ScanArguments(
        args,
        {{"dir", 'd', true}, {"overwrite", 0, false}, {"quiet", 'q', false}, {"help", 'h', false}});
    if (!scanned) {
        PrintError(scanned.error);
        return ExitUsage;
    }
    bool quiet = false, overwrite = false;
    std::optional<std::string> dir;
    std::vector<std::string> paths;
    for (const Argument& a : *scanned) {
        if (!a.isOption)
            paths.push_back(a.value);
        else if (a.name == "help") {
            std::fputs(ExtractUsage, stdout);
            return ExitOk;
        } else if (a.name == "quiet")
            quiet = true;
        else if (a.name == "overwrite")
            overwrite = true;
        else if (a.name == "dir") {
            if (dir) {
                PrintError("option --dir given twice");
                return ExitUsage;
            }
            dir = a.value;
        }
    }
    int exitCode = ExitOk;
    auto view = OpenSoleInstaller(paths, "extract", &exitCode);
    if (!view)
        return exitCode;
    const InstallerCatalogue& catalogue = view->catalogue;
    const std::string& installer = view->path;

    int faults = 0;
    if (std::string problem = CatalogueProblem(*view); !problem.empty()) {
        PrintError(installer + ": " + problem);
        ++faults;
    }

    const std::string folderBase = FolderBase(view->fileName);
    std::vector<Target> targets;
    std::map<std::string, size_t> byKey;
    for (const CatalogueEntry& e : catalogue.entries) {
        Target t;
        t.inDataFolder = e.index != 0;
        t.name = EntryFileName(view->fileName, e.index, catalogue.header.firstFileNumber, e.record);
        std::string key = CaseKey((t.inDataFolder ? folderBase + "/" : std::string()) + t.name);
        // Windows names files case-insensitively: the later entry replaces the
        // earlier one there, and so it does here.
        if (auto found = byKey.find(key); found != byKey.end() && e.fault == CatalogueOk) {
            targets[found->second].superseded = true;
            PrintWarning(installer + ": " + EntryLabel(*view, catalogue.entries[found->second]) +
                         " and " + EntryLabel(*view, e) +
                         " are the same file on Windows; only entry " + std::to_string(e.index) +
                         " is written");
        }
        if (e.fault == CatalogueOk)
            byKey[key] = targets.size();
        if (auto problem = WindowsNameProblem(t.name); problem && e.fault == CatalogueOk)
            PrintWarning(installer + ": " + EntryLabel(*view, e) +
                         ": Windows cannot create this file (" + *problem + ")");
        targets.push_back(std::move(t));
    }
    bool hasDataEntries = catalogue.entries.size() > 1;
    if (hasDataEntries) {
        if (auto problem = WindowsNameProblem(folderBase))
            PrintWarning(installer + ": the data folder \"" + Printable(folderBase) +
                         "\" cannot be created on Windows (" + *problem + ")");
    }

    auto root = OutputFolder::Open(dir.value_or("."));
    if (!root) {
        PrintError(root.error);
        return ExitDamaged;
    }
    std::optional<OutputFolder> dataFolder;
    std::string dataFolderError;

    uint64_t total = 0;
    for (const CatalogueEntry& e : catalogue.entries)
        total += e.fault == CatalogueOk ? InstalledSize(&e.record) : 0;
    Progress progress(quiet);
    EntryExpander expander;
    uint64_t done = 0;
    for (size_t i = 0; i < catalogue.entries.size(); ++i) {
        const CatalogueEntry& e = catalogue.entries[i];
        const Target& t = targets[i];
        if (e.fault != CatalogueOk) {
            if (e.index != catalogue.summary.faultIndex || catalogue.status != e.fault)
                PrintError(installer + ": " + EntryLabel(*view, e) + ": " +
                           CatalogueStatusText(e.fault) + "; not written");
            ++faults;
            continue;
        }
        const std::string what = "extracting " + EntryPath(*view, e);
        const uint64_t entryStart = done;
        progress.Update(what, done, total);
        done += InstalledSize(&e.record);

        const OutputFolder* folder = &*root;
        if (t.inDataFolder && !t.superseded) {
            if (!dataFolder && dataFolderError.empty()) {
                auto opened = root->Subfolder(folderBase);
                if (opened)
                    dataFolder = std::move(*opened);
                else
                    dataFolderError = opened.error;
            }
            if (!dataFolder) {
                progress.Clear();
                PrintError(installer + ": " + EntryLabel(*view, e) +
                           ": not written: " + dataFolderError);
                ++faults;
                continue;
            }
            folder = &*dataFolder;
        }

        if (t.superseded) {
            // Expanded all the same: the decoder's window carries over from entry
            // to entry as in the installer, and damage is still worth reporting.
            auto discard = [](const uint8_t*, int32_t) { return true; };
            EntryBytesResult result = expander.Expand(view->file, e.record, MakeSink(discard));
            if (result.outcome != ExpandOutcome::Ok) {
                progress.Clear();
                PrintError(installer + ": " + EntryLabel(*view, e) + ": " + result.problem);
                ++faults;
            }
            continue;
        }

        Status written = folder->WriteFile(t.name, overwrite, [&](int fd) {
            Status writeStatus;
            uint64_t bytesOut = 0;
            auto sink = [&](const uint8_t* data, int32_t n) {
                writeStatus = WriteAll(fd, data, n);
                bytesOut += static_cast<uint64_t>(n);
                progress.Update(what, entryStart + bytesOut, total);
                return bool(writeStatus);
            };
            EntryBytesResult result = expander.Expand(view->file, e.record, MakeSink(sink));
            switch (result.outcome) {
                case ExpandOutcome::Ok:
                    return Status::Ok();
                case ExpandOutcome::Damaged:
                    return Status::Fail(EntryLabel(*view, e) + ": " + result.problem +
                                        "; not written");
                case ExpandOutcome::SinkFailed:
                    return Status::Fail((folder->Path() / t.name).string() +
                                        ": cannot write: " + writeStatus.error);
            }
            return Status::Ok();
        });
        if (!written) {
            progress.Clear();
            PrintError(written.error.starts_with("entry ") ? installer + ": " + written.error
                                                           : written.error);
            ++faults;
            continue;
        }
        if (!quiet) {
            progress.Clear();
            std::printf("%s\n", Printable((folder->Path() / t.name).string()).c_str());
        }
    }
    progress.Clear();
    return faults == 0 ? ExitOk : ExitDamaged;
}

}  // namespace veltrane::cli
