// What list, test and extract share: opening an installer with its messages,
// and the names and fault descriptions of its entries.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "package/installer_reader.h"
#include "package/mapped_file.h"
#include "support/result.h"

namespace veltrane::cli {

struct InstallerView {
    std::string path;      // as given, for messages
    std::string fileName;  // the installer's file name, which names its entries
    MappedFile file;
    InstallerCatalogue catalogue;
};

// Opens and reads an installer; the message of a failure starts with the path.
Result<InstallerView> OpenInstaller(const std::string& path);

// Opens the one installer that a reading command (`command`: "list", "test",
// "extract") was given among its positional arguments. On a failure it has
// already told the user and sets *exitCode: ExitUsage when there is not
// exactly one path, ExitDamaged when the file cannot be read as an installer.
std::optional<InstallerView> OpenSoleInstaller(const std::vector<std::string>& paths,
                                               const char* command, int* exitCode);

// The entry's path relative to the extraction folder (SEA.SCR,
// Sea/Sea.DAT, Sea/FILE0009.TMP).
std::string EntryPath(const InstallerView& view, const CatalogueEntry& entry);

// What is wrong with the catalogue as a whole, naming the entry where it
// applies; empty when it is intact.
std::string CatalogueProblem(const InstallerView& view);

// "entry 2 (Sea/FILE0009.TMP)" for messages.
std::string EntryLabel(const InstallerView& view, const CatalogueEntry& entry);

}  // namespace veltrane::cli
