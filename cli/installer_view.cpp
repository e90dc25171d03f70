// Opening installers for the reading commands.
#include "cli/installer_view.h"

#include <cstdio>

#include "cli/console.h"
#include "package/target_names.h"

namespace veltrane::cli {

Result<InstallerView> OpenInstaller(const std::string& path) {
    InstallerView view;
    view.path = path;
    view.fileName = std::filesystem::path(path).filename().string();
    auto file = MappedFile::Open(path);
    if (!file)
        return Result<InstallerView>::Fail(file.error);
    view.file = std::move(*file);
    auto catalogue = ReadInstallerCatalogue(view.file);
    if (!catalogue)
        return Result<InstallerView>::Fail(path + ": " + catalogue.error);
    view.catalogue = std::move(*catalogue);
    return Result<InstallerView>::Ok(std::move(view));
}

std::optional<InstallerView> OpenSoleInstaller(const std::vector<std::string>& paths,
                                               const char* command, int* exitCode) {
    if (paths.size() != 1) {
        PrintError(paths.empty() ? std::string("no installer given")
                                 : std::string(command) + " takes one installer");
        std::fprintf(stderr, "Try 'veltrane %s --help'.\n", command);
        *exitCode = ExitUsage;
        return std::nullopt;
    }
    auto view = OpenInstaller(paths[0]);
    if (!view) {
        PrintError(view.error);
        *exitCode = ExitDamaged;
        return std::nullopt;
    }
    return std::move(*view);
}

std::string EntryPath(const InstallerView& view, const CatalogueEntry& entry) {
    return EntryRelativePath(view.fileName, entry.index, view.catalogue.header.firstFileNumber,
                             entry.record);
}

std::string EntryLabel(const InstallerView& view, const CatalogueEntry& entry) {
    return "entry " + std::to_string(entry.index) + " (" + EntryPath(view, entry) + ")";
}

std::string CatalogueProblem(const InstallerView& view) {
    const InstallerCatalogue& c = view.catalogue;
    uint32_t index = c.summary.faultIndex;
    switch (c.status) {
        case CatalogueOk:
            return {};
        case CatalogueNoTerminator:
            return "catalogue: the file ends before the terminator, after " +
                   std::to_string(index) + " entries";
        case CatalogueTotalTooLarge:
            return "catalogue: installed sizes reach 2^31 bytes or more by entry " +
                   std::to_string(index);
        case CatalogueHeaderOutsideFile:
        case CatalogueReadFailed:
            return std::string("catalogue: ") + CatalogueStatusText(c.status);
        default:
            if (index < c.entries.size())
                return EntryLabel(view, c.entries[index]) + ": " + CatalogueStatusText(c.status);
            return "terminator: " + std::string(CatalogueStatusText(c.status));
    }
}

}  // namespace veltrane::cli
