// The requirements a stub executable must meet before a payload can be
// written into it, and the check of the DLLs it imports.
//
// The stub's payload locator takes the first entry at each level of the
// resource tree and reads the payload from the data of the resource it
// reaches, the marker, on to the end of the file. The payload writer
// replaces that data and everything behind it. So:
//   - the image is PE32 (i386) and its optional header is 224 bytes long,
//     since the locator reads the section table right behind 224 bytes;
//   - a section named exactly ".rsrc" holds the resource directory, at its
//     start (the locator reads the tree there, the loader through data
//     directory 2: both must see the same tree);
//   - the first type in the root is the named type LASTRES, its first and
//     only name is 1000, and that name's first and only language is 1033,
//     leading to a data entry;
//   - the marker's data lies in .rsrc's file data, behind the bytes of the
//     tree itself and of every other resource's data, and no data the loader
//     reads through a data directory lies behind it;
//   - no other section has file data behind .rsrc and the file carries no
//     certificate table, so the payload overwrites nothing the loader needs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane::pe {

enum class StubRequirement {
    None,                // every requirement holds
    PeImage,             // a readable PE32 image for i386
    OptionalHeaderSize,  // SizeOfOptionalHeader is 224
    ResourceSection,     // .rsrc exists, starts with the resource directory, its tree reads
    MarkerFirstType,     // LASTRES is the first entry of the root
    MarkerName,          // 1000 is the first and only name under LASTRES
    MarkerLanguage,      // 1033 is the first and only language under it, with a data entry
    MarkerDataLast,  // nothing the loader or another resource needs lies behind the marker's data
    ResourceSectionLast,  // .rsrc is the last section with file data; no certificate table
    LocatorPath,          // the locator's walk lands on the marker's data
};

// Short name of a requirement, for messages and test names.
const char* RequirementName(StubRequirement requirement);

struct StubCheckResult {
    StubRequirement failed = StubRequirement::None;
    std::string message;              // what is wrong; empty when Ok()
    std::uint32_t payloadOffset = 0;  // when Ok(): file offset of the marker's data

    bool Ok() const { return failed == StubRequirement::None; }
};

// Checks every requirement above on the bytes of a stub (or of an unsigned
// installer built from one: the payload then stands where the marker's data
// was) and reports the first that fails. On success payloadOffset is where a
// payload starts: the file offset of the marker's data. A signed file fails
// (ResourceSectionLast): packing would cut its signature off and leave the
// certificate directory pointing into the payload.
StubCheckResult CheckStub(std::span<const std::uint8_t> file);

// Where the installer's own locator (payload/payload_locator.h) finds the
// payload in this file: e_lfanew, the section table behind a 224-byte
// optional header, the first section named ".rsrc", the first entry of each
// directory level, the data entry's RVA turned into a file offset. nullopt
// when the locator finds no payload.
std::optional<std::uint32_t> LocatePayloadOffset(std::span<const std::uint8_t> file);

// The DLLs a stub may import: system DLLs the loader always finds in the
// system folder.
inline constexpr std::array<std::string_view, 3> kStubDlls = {"KERNEL32.dll", "USER32.dll",
                                                              "GDI32.dll"};

struct ImportCheckResult {
    bool ok = false;
    std::string message;            // what is wrong; empty when ok
    std::vector<std::string> dlls;  // every imported DLL, delay-loaded ones included
};

// Fails when the imports cannot be read or name a DLL (case-insensitively)
// outside kStubDlls.
ImportCheckResult CheckStubImports(std::span<const std::uint8_t> file);

}  // namespace veltrane::pe
