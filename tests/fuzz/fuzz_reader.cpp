// Fuzz target: the tool's reading of an installer (catalogue, target names,
// every entry expanded as list, test and extract do) on any file. No crash,
// no access outside the bytes; an entry reported intact yields exactly its
// installed size.
#include <stddef.h>
#include <stdint.h>

#include <cstdlib>
#include <span>

#include "package/installer_reader.h"
#include "package/mapped_file.h"
#include "package/target_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    veltrane::MappedFile file = veltrane::MappedFile::View(std::span<const uint8_t>(data, size));
    auto catalogue = veltrane::ReadInstallerCatalogue(file);
    if (!catalogue) {
        return 0;
    }
    veltrane::EntryExpander expander;
    for (const veltrane::CatalogueEntry& entry : catalogue->entries) {
        (void)veltrane::EntryRelativePath("Fuzz.exe", entry.index,
                                          catalogue->header.firstFileNumber, entry.record);
        if (entry.fault != CatalogueOk) {
            continue;
        }
        uint64_t produced = 0;
        auto count = [&](const uint8_t*, int32_t n) {
            produced += static_cast<uint64_t>(n);
            return true;
        };
        veltrane::EntryBytesResult result =
            expander.Expand(file, entry.record, veltrane::MakeSink(count));
        if (result.outcome == veltrane::ExpandOutcome::Ok &&
            produced != InstalledSize(&entry.record)) {
            std::abort();
        }
    }
    return 0;
}
