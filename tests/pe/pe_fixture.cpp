// Synthetic PE32 images for the tests of pe/.
#include "tests/pe/pe_fixture.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace veltrane::pe::testing {

namespace {

constexpr std::uint32_t kFileAlign = 0x200;
constexpr std::uint32_t kSectionAlign = 0x1000;
constexpr std::uint32_t kImageBase = 0x400000;

std::uint32_t Align(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    if (out.size() < at + 2)
        out.resize(at + 2);
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

void PutString(std::vector<std::uint8_t>& out, std::size_t at, const std::string& text) {
    if (out.size() < at + text.size() + 1)
        out.resize(at + text.size() + 1);
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
    out[at + text.size()] = 0;
}

std::vector<std::uint8_t> Filled(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

struct Section {
    std::string name;
    std::vector<std::uint8_t> data;
    std::uint32_t characteristics = 0;
    std::uint32_t rva = 0;
    std::uint32_t fileOffset = 0;
};

// The resource section for `options`, placed at `rva`.
std::vector<std::uint8_t> BuildResources(const FixtureOptions& options, std::uint32_t rva) {
    // Group: type -> name -> list of resource indexes.
    struct NameGroup {
        ResourceName name;
        std::vector<std::size_t> items;
    };
    struct TypeGroup {
        ResourceName type;
        std::vector<NameGroup> names;
    };
    std::vector<TypeGroup> types;
    for (std::size_t i = 0; i < options.resources.size(); ++i) {
        const FixtureResource& r = options.resources[i];
        auto type = std::find_if(types.begin(), types.end(),
                                 [&](const TypeGroup& t) { return t.type == r.type; });
        if (type == types.end()) {
            types.push_back({r.type, {}});
            type = types.end() - 1;
        }
        auto name = std::find_if(type->names.begin(), type->names.end(),
                                 [&](const NameGroup& n) { return n.name == r.name; });
        if (name == type->names.end()) {
            type->names.push_back({r.name, {}});
            name = type->names.end() - 1;
        }
        name->items.push_back(i);
    }

    auto tableSize = [](std::size_t entries) {
        return static_cast<std::uint32_t>(16 + 8 * entries);
    };
    std::uint32_t cursor = tableSize(types.size());
    std::vector<std::uint32_t> typeTable, nameTableStart;
    for (const TypeGroup& t : types) {
        typeTable.push_back(cursor);
        cursor += tableSize(t.names.size());
    }
    std::map<std::pair<std::size_t, std::size_t>, std::uint32_t> nameTable;
    for (std::size_t t = 0; t < types.size(); ++t) {
        for (std::size_t n = 0; n < types[t].names.size(); ++n) {
            nameTable[{t, n}] = cursor;
            cursor += tableSize(types[t].names[n].items.size());
        }
    }
    std::vector<std::uint32_t> dataEntry(options.resources.size());
    for (const TypeGroup& t : types)
        for (const NameGroup& n : t.names)
            for (std::size_t item : n.items) {
                dataEntry[item] = cursor;
                cursor += 16;
            }
    // Name strings.
    std::map<std::u16string, std::uint32_t> stringAt;
    auto addString = [&](const ResourceName& name) {
        if (name.isString && !stringAt.count(name.text)) {
            stringAt[name.text] = cursor;
            cursor += 2 + 2 * static_cast<std::uint32_t>(name.text.size());
        }
    };
    for (const TypeGroup& t : types) {
        addString(t.type);
        for (const NameGroup& n : t.names) addString(n.name);
    }
    std::vector<std::size_t> order = options.dataOrder;
    if (order.empty()) {
        order.resize(options.resources.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
    }
    std::vector<std::uint32_t> dataAt(options.resources.size());
    for (std::size_t item : order) {
        cursor = Align(cursor, options.dataAlignment);
        dataAt[item] = cursor;
        cursor += static_cast<std::uint32_t>(options.resources[item].data.size());
    }
    cursor += options.rsrcSlack;

    std::vector<std::uint8_t> out(cursor, 0);
    auto nameField = [&](const ResourceName& name) {
        return name.isString ? (stringAt[name.text] | 0x80000000u) : name.id;
    };
    auto writeTable = [&](std::uint32_t at, std::size_t named, std::size_t ids) {
        Put16(out, at + 12, static_cast<std::uint32_t>(named));
        Put16(out, at + 14, static_cast<std::uint32_t>(ids));
    };
    auto countNamed = [](const auto& list, auto getName) {
        return static_cast<std::size_t>(std::count_if(
            list.begin(), list.end(), [&](const auto& x) { return getName(x).isString; }));
    };
    const std::size_t namedTypes =
        countNamed(types, [](const TypeGroup& t) -> const ResourceName& { return t.type; });
    writeTable(0, namedTypes, types.size() - namedTypes);
    for (std::size_t t = 0; t < types.size(); ++t) {
        Put32(out, 16 + 8 * t, nameField(types[t].type));
        Put32(out, 16 + 8 * t + 4, typeTable[t] | 0x80000000u);
        const auto& names = types[t].names;
        const std::size_t namedNames =
            countNamed(names, [](const NameGroup& n) -> const ResourceName& { return n.name; });
        writeTable(typeTable[t], namedNames, names.size() - namedNames);
        for (std::size_t n = 0; n < names.size(); ++n) {
            Put32(out, typeTable[t] + 16 + 8 * n, nameField(names[n].name));
            const std::uint32_t table = nameTable[{t, n}];
            Put32(out, typeTable[t] + 16 + 8 * n + 4, table | 0x80000000u);
            writeTable(table, 0, names[n].items.size());
            for (std::size_t l = 0; l < names[n].items.size(); ++l) {
                const std::size_t item = names[n].items[l];
                Put32(out, table + 16 + 8 * l, options.resources[item].language);
                Put32(out, table + 16 + 8 * l + 4, dataEntry[item]);
            }
        }
    }
    for (const auto& [text, at] : stringAt) {
        Put16(out, at, static_cast<std::uint32_t>(text.size()));
        for (std::size_t i = 0; i < text.size(); ++i) Put16(out, at + 2 + 2 * i, text[i]);
    }
    for (std::size_t item = 0; item < options.resources.size(); ++item) {
        const auto& data = options.resources[item].data;
        Put32(out, dataEntry[item], rva + dataAt[item]);
        Put32(out, dataEntry[item] + 4, static_cast<std::uint32_t>(data.size()));
        std::copy(data.begin(), data.end(), out.begin() + dataAt[item]);
    }
    return out;
}

// The import section at `rva`; `directorySize` receives the size of the
// descriptor table, `delayAt`/`delaySize` the delay-import table's place.
std::vector<std::uint8_t> BuildImports(const FixtureOptions& options, std::uint32_t rva,
                                       std::uint32_t& directorySize, std::uint32_t& delayAt,
                                       std::uint32_t& delaySize) {
    std::vector<std::uint8_t> out;
    const std::size_t count = options.imports.size();
    directorySize = static_cast<std::uint32_t>(20 * (count + 1));
    std::uint32_t cursor = directorySize;
    for (std::size_t i = 0; i < count; ++i) {
        // Lookup table and address table of one entry each, a hint/name, the DLL name.
        const std::uint32_t lookup = cursor, address = cursor + 8, hint = cursor + 16;
        const std::uint32_t dllName = hint + 16;
        Put32(out, lookup, rva + hint);
        Put32(out, lookup + 4, 0);
        Put32(out, address, rva + hint);
        Put32(out, address + 4, 0);
        Put16(out, hint, 0);
        PutString(out, hint + 2, "Function");
        PutString(out, dllName, options.imports[i]);
        cursor = Align(dllName + static_cast<std::uint32_t>(options.imports[i].size()) + 1, 4);
        Put32(out, 20 * i + 0, rva + lookup);
        Put32(out, 20 * i + 12, rva + dllName);
        Put32(out, 20 * i + 16, rva + address);
    }
    Put32(out, directorySize - 4, 0);
    delayAt = 0;
    delaySize = 0;
    if (!options.delayImports.empty()) {
        delayAt = Align(cursor, 4);
        delaySize = static_cast<std::uint32_t>(32 * (options.delayImports.size() + 1));
        cursor = delayAt + delaySize;
        for (std::size_t i = 0; i < options.delayImports.size(); ++i) {
            Put32(out, delayAt + 32 * i, 1);
            Put32(out, delayAt + 32 * i + 4, rva + cursor);
            PutString(out, cursor, options.delayImports[i]);
            cursor += static_cast<std::uint32_t>(options.delayImports[i].size()) + 1;
        }
        Put32(out, delayAt + delaySize - 4, 0);
        delayAt += rva;
    }
    out.resize(std::max<std::size_t>(out.size(), cursor));
    return out;
}

}  // namespace

ResourceName Id(std::uint16_t id) {
    return ResourceName{false, id, {}};
}

ResourceName Named(const std::u16string& text) {
    return ResourceName{true, 0, text};
}

std::vector<FixtureResource> StubResources() {
    return {
        {Named(u"LASTRES"), Id(1000), 1033, {0, 0, 0, 0}},
        {Id(3), Id(1), 1033, Filled(744, 0x11)},
        {Id(5), Id(103), 1033, Filled(190, 0x22)},
        {Id(5), Id(104), 1033, Filled(601, 0x33)},
        {Id(14), Id(101), 1033, Filled(20, 0x44)},
        {Id(24), Id(1), 1033, Filled(452, 0x55)},
    };
}

FixtureOptions LinkedStub() {
    FixtureOptions options;
    options.resources = StubResources();
    return options;
}

FixtureOptions FinishedStub() {
    FixtureOptions options = LinkedStub();
    options.dataOrder = {1, 2, 3, 4, 5, 0};
    return options;
}

std::vector<std::uint8_t> BuildPe(const FixtureOptions& options) {
    std::vector<Section> sections;
    sections.push_back({".text", std::vector<std::uint8_t>(40, 0xC3), 0x60000020});
    sections.push_back({".idata", {}, 0xC0000040});
    sections.push_back({options.rsrcName, {}, 0x40000040});
    if (options.sectionAfterRsrc)
        sections.push_back({".reloc", std::vector<std::uint8_t>(12, 0), 0x42000040});

    const std::uint32_t peOffset = 64;
    const std::uint32_t tableOffset = peOffset + 24 + options.optionalHeaderSize;
    const std::uint32_t headers =
        Align(tableOffset + 40 * static_cast<std::uint32_t>(sections.size()), kFileAlign);

    // Addresses are assigned in order; the contents of .idata and the
    // resource section depend on their own addresses only.
    std::uint32_t rva = kSectionAlign;
    std::uint32_t importSize = 0, delayAt = 0, delaySize = 0;
    for (Section& s : sections) {
        s.rva = rva;
        if (s.name == ".idata")
            s.data = BuildImports(options, rva, importSize, delayAt, delaySize);
        else if (&s == &sections[2])
            s.data = BuildResources(options, rva);
        rva += Align(static_cast<std::uint32_t>(s.data.size()), kSectionAlign);
    }
    const std::uint32_t imageSize = rva;

    std::vector<std::uint8_t> file(headers, 0);
    std::uint32_t offset = headers;
    for (Section& s : sections) {
        s.fileOffset = offset;
        const std::uint32_t raw = Align(static_cast<std::uint32_t>(s.data.size()), kFileAlign);
        file.resize(offset + raw, 0);
        std::copy(s.data.begin(), s.data.end(), file.begin() + offset);
        offset += raw;
    }
    if (options.certificate)
        file.resize(file.size() + 16, 0xCE);

    file[0] = 'M';
    file[1] = 'Z';
    Put32(file, 60, peOffset);
    PutString(file, peOffset, "PE");
    Put16(file, peOffset + 4, options.machine);
    Put16(file, peOffset + 6, static_cast<std::uint32_t>(sections.size()));
    Put16(file, peOffset + 20, options.optionalHeaderSize);
    Put16(file, peOffset + 22, 0x0102);
    const std::uint32_t opt = peOffset + 24;
    Put16(file, opt, 0x10B);
    Put32(file, opt + 16, sections[0].rva);
    Put32(file, opt + 28, kImageBase);
    Put32(file, opt + 32, kSectionAlign);
    Put32(file, opt + 36, kFileAlign);
    Put16(file, opt + 48, 4);
    Put32(file, opt + 56, imageSize);
    Put32(file, opt + 60, headers);
    Put16(file, opt + 68, 2);
    const std::uint32_t directories = (options.optionalHeaderSize - 96u) / 8u;
    Put32(file, opt + 92, directories);
    auto setDirectory = [&](std::uint32_t index, std::uint32_t at, std::uint32_t size) {
        if (index < directories) {
            Put32(file, opt + 96 + 8 * index, at);
            Put32(file, opt + 96 + 8 * index + 4, size);
        }
    };
    setDirectory(1, sections[1].rva, importSize);
    const Section& rsrc = sections[2];
    setDirectory(2, rsrc.rva + (options.resourceDirectoryMismatch ? 0x10 : 0),
                 static_cast<std::uint32_t>(rsrc.data.size()));
    if (options.certificate)
        setDirectory(4, static_cast<std::uint32_t>(file.size() - 16), 16);
    if (delaySize != 0)
        setDirectory(13, delayAt, delaySize);

    std::uint32_t initialised = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        const std::uint32_t at = tableOffset + 40 * static_cast<std::uint32_t>(i);
        std::copy_n(s.name.begin(), std::min<std::size_t>(8, s.name.size()), file.begin() + at);
        Put32(file, at + 8, static_cast<std::uint32_t>(s.data.size()));
        Put32(file, at + 12, s.rva);
        Put32(file, at + 16, Align(static_cast<std::uint32_t>(s.data.size()), kFileAlign));
        Put32(file, at + 20, s.fileOffset);
        Put32(file, at + 36, s.characteristics);
        if (i != 0)
            initialised += Align(static_cast<std::uint32_t>(s.data.size()), kFileAlign);
    }
    Put32(file, opt + 4, Align(static_cast<std::uint32_t>(sections[0].data.size()), kFileAlign));
    Put32(file, opt + 8, initialised);
    return file;
}

}  // namespace veltrane::pe::testing
