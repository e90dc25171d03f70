// Packing installers and reading them back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "package/installer_reader.h"
#include "package/installer_writer.h"
#include "package/target_names.h"
#include "payload/catalogue.h"
#include "pe/pe_image.h"
#include "pe/stub_check.h"
#include "pe_fixture.h"
#include "test_files.h"

namespace veltrane {
namespace {

using testfiles::ReadBytes;
using testfiles::TempDir;
using testfiles::WriteBytes;

class PackTest : public testing::Test {
  protected:
    void SetUp() override {
        stubImage = fixture::MakePe();
        stub = dir / "stub.exe";
        WriteBytes(stub, stubImage.bytes);
    }

    PackRequest Request(const std::vector<std::vector<uint8_t>>& contents,
                        Compression compression = Compression::Auto) {
        PackRequest request;
        request.output = dir / "out.exe";
        request.stub = stub;
        request.displayName = "Sea World";
        request.firstFileNumber = 9;
        request.compression = compression;
        for (size_t i = 0; i < contents.size(); ++i) {
            auto path = dir / ("in" + std::to_string(i) + ".bin");
            WriteBytes(path, contents[i]);
            request.inputs.push_back({path, i >= 2 ? ".BMP" : ""});
        }
        return request;
    }

    // Reads the installer back and expands every entry.
    std::vector<std::vector<uint8_t>> Unpack(const std::filesystem::path& path,
                                             InstallerCatalogue* out = nullptr) {
        auto file = MappedFile::Open(path);
        EXPECT_TRUE(file) << file.error;
        auto catalogue = ReadInstallerCatalogue(*file);
        EXPECT_TRUE(catalogue) << catalogue.error;
        EXPECT_EQ(catalogue->status, CatalogueOk);
        std::vector<std::vector<uint8_t>> entries;
        EntryExpander expander;
        for (const CatalogueEntry& e : catalogue->entries) {
            std::vector<uint8_t> bytes;
            auto append = [&](const uint8_t* data, int32_t n) {
                bytes.insert(bytes.end(), data, data + n);
                return true;
            };
            EntryBytesResult result = expander.Expand(*file, e.record, MakeSink(append));
            EXPECT_EQ(result.outcome, ExpandOutcome::Ok) << result.problem;
            entries.push_back(std::move(bytes));
        }
        if (out)
            *out = *catalogue;
        return entries;
    }

    TempDir dir;
    fixture::PeImage stubImage;
    std::filesystem::path stub;
};

TEST_F(PackTest, RoundTripAndLayout) {
    std::vector<std::vector<uint8_t>> contents = {testfiles::TextData(5000, 1),
                                                  testfiles::NoiseData(3000, 2),
                                                  testfiles::TextData(20000, 3),
                                                  {0x42}};
    PackRequest request = Request(contents);
    auto report = PackInstaller(request);
    ASSERT_TRUE(report) << report.error;
    InstallerCatalogue catalogue;
    EXPECT_EQ(Unpack(request.output, &catalogue), contents);

    std::vector<uint8_t> installer = ReadBytes(request.output);
    EXPECT_EQ(report->installerSize, installer.size());
    // The stub's bytes up to its marker data, then the payload.
    ASSERT_EQ(catalogue.payloadOffset, stubImage.markerData);
    EXPECT_TRUE(std::equal(stubImage.bytes.begin(), stubImage.bytes.begin() + stubImage.markerData,
                           installer.begin()));
    EXPECT_EQ(catalogue.DisplayName(), "Sea World");
    EXPECT_EQ(catalogue.header.firstFileNumber, 9);
    EXPECT_TRUE(pe::CheckStub(installer).Ok()) << pe::CheckStub(installer).message;
    // Data areas directly behind the 16-zero-byte terminator, in order, the
    // last one ending the file.
    uint32_t terminator = catalogue.payloadOffset + 34 + 16 * 4;
    EXPECT_TRUE(std::all_of(installer.begin() + terminator, installer.begin() + terminator + 16,
                            [](uint8_t b) { return b == 0; }));
    uint32_t next = terminator + 16;
    for (const CatalogueEntry& e : catalogue.entries) {
        EXPECT_EQ(e.record.dataOffset, next);
        next += e.record.storedLength;
    }
    EXPECT_EQ(next, installer.size());
    EXPECT_EQ(ExtensionText(catalogue.entries[2].record), ".BMP");
    EXPECT_EQ(ExtensionText(catalogue.entries[0].record), "");
    EXPECT_EQ(catalogue.summary.totalInstalledSize, 5000u + 3000u + 20000u + 1u);
}

TEST_F(PackTest, ShortPayloadIsPaddedToTheSectionEnd) {
    // The fixture's resource section has 512 bytes of file data; an installer
    // ending inside it would not load.
    PackRequest request = Request({{1, 2, 3}});
    ASSERT_TRUE(PackInstaller(request));
    std::vector<uint8_t> installer = ReadBytes(request.output);
    EXPECT_EQ(installer.size(), stubImage.bytes.size());
    EXPECT_TRUE(pe::CheckStub(installer).Ok());
    EXPECT_EQ(Unpack(request.output), (std::vector<std::vector<uint8_t>>{{1, 2, 3}}));
}

TEST_F(PackTest, ChecksumCoversThePayloadWhenTheStubHasOne) {
    const size_t at = stubImage.peOffset + 24 + 64;
    for (uint32_t stubSum : {0u, 0x1234u}) {
        SCOPED_TRACE(stubSum);
        fixture::PutLe32(stubImage.bytes, at, stubSum);
        WriteBytes(stub, stubImage.bytes);
        PackRequest request = Request({testfiles::TextData(3000, 8)});
        ASSERT_TRUE(PackInstaller(request));
        std::vector<uint8_t> installer = ReadBytes(request.output);
        uint32_t sum = installer[at] | installer[at + 1] << 8 | installer[at + 2] << 16 |
                       uint32_t{installer[at + 3]} << 24;
        EXPECT_EQ(sum, stubSum == 0 ? 0 : pe::ComputeChecksum(installer, at));
    }
}

TEST_F(PackTest, SameInputsGiveTheSameBytes) {
    PackRequest request = Request({testfiles::TextData(30000, 4), testfiles::TextData(7000, 5)});
    ASSERT_TRUE(PackInstaller(request));
    std::vector<uint8_t> first = ReadBytes(request.output);
    request.output = dir / "again.exe";
    ASSERT_TRUE(PackInstaller(request));
    EXPECT_EQ(ReadBytes(request.output), first);
}

TEST_F(PackTest, CompressionModes) {
    // The large noise is compressed part of the way into the installer
    // before the compressor gives up on it; it must be stored over that.
    std::vector<std::vector<uint8_t>> contents = {
        testfiles::TextData(40000, 6), testfiles::NoiseData(5000, 7),
        testfiles::NoiseData(300000, 8), testfiles::TextData(2000, 9)};
    auto methods = [&](Compression mode) {
        PackRequest request = Request(contents, mode);
        request.level = 9;
        auto report = PackInstaller(request);
        EXPECT_TRUE(report) << report.error;
        EXPECT_EQ(Unpack(request.output), contents);
        EXPECT_EQ(report->installerSize, std::filesystem::file_size(request.output));
        std::vector<bool> compressed;
        for (const PackedEntry& e : report->entries) compressed.push_back(e.compressed);
        return compressed;
    };
    EXPECT_EQ(methods(Compression::Stored), (std::vector<bool>(4, false)));
    if (!CompressorAvailable()) {
        PackRequest request = Request(contents, Compression::Compressed);
        EXPECT_FALSE(PackInstaller(request));
        GTEST_SKIP() << "this build has no compressor";
    }
    // Text shrinks, noise does not: only the text is compressed unless forced.
    EXPECT_EQ(methods(Compression::Auto), (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(methods(Compression::Compressed), (std::vector<bool>(4, true)));
}

TEST_F(PackTest, RefusalsLeaveNothingBehind) {
    struct Case {
        const char* what;
        std::function<void(PackRequest&)> change;
        const char* message;
    };
    const Case cases[] = {
        {"no files", [](PackRequest& r) { r.inputs.clear(); }, "no saver"},
        {"empty file", [&](PackRequest& r) { WriteBytes(r.inputs[1].path, {}); }, "empty file"},
        {"missing file", [&](PackRequest& r) { r.inputs[1].path = dir / "nothing"; },
         "nothing: cannot open"},
        {"folder as file", [&](PackRequest& r) { r.inputs[0].path = dir.Path(); },
         "not a regular file"},
        {"missing stub", [&](PackRequest& r) { r.stub = dir / "no-stub.exe"; },
         "no-stub.exe: cannot open"},
        {"stub not PE",
         [&](PackRequest& r) { testfiles::WriteText(r.stub, "MZ, but nothing more"); },
         "stub.exe: not a usable stub"},
        {"stub without marker",
         [&](PackRequest& r) {
             fixture::PeImage bad = fixture::MakePe();
             fixture::PutLe16(bad.bytes, bad.root + 12, 0);
             WriteBytes(r.stub, bad.bytes);
         },
         "stub.exe: not a usable stub"},
        {"output is the stub", [&](PackRequest& r) { r.output = r.stub; }, "is the stub itself"},
        {"output is an input", [&](PackRequest& r) { r.output = r.inputs[0].path; },
         "is also an input"},
        {"output folder missing", [&](PackRequest& r) { r.output = dir / "no" / "out.exe"; },
         "cannot create"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PackRequest request = Request({{1, 2, 3}, {4, 5}});
        WriteBytes(stub, stubImage.bytes);
        c.change(request);
        std::vector<std::string> before = testfiles::ListTree(dir.Path());
        auto report = PackInstaller(request);
        ASSERT_FALSE(report);
        EXPECT_NE(report.error.find(c.message), std::string::npos) << report.error;
        EXPECT_EQ(testfiles::ListTree(dir.Path()), before);
    }
}

TEST_F(PackTest, FailedPackKeepsTheOldOutput) {
    PackRequest request = Request({{1, 2, 3}});
    testfiles::WriteText(request.output, "previous installer");
    WriteBytes(request.inputs[0].path, {});
    ASSERT_FALSE(PackInstaller(request));
    EXPECT_EQ(ReadBytes(request.output),
              (std::vector<uint8_t>{'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ', 'i', 'n', 's', 't',
                                    'a', 'l', 'l', 'e', 'r'}));
}

TEST_F(PackTest, InstalledSizesOf2GiBAreRefused) {
    // Sparse files: nothing is read before the sizes are refused.
    PackRequest request = Request({{1}, {2}});
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(::truncate(request.inputs[i].path.c_str(), off_t{1} << 30), 0);
    auto report = PackInstaller(request);
    ASSERT_FALSE(report);
    EXPECT_NE(report.error.find("2^31"), std::string::npos) << report.error;
    EXPECT_FALSE(std::filesystem::exists(request.output));
}

TEST(InstallerReader, DamagedEntriesStandAlone) {
    fixture::PeImage image = fixture::MakePe();
    auto records = fixture::WritePayload(
        image, "x", 0, {{{'s'}, 0, ""}, {{'d', 'd'}, 0, ""}, {{'n'}, 0, ".A"}, {{'m'}, 0, "/"}});
    fixture::PutLe32(image.bytes, records[1] + 4, 0x10000);  // data file runs past the end
    TempDir dir;
    WriteBytes(dir / "i.exe", image.bytes);
    auto file = MappedFile::Open(dir / "i.exe");
    ASSERT_TRUE(file);
    auto catalogue = ReadInstallerCatalogue(*file);
    ASSERT_TRUE(catalogue);
    EXPECT_EQ(catalogue->status, CatalogueDataOutsideFile);
    EXPECT_EQ(catalogue->summary.faultIndex, 1u);
    ASSERT_EQ(catalogue->entries.size(), 4u);
    EXPECT_EQ(catalogue->entries[0].fault, CatalogueOk);
    EXPECT_EQ(catalogue->entries[1].fault, CatalogueDataOutsideFile);
    EXPECT_EQ(catalogue->entries[2].fault, CatalogueOk);
    EXPECT_EQ(catalogue->entries[3].fault, CatalogueBadExtension);
}

TEST(InstallerReader, NoPayloadIsAnError) {
    TempDir dir;
    testfiles::WriteText(dir / "t.exe", "not an executable at all, just some text");
    auto file = MappedFile::Open(dir / "t.exe");
    ASSERT_TRUE(file);
    auto catalogue = ReadInstallerCatalogue(*file);
    ASSERT_FALSE(catalogue);
    EXPECT_NE(catalogue.error.find("no payload"), std::string::npos);
}

TEST(EntryExpander, JudgesEachEntry) {
    // Hand-made entries: a stored one, a compressed one whose single byte
    // cannot hold 1000 bytes of output, one whose data leaves the file.
    fixture::PeImage image = fixture::MakePe();
    // The fourth is short enough to be decoded: its two bytes run out before
    // 60 bytes are produced.
    auto records = fixture::WritePayload(
        image, "x", 0,
        {{{'a', 'b', 'c'}, 0, ""}, {{0x00}, 1000, ""}, {{'z'}, 0, ""}, {{0x00, 0x00}, 60, ""}});
    fixture::PutLe32(image.bytes, records[2] + 4, 5);
    TempDir dir;
    WriteBytes(dir / "i.exe", image.bytes);
    auto file = MappedFile::Open(dir / "i.exe");
    ASSERT_TRUE(file);
    auto catalogue = ReadInstallerCatalogue(*file);
    ASSERT_TRUE(catalogue);
    EntryExpander expander;
    std::vector<uint8_t> bytes;
    auto append = [&](const uint8_t* data, int32_t n) {
        bytes.insert(bytes.end(), data, data + n);
        return true;
    };
    EXPECT_EQ(expander.Expand(*file, catalogue->entries[0].record, MakeSink(append)).outcome,
              ExpandOutcome::Ok);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'a', 'b', 'c'}));
    EntryBytesResult usedUp =
        expander.Expand(*file, catalogue->entries[1].record, MakeSink(append));
    EXPECT_EQ(usedUp.outcome, ExpandOutcome::Damaged);
    EXPECT_NE(usedUp.problem.find("used up"), std::string::npos) << usedUp.problem;
    EXPECT_EQ(expander.Expand(*file, catalogue->entries[2].record, MakeSink(append)).outcome,
              ExpandOutcome::Damaged);
    EntryBytesResult decoded =
        expander.Expand(*file, catalogue->entries[3].record, MakeSink(append));
    EXPECT_EQ(decoded.outcome, ExpandOutcome::Damaged);
    EXPECT_NE(decoded.problem.find("used up"), std::string::npos) << decoded.problem;
    auto refuse = [](const uint8_t*, int32_t) { return false; };
    EXPECT_EQ(expander.Expand(*file, catalogue->entries[0].record, MakeSink(refuse)).outcome,
              ExpandOutcome::SinkFailed);
}

}  // namespace
}  // namespace veltrane
