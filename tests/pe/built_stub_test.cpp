// The real stub, when the Windows build has made it: it passes the stub
// check and the import check, and its resources are the ones the installer
// loads: the marker, the icon, both dialog templates and the manifest.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "pe/le_bytes.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "pe/stub_check.h"

namespace veltrane::pe {
namespace {

class BuiltStub : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::filesystem::path path = VELTRANE_STUB_EXE;
        if (!std::filesystem::exists(path))
            GTEST_SKIP() << path << " is not built (host-only build)";
        std::ifstream in(path, std::ios::binary);
        file_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        auto image = ParsePeImage(file_);
        ASSERT_TRUE(image) << image.error;
        image_ = *image;
        const SectionHeader* rsrc = FindSection(image_, ".rsrc");
        ASSERT_NE(rsrc, nullptr);
        auto tree = ParseResourceTree(
            std::span(file_).subspan(rsrc->pointerToRawData, rsrc->sizeOfRawData));
        ASSERT_TRUE(tree) << tree.error;
        for (const ResourceLeaf& leaf : ListLeaves(*tree)) {
            auto offset = RvaToFileOffset(image_, leaf.node->dataRva);
            ASSERT_TRUE(offset) << leaf.PathText();
            resources_[leaf.PathText()].assign(file_.begin() + *offset,
                                               file_.begin() + *offset + leaf.node->dataSize);
        }
    }

    std::span<const std::uint8_t> Resource(const std::string& path) {
        auto it = resources_.find(path);
        EXPECT_NE(it, resources_.end()) << "no resource " << path;
        return it == resources_.end() ? std::span<const std::uint8_t>() : std::span(it->second);
    }

    std::vector<std::uint8_t> file_;
    PeImage image_;
    std::map<std::string, std::vector<std::uint8_t>> resources_;
};

TEST_F(BuiltStub, PassesTheStubCheck) {
    const StubCheckResult result = CheckStub(file_);
    ASSERT_TRUE(result.Ok()) << RequirementName(result.failed) << ": " << result.message;
    EXPECT_EQ(LocatePayloadOffset(file_), result.payloadOffset);
    // The placeholder is the last thing in the file but the section's padding.
    EXPECT_LE(file_.size() - result.payloadOffset, image_.fileAlignment + 4u);
}

TEST_F(BuiltStub, ImportsOnlySystemDlls) {
    const ImportCheckResult result = CheckStubImports(file_);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(result.dlls.empty());
}

TEST_F(BuiltStub, HoldsExactlyTheInstallersResourcesInUsEnglish) {
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : resources_) paths.push_back(path);
    EXPECT_EQ(paths, (std::vector<std::string>{"14/101/1033", "24/1/1033", "3/1/1033", "5/103/1033",
                                               "5/104/1033", "LASTRES/1000/1033"}));
    EXPECT_EQ(Resource("LASTRES/1000/1033").size(), 4u);
}

TEST_F(BuiltStub, IconIsOne32By32SixteenColourImageInTheStandardPalette) {
    const auto group = Resource("14/101/1033");
    ASSERT_EQ(group.size(), 20u);
    EXPECT_EQ(*ReadLe16(group, 2), 1);  // icon resources
    EXPECT_EQ(*ReadLe16(group, 4), 1);  // one image
    EXPECT_EQ(group[6], 32);
    EXPECT_EQ(group[7], 32);
    EXPECT_EQ(group[8], 16);
    EXPECT_EQ(*ReadLe16(group, 10), 1);  // planes
    EXPECT_EQ(*ReadLe16(group, 12), 4);  // bits per pixel
    EXPECT_EQ(*ReadLe32(group, 14), 744u);
    EXPECT_EQ(*ReadLe16(group, 18), 1);  // icon 1

    const auto icon = Resource("3/1/1033");
    ASSERT_EQ(icon.size(), 744u);
    EXPECT_EQ(*ReadLe32(icon, 0), 40u);
    EXPECT_EQ(*ReadLe32(icon, 4), 32u);
    EXPECT_EQ(*ReadLe32(icon, 8), 64u);
    EXPECT_EQ(*ReadLe16(icon, 12), 1);
    EXPECT_EQ(*ReadLe16(icon, 14), 4);
    EXPECT_EQ(*ReadLe32(icon, 20), 512u);
    const std::uint32_t palette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                       0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                       0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(*ReadLe32(icon, 40 + 4 * i), palette[i]) << "colour " << i;
}

TEST_F(BuiltStub, ManifestRequestsElevationAndNamesWindows10) {
    const auto manifest = Resource("24/1/1033");
    const std::string text(manifest.begin(), manifest.end());
    EXPECT_NE(text.find("level=\"requireAdministrator\""), std::string::npos) << text;
    EXPECT_NE(text.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << text;
}

// One control or the dialog itself, as read from a standard dialog template.
struct Control {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint16_t id = 0;
    std::uint16_t classAtom = 0;
    std::u16string text;
};

struct Dialog {
    Control frame;  // style, rectangle and caption of the dialog
    bool hasMenu = false;
    bool hasClass = false;
    std::uint16_t pointSize = 0;
    std::u16string font;
    std::vector<Control> controls;
};

// Reads a standard (not extended) dialog template; nullopt when it is not
// one or runs past its end.
std::optional<Dialog> ReadDialog(std::span<const std::uint8_t> bytes) {
    std::size_t at = 0;
    bool ok = true;
    auto u16 = [&]() -> std::uint16_t {
        auto v = ReadLe16(bytes, at);
        ok = ok && v.has_value();
        at += 2;
        return v.value_or(0);
    };
    auto u32 = [&]() -> std::uint32_t {
        auto v = ReadLe32(bytes, at);
        ok = ok && v.has_value();
        at += 4;
        return v.value_or(0);
    };
    auto text = [&]() {
        std::u16string s;
        while (ok) {
            const std::uint16_t c = u16();
            if (c == 0)
                break;
            s.push_back(static_cast<char16_t>(c));
        }
        return s;
    };
    // A name or an ordinal: 0 = none, 0xFFFF then the ordinal, else a string.
    auto nameOrOrdinal = [&](std::uint16_t& ordinal, std::u16string& name) {
        const std::uint16_t first = u16();
        if (first == 0xFFFF) {
            ordinal = u16();
        } else if (first != 0) {
            at -= 2;
            name = text();
        }
        return first != 0;
    };
    Dialog dialog;
    dialog.frame.style = u32();
    if ((dialog.frame.style & 0xFFFF0000u) == 0xFFFF0000u)
        return std::nullopt;  // the extended form
    dialog.frame.exStyle = u32();
    const std::uint16_t count = u16();
    dialog.frame.x = static_cast<std::int16_t>(u16());
    dialog.frame.y = static_cast<std::int16_t>(u16());
    dialog.frame.cx = static_cast<std::int16_t>(u16());
    dialog.frame.cy = static_cast<std::int16_t>(u16());
    std::uint16_t ordinal = 0;
    std::u16string name;
    dialog.hasMenu = nameOrOrdinal(ordinal, name);
    dialog.hasClass = nameOrOrdinal(ordinal, name);
    dialog.frame.text = text();
    if (dialog.frame.style & 0x40) {  // DS_SETFONT
        dialog.pointSize = u16();
        dialog.font = text();
    }
    for (std::uint16_t i = 0; i < count && ok; ++i) {
        at = (at + 3) & ~std::size_t{3};
        Control control;
        control.style = u32();
        control.exStyle = u32();
        control.x = static_cast<std::int16_t>(u16());
        control.y = static_cast<std::int16_t>(u16());
        control.cx = static_cast<std::int16_t>(u16());
        control.cy = static_cast<std::int16_t>(u16());
        control.id = u16();
        std::u16string className;
        nameOrOrdinal(control.classAtom, className);
        std::uint16_t textOrdinal = 0;
        nameOrOrdinal(textOrdinal, control.text);
        at += u16();  // creation data
        dialog.controls.push_back(control);
    }
    if (!ok)
        return std::nullopt;
    return dialog;
}

constexpr std::uint16_t kButton = 0x80;
constexpr std::uint16_t kStatic = 0x82;
constexpr std::uint32_t kCentred = 0x50020001;  // WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER

void ExpectControl(const Control& got, std::uint16_t classAtom, std::uint16_t id,
                   std::uint32_t style, std::int16_t x, std::int16_t y, std::int16_t cx,
                   std::int16_t cy, const std::u16string& text, int order) {
    SCOPED_TRACE("control " + std::to_string(order));
    EXPECT_EQ(got.classAtom, classAtom);
    EXPECT_EQ(got.id, id);
    EXPECT_EQ(got.style, style);
    EXPECT_EQ(got.exStyle, 0u);
    EXPECT_EQ((std::vector<int>{got.x, got.y, got.cx, got.cy}), (std::vector<int>{x, y, cx, cy}));
    EXPECT_TRUE(got.text == text);
}

void ExpectFrame(const Dialog& dialog, std::uint32_t style, std::int16_t cx, std::int16_t cy,
                 const std::u16string& caption) {
    EXPECT_EQ(dialog.frame.style, style);
    EXPECT_EQ(dialog.frame.exStyle, 0u);
    EXPECT_EQ((std::vector<int>{dialog.frame.x, dialog.frame.y, dialog.frame.cx, dialog.frame.cy}),
              (std::vector<int>{0, 0, cx, cy}));
    EXPECT_FALSE(dialog.hasMenu);
    EXPECT_FALSE(dialog.hasClass);
    EXPECT_TRUE(dialog.frame.text == caption);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_TRUE(dialog.font == u"MS Sans Serif");
}

TEST_F(BuiltStub, ExtractionDialogTemplate) {
    auto dialog = ReadDialog(Resource("5/103/1033"));
    ASSERT_TRUE(dialog);
    // WS_POPUP | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT
    ExpectFrame(*dialog, 0x900000C0, 187, 75, u"");
    ASSERT_EQ(dialog->controls.size(), 5u);
    const auto& c = dialog->controls;
    ExpectControl(c[0], kButton, 1, 0x40010001, 131, 6, 50, 14, u"OK", 1);
    ExpectControl(c[1], kButton, 2, 0x40010000, 131, 23, 50, 14, u"Cancel", 2);
    ExpectControl(c[2], kStatic, 0xFFFF, kCentred, 50, 15, 86, 8, u"Installation", 3);
    ExpectControl(c[3], kStatic, 0xFFFF, kCentred, 48, 50, 90, 8, u"Bitte warten...", 4);
    ExpectControl(c[4], kStatic, 1001, kCentred | 0x80, 13, 31, 159, 8, u"", 5);
}

TEST_F(BuiltStub, OrderInformationDialogTemplate) {
    auto dialog = ReadDialog(Resource("5/104/1033"));
    ASSERT_TRUE(dialog);
    // WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
    ExpectFrame(*dialog, 0x90C800C0, 205, 154, u"Bestellinformation f\u00FCr Veltrane");
    ASSERT_EQ(dialog->controls.size(), 8u);
    const auto& c = dialog->controls;
    ExpectControl(c[0], kStatic, 0xFFFF, kCentred, 23, 25, 158, 10, u"*** VELTRANE ***", 1);
    ExpectControl(c[1], kStatic, 0xFFFF, 0x50020000, 157, 18, 11, 8, u"TM", 2);
    ExpectControl(c[2], kButton, 1, 0x50010001, 78, 134, 50, 14, u"OK", 3);
    ExpectControl(c[3], kStatic, 0xFFFF, kCentred, 23, 7, 158, 10,
                  u"Dieses Programm wurde erzeugt mit:", 4);
    ExpectControl(c[4], kStatic, 0xFFFF, kCentred, 23, 42, 158, 8,
                  u"Keine Programmierkenntnisse n\u00F6tig!", 5);
    ExpectControl(c[5], kStatic, 0xFFFF, kCentred, 23, 59, 158, 8,
                  u"Kostenlose Bildschirmschoner gibt's bei:", 6);
    // Controls 7 and 8: a web address in a reserved example domain and a
    // four-line address block.
    ExpectControl(c[6], kStatic, 0xFFFF, kCentred, 23, 74, 158, 8, c[6].text, 7);
    EXPECT_NE(c[6].text.find(u".example"), std::u16string::npos);
    ExpectControl(c[7], kStatic, 0xFFFF, kCentred, 23, 91, 158, 36, c[7].text, 8);
    EXPECT_EQ(std::count(c[7].text.begin(), c[7].text.end(), u'\n'), 3);
    EXPECT_EQ(c[7].text.find(u'\r'), std::u16string::npos);
}

}  // namespace
}  // namespace veltrane::pe
