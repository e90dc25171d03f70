// Checking a stub against the requirements of its payload locator and of
// the payload writer, and against the list of DLLs it may import.
#include "pe/stub_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "payload/payload_locator.h"
#include "pe/import_list.h"
#include "pe/le_bytes.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"

namespace veltrane::pe {

namespace {

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kMarkerName = 1000;
constexpr std::uint16_t kMarkerLanguage = 1033;
const std::u16string kMarkerType = u"LASTRES";

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

StubCheckResult Fail(StubRequirement requirement, std::string message) {
    StubCheckResult result;
    result.failed = requirement;
    result.message = std::move(message);
    return result;
}

const char* DirectoryName(std::size_t index) {
    static const char* const names[] = {"export table",         "import table",
                                        "resource table",       "exception table",
                                        "certificate table",    "base relocation table",
                                        "debug data",           "architecture data",
                                        "global pointer",       "TLS table",
                                        "load configuration",   "bound import table",
                                        "import address table", "delay-import table",
                                        "runtime header",       "reserved directory"};
    return index < std::size(names) ? names[index] : "data directory";
}

// Checks one level of the marker's path: `dir` must hold exactly one entry,
// named `expected`, leading to a directory (or to data when `wantData`).
// Returns an empty string when it does, else the message.
std::string CheckLevel(const ResourceNode& dir, const std::string& where,
                       const ResourceName& expected, bool wantData) {
    const std::string what = wantData ? "language" : "name";
    if (dir.children.empty())
        return where + " has no " + what + "s";
    const ResourceNode& first = dir.children.front();
    if (!(first.name == expected))
        return "the first " + what + " under " + where + " is " + first.name.Display() + ", not " +
               expected.Display();
    if (dir.children.size() > 1)
        return where + " has " + std::to_string(dir.children.size()) + " " + what + "s; " +
               expected.Display() + " must be its only one";
    if (wantData && first.isDirectory)
        return where + "/" + expected.Display() + " leads to a directory, not to a data entry";
    if (!wantData && !first.isDirectory)
        return where + "/" + expected.Display() +
               " leads to a data entry, not to a directory of languages";
    return {};
}

}  // namespace

const char* RequirementName(StubRequirement requirement) {
    switch (requirement) {
        case StubRequirement::None:
            return "none";
        case StubRequirement::PeImage:
            return "PE32 image";
        case StubRequirement::OptionalHeaderSize:
            return "224-byte optional header";
        case StubRequirement::ResourceSection:
            return "resource section";
        case StubRequirement::MarkerFirstType:
            return "LASTRES first type";
        case StubRequirement::MarkerName:
            return "marker name 1000";
        case StubRequirement::MarkerLanguage:
            return "marker language 1033";
        case StubRequirement::MarkerDataLast:
            return "marker data last";
        case StubRequirement::ResourceSectionLast:
            return ".rsrc last section";
        case StubRequirement::LocatorPath:
            return "locator path";
    }
    return "unknown";
}

std::optional<std::uint32_t> LocatePayloadOffset(std::span<const std::uint8_t> file) {
    // The installer's own locator, over the bytes in memory.
    struct Bytes {
        std::span<const std::uint8_t> file;
        static std::int32_t ReadAt(void* context, std::uint32_t offset, void* buffer,
                                   std::uint32_t count) {
            const auto& bytes = static_cast<const Bytes*>(context)->file;
            std::copy_n(bytes.begin() + offset, count, static_cast<std::uint8_t*>(buffer));
            return static_cast<std::int32_t>(count);
        }
    };
    if (file.size() > UINT32_MAX)
        return std::nullopt;
    Bytes bytes{file};
    const FileReader reader{Bytes::ReadAt, static_cast<std::uint32_t>(file.size()), &bytes};
    std::uint32_t payloadOffset = 0;
    if (LocatePayload(&reader, &payloadOffset) != LocateOk)
        return std::nullopt;
    return payloadOffset;
}

StubCheckResult CheckStub(std::span<const std::uint8_t> file) {
    auto parsed = ParsePeImage(file);
    if (!parsed)
        return Fail(StubRequirement::PeImage, parsed.error);
    const PeImage& image = *parsed;
    if (image.machine != kMachineI386)
        return Fail(StubRequirement::PeImage,
                    "machine type " + Hex(image.machine) + " is not i386 (0x14C)");
    if (image.sizeOfOptionalHeader != kPe32OptionalHeaderSize)
        return Fail(StubRequirement::OptionalHeaderSize,
                    "the optional header is " + std::to_string(image.sizeOfOptionalHeader) +
                        " bytes long, not " + std::to_string(kPe32OptionalHeaderSize));

    const SectionHeader* rsrc = FindSection(image, ".rsrc");
    if (rsrc == nullptr)
        return Fail(StubRequirement::ResourceSection, "no section is named .rsrc");
    const DataDirectory resources = image.Directory(kResourceDirectory);
    if (resources.rva != rsrc->virtualAddress)
        return Fail(StubRequirement::ResourceSection,
                    "the resource table at RVA " + Hex(resources.rva) +
                        " is not at the start of .rsrc (RVA " + Hex(rsrc->virtualAddress) + ")");
    auto tree = ParseResourceTree(file.subspan(rsrc->pointerToRawData, rsrc->sizeOfRawData));
    if (!tree)
        return Fail(StubRequirement::ResourceSection, tree.error);

    const ResourceNode& root = tree->root;
    if (root.children.empty())
        return Fail(StubRequirement::MarkerFirstType,
                    "the resource tree is empty; LASTRES must be its first type");
    const ResourceNode& type = root.children.front();
    if (!type.name.isString || type.name.text != kMarkerType)
        return Fail(StubRequirement::MarkerFirstType,
                    "the first resource type is " + type.name.Display() + ", not LASTRES");
    if (!type.isDirectory)
        return Fail(StubRequirement::MarkerFirstType,
                    "LASTRES leads to a data entry, not to a directory of names");
    std::string problem = CheckLevel(type, "LASTRES", ResourceName{false, kMarkerName, {}}, false);
    if (!problem.empty())
        return Fail(StubRequirement::MarkerName, problem);
    problem = CheckLevel(type.children.front(), "LASTRES/1000",
                         ResourceName{false, kMarkerLanguage, {}}, true);
    if (!problem.empty())
        return Fail(StubRequirement::MarkerLanguage, problem);
    const ResourceNode& marker = type.children.front().children.front();

    const std::uint32_t rsrcStart = rsrc->virtualAddress;
    if (marker.dataRva < rsrcStart || marker.dataRva - rsrcStart >= rsrc->sizeOfRawData)
        return Fail(StubRequirement::MarkerDataLast, "the marker's data at RVA " +
                                                         Hex(marker.dataRva) +
                                                         " is not in the file data of .rsrc");
    const std::uint32_t markerInSection = marker.dataRva - rsrcStart;
    const std::uint32_t markerOffset = rsrc->pointerToRawData + markerInSection;
    if (tree->structureEnd > markerInSection)
        return Fail(StubRequirement::MarkerDataLast,
                    "the resource directory runs to " +
                        Hex(rsrc->pointerToRawData + tree->structureEnd) +
                        ", behind the marker's data at " + Hex(markerOffset));
    for (const ResourceLeaf& leaf : ListLeaves(*tree)) {
        if (leaf.node == &marker || leaf.node->dataSize == 0)
            continue;
        const std::uint64_t end = std::uint64_t{leaf.node->dataRva} + leaf.node->dataSize;
        if (end > marker.dataRva &&
            leaf.node->dataRva < rsrcStart + std::uint64_t{rsrc->sizeOfRawData})
            return Fail(StubRequirement::MarkerDataLast,
                        "the data of resource " + leaf.PathText() + " (RVA " +
                            Hex(leaf.node->dataRva) + ", " + std::to_string(leaf.node->dataSize) +
                            " bytes) lies behind the marker's data at RVA " + Hex(marker.dataRva));
    }
    for (std::size_t i = 0; i < image.directories.size(); ++i) {
        const DataDirectory dir = image.directories[i];
        if (i == kResourceDirectory || i == kCertificateDirectory || dir.rva == 0)
            continue;
        const std::uint64_t end = std::uint64_t{dir.rva} + dir.size;
        if (end > marker.dataRva && dir.rva < rsrcStart + std::uint64_t{rsrc->sizeOfRawData})
            return Fail(StubRequirement::MarkerDataLast, std::string("the ") + DirectoryName(i) +
                                                             " at RVA " + Hex(dir.rva) +
                                                             " lies behind the marker's data");
    }

    for (const SectionHeader& section : image.sections) {
        if (&section == rsrc || section.sizeOfRawData == 0)
            continue;
        if (section.pointerToRawData + std::uint64_t{section.sizeOfRawData} >
            rsrc->pointerToRawData)
            return Fail(StubRequirement::ResourceSectionLast,
                        "section " + section.Name() + " has file data at " +
                            Hex(section.pointerToRawData) + ", behind the start of .rsrc at " +
                            Hex(rsrc->pointerToRawData) +
                            "; .rsrc must be the last section with file data");
    }
    const DataDirectory certificates = image.Directory(kCertificateDirectory);
    if (certificates.rva != 0 || certificates.size != 0)
        return Fail(StubRequirement::ResourceSectionLast,
                    "the file carries a certificate table at " + Hex(certificates.rva) +
                        ", which the payload would overwrite");

    auto located = LocatePayloadOffset(file);
    if (!located || *located != markerOffset)
        return Fail(StubRequirement::LocatorPath,
                    "the locator's walk ends at " +
                        (located ? Hex(*located) : std::string("no offset")) +
                        ", not at the marker's data at " + Hex(markerOffset));

    StubCheckResult result;
    result.payloadOffset = markerOffset;
    return result;
}

ImportCheckResult CheckStubImports(std::span<const std::uint8_t> file) {
    ImportCheckResult result;
    auto dlls = ListImportedDlls(file);
    if (!dlls) {
        result.message = dlls.error;
        return result;
    }
    auto lower = [](std::string_view text) {
        std::string out(text);
        for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    };
    for (const ImportedDll& dll : *dlls) {
        result.dlls.push_back(dll.name);
        const bool allowed =
            std::any_of(kStubDlls.begin(), kStubDlls.end(),
                        [&](std::string_view ok) { return lower(ok) == lower(dll.name); });
        if (!allowed && result.message.empty()) {
            result.message = "the stub imports " + dll.name +
                             (dll.delayed ? " (delay-loaded)" : "") +
                             ", which is not one of the system DLLs";
            for (std::string_view ok : kStubDlls) result.message += " " + std::string(ok);
        }
    }
    result.ok = result.message.empty();
    return result;
}

}  // namespace veltrane::pe
