// Builds small synthetic PE32 images in memory for the tests of pe/: a
// section table, an import table and a resource tree whose layout the test
// controls, so that every requirement of a stub can be met or broken on
// purpose without a cross compiler.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pe/resource_tree.h"

namespace veltrane::pe::testing {

struct FixtureResource {
    ResourceName type;
    ResourceName name;
    std::uint16_t language = 1033;
    std::vector<std::uint8_t> data;
};

ResourceName Id(std::uint16_t id);
ResourceName Named(const std::u16string& text);

struct FixtureOptions {
    // Grouped into the tree by type, then name, in order of first
    // appearance; languages in the order given.
    std::vector<FixtureResource> resources;
    // Order in which the resources' data follow each other in .rsrc, as
    // indexes into `resources`; empty means the order of `resources`.
    std::vector<std::size_t> dataOrder;
    // Alignment of each resource's data inside .rsrc.
    std::uint32_t dataAlignment = 8;
    // Extra zero bytes at the end of .rsrc's data before file alignment.
    std::uint32_t rsrcSlack = 0;
    std::uint16_t machine = 0x14C;
    std::uint16_t optionalHeaderSize = 224;
    std::string rsrcName = ".rsrc";
    std::vector<std::string> imports = {"KERNEL32.dll", "USER32.dll", "GDI32.dll"};
    std::vector<std::string> delayImports;
    bool sectionAfterRsrc = false;           // a .reloc section behind .rsrc
    bool certificate = false;                // a certificate table behind the sections
    bool resourceDirectoryMismatch = false;  // data directory 2 not at .rsrc
};

// The resources of a stub as the resource compiler emits them: the marker
// LASTRES/1000/1033 with 4 bytes, an icon, two dialogs, an icon group and a
// manifest, each filled with distinct bytes.
std::vector<FixtureResource> StubResources();

// A PE32 image built from `options`. File alignment 0x200, section
// alignment 0x1000, image base 0x400000; sections .text, .idata, the
// resource section, and optionally .reloc.
std::vector<std::uint8_t> BuildPe(const FixtureOptions& options);

// A stub as the linker leaves it: the marker's data first in .rsrc.
FixtureOptions LinkedStub();

// A stub whose marker's data is already the last resource data.
FixtureOptions FinishedStub();

}  // namespace veltrane::pe::testing
