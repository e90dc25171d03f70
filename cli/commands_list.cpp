// `veltrane list`: shows an installer's display name and entries.
#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/installer_view.h"
#include "package/target_names.h"
#include "package/windows1252.h"

namespace veltrane::cli {

const char* const ListUsage =
    "Usage: veltrane list [--json] INSTALLER\n"
    "\n"
    "Shows the display name, the first file number and every entry of an\n"
    "installer: its index, role, the name the installer gives it (for this\n"
    "installer's file name), whether it is stored or compressed, its stored and\n"
    "installed sizes and their ratio. Reads the catalogue only; 'veltrane test'\n"
    "also expands every entry. Exits with 2 when the catalogue is damaged.\n"
    "\n"
    "Options:\n"
    "  --json      print the same as JSON\n"
    "  -h, --help  show this help\n";

namespace {

std::string Ratio(const PayloadEntry& record) {
    uint32_t installed = InstalledSize(&record);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%",
                  installed == 0 ? 0.0 : 100.0 * record.storedLength / installed);
    return text;
}

void PrintText(const InstallerView& view) {
    const InstallerCatalogue& c = view.catalogue;
    std::printf("Installer:         %s\n", Printable(view.path).c_str());
    std::printf("Display name:      %s\n", Printable(Windows1252ToUtf8(c.DisplayName())).c_str());
    std::printf("First file number: %u\n", static_cast<unsigned>(c.header.firstFileNumber));
    std::printf("Entries:           %zu\n", c.entries.size());
    if (c.status == CatalogueOk)
        std::printf("Installed size:    %s bytes\n",
                    Thousands(c.summary.totalInstalledSize).c_str());
    std::printf("\n%5s  %-13s  %-30s  %-10s  %13s  %13s  %6s\n", "Index", "Role", "Name", "Method",
                "Stored", "Installed", "Ratio");
    for (const CatalogueEntry& e : c.entries) {
        std::printf("%5u  %-13s  %-30s  %-10s  %13s  %13s  %6s\n", e.index,
                    RoleName(RoleOfEntry(e.index)), Printable(EntryPath(view, e)).c_str(),
                    IsCompressed(&e.record) ? "compressed" : "stored",
                    Thousands(e.record.storedLength).c_str(),
                    Thousands(InstalledSize(&e.record)).c_str(), Ratio(e.record).c_str());
        if (e.fault != CatalogueOk)
            std::printf("       damaged: %s\n", CatalogueStatusText(e.fault));
    }
}

void PrintJson(const InstallerView& view) {
    const InstallerCatalogue& c = view.catalogue;
    std::string problem = CatalogueProblem(view);
    std::printf("{\n");
    std::printf("  \"installer\": %s,\n", JsonString(view.fileName).c_str());
    std::printf("  \"name\": %s,\n", JsonString(Windows1252ToUtf8(c.DisplayName())).c_str());
    std::printf("  \"firstFileNumber\": %u,\n", static_cast<unsigned>(c.header.firstFileNumber));
    std::printf("  \"intact\": %s,\n", problem.empty() ? "true" : "false");
    if (!problem.empty())
        std::printf("  \"problem\": %s,\n", JsonString(problem).c_str());
    if (problem.empty())
        std::printf("  \"installedSize\": %u,\n", c.summary.totalInstalledSize);
    std::printf("  \"entries\": [");
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const CatalogueEntry& e = c.entries[i];
        const PayloadEntry& r = e.record;
        uint32_t installed = InstalledSize(&r);
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.4f",
                      installed == 0 ? 0.0 : static_cast<double>(r.storedLength) / installed);
        std::printf(
            "%s\n    {\"index\": %u, \"role\": %s, \"path\": %s, \"method\": \"%s\", "
            "\"storedSize\": %u, \"installedSize\": %u, \"ratio\": %s, \"extension\": %s",
            i == 0 ? "" : ",", e.index, JsonString(RoleName(RoleOfEntry(e.index))).c_str(),
            JsonString(EntryPath(view, e)).c_str(), IsCompressed(&r) ? "compressed" : "stored",
            r.storedLength, installed, ratio,
            JsonString(Windows1252ToUtf8(ExtensionText(r))).c_str());
        if (e.fault != CatalogueOk)
            std::printf(", \"problem\": %s", JsonString(CatalogueStatusText(e.fault)).c_str());
        std::printf("}");
    }
    std::printf("%s]\n}\n", c.entries.empty() ? "" : "\n  ");
}

}  // namespace

int RunList(const std::vector<std::string>& args) {
    auto scanned = ScanArguments(args, {{"json", 0, false}, {"help", 'h', false}});
    if (!scanned) {
        PrintError(scanned.error);
        return ExitUsage;
    }
    bool json = false;
    std::vector<std::string> paths;
    for (const Argument& a : *scanned) {
        if (!a.isOption)
            paths.push_back(a.value);
        else if (a.name == "help") {
            std::fputs(ListUsage, stdout);
            return ExitOk;
        } else if (a.name == "json")
            json = true;
    }
    int exitCode = ExitOk;
    auto view = OpenSoleInstaller(paths, "list", &exitCode);
    if (!view)
        return exitCode;
    if (json)
        PrintJson(*view);
    else
        PrintText(*view);
    std::fflush(stdout);
    std::string problem = CatalogueProblem(*view);
    if (!problem.empty()) {
        PrintError(view->path + ": " + problem);
        return ExitDamaged;
    }
    return ExitOk;
}

}  // namespace veltrane::cli
