// The validating catalogue walk over payloads written into hand-built images.
#include "payload/catalogue.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "payload/payload_locator.h"
#include "pe_fixture.h"

namespace {

using fixture::FixtureEntry;
using fixture::MakePe;
using fixture::PeImage;
using fixture::PutLe32;

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// A saver, a data file and two numbered files, one of them "compressed".
struct Installer {
    PeImage image = MakePe();
    std::vector<uint32_t> records;
    Installer() {
        records = fixture::WritePayload(image, "Sea World", 9,
                                        {{Bytes("saver-bytes"), 0, ""},
                                         {Bytes("data"), 0, ""},
                                         {Bytes("xyz"), 1000, ".TMP"},
                                         {Bytes("numbered"), 0, ".BM"}});
    }
    uint32_t Terminator() const { return records.back() + 16; }
};

CatalogueStatus Validate(const std::vector<uint8_t>& bytes, uint32_t payload,
                         CatalogueSummary* summary) {
    fixture::MemoryReader memory(bytes);
    FileReader reader = memory.Reader();
    return ValidateCatalogue(&reader, payload, summary);
}

TEST(Catalogue, IntactPayloadIsSummarised) {
    Installer installer;
    CatalogueSummary summary{};
    ASSERT_EQ(Validate(installer.image.bytes, installer.image.markerData, &summary), CatalogueOk);
    EXPECT_EQ(summary.entryCount, 4u);
    EXPECT_EQ(summary.firstFileNumber, 9);
    // Stored entries count their stored length, the compressed one its
    // expanded length.
    EXPECT_EQ(summary.totalInstalledSize, 11u + 4u + 1000u + 8u);
}

TEST(Catalogue, HeaderAndEntriesDecode) {
    Installer installer;
    fixture::MemoryReader memory(installer.image.bytes);
    FileReader reader = memory.Reader();
    PayloadHeader header;
    ASSERT_EQ(ReadPayloadHeader(&reader, installer.image.markerData, &header), CatalogueOk);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header.saverName), 9), "Sea World");
    EXPECT_EQ(header.saverName[9], 0);
    EXPECT_EQ(header.firstFileNumber, 9);
    PayloadEntry entry;
    ASSERT_EQ(ReadPayloadEntry(&reader, installer.image.markerData, 2, &entry), CatalogueOk);
    EXPECT_EQ(entry.storedLength, 3u);
    EXPECT_EQ(entry.expandedLength, 1000u);
    EXPECT_EQ(InstalledSize(&entry), 1000u);
    EXPECT_TRUE(IsCompressed(&entry));
    EXPECT_EQ(ExtensionLength(&entry), 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&installer.image.bytes[entry.dataOffset]), 3),
              "xyz");
    ASSERT_EQ(ReadPayloadEntry(&reader, installer.image.markerData, 3, &entry), CatalogueOk);
    EXPECT_EQ(ExtensionLength(&entry), 3u);
    ASSERT_EQ(ReadPayloadEntry(&reader, installer.image.markerData, 4, &entry), CatalogueOk);
    EXPECT_TRUE(IsTerminator(&entry));
}

TEST(Catalogue, EncodingRoundTrips) {
    PayloadEntry entry{0x01020304u, 0xA0B0C0D0u, 0x7FFFFFFFu, {'.', 'x', 0, 'q'}};
    uint8_t bytes[PayloadEntrySize];
    EncodePayloadEntry(&entry, bytes);
    const uint8_t expected[PayloadEntrySize] = {4,    3,    2,    1,    0xD0, 0xC0, 0xB0, 0xA0,
                                                0xFF, 0xFF, 0xFF, 0x7F, '.',  'x',  0,    'q'};
    EXPECT_EQ(0, memcmp(bytes, expected, sizeof bytes));
    PayloadEntry back;
    DecodePayloadEntry(bytes, &back);
    EXPECT_EQ(back.dataOffset, entry.dataOffset);
    EXPECT_EQ(back.storedLength, entry.storedLength);
    EXPECT_EQ(back.expandedLength, entry.expandedLength);
    EXPECT_EQ(ExtensionLength(&back), 2u);
}

TEST(Catalogue, LocatorAndCatalogueTogether) {
    Installer installer;
    fixture::MemoryReader memory(installer.image.bytes);
    FileReader reader = memory.Reader();
    uint32_t payload = 0;
    ASSERT_EQ(LocatePayload(&reader, &payload), LocateOk);
    CatalogueSummary summary{};
    EXPECT_EQ(ValidateCatalogue(&reader, payload, &summary), CatalogueOk);
    EXPECT_EQ(summary.entryCount, 4u);
}

TEST(Catalogue, OnlyTheTerminator) {
    PeImage image = MakePe();
    fixture::WritePayload(image, "x", 0, {});
    CatalogueSummary summary{};
    ASSERT_EQ(Validate(image.bytes, image.markerData, &summary), CatalogueOk);
    EXPECT_EQ(summary.entryCount, 0u);
    EXPECT_EQ(summary.totalInstalledSize, 0u);
}

TEST(Catalogue, TerminatorExpandedLengthCountsLikeTheStubCountsIt) {
    Installer installer;
    PutLe32(installer.image.bytes, installer.Terminator() + 8, 5);
    CatalogueSummary summary{};
    ASSERT_EQ(Validate(installer.image.bytes, installer.image.markerData, &summary), CatalogueOk);
    EXPECT_EQ(summary.entryCount, 4u);
    EXPECT_EQ(summary.totalInstalledSize, 11u + 4u + 1000u + 8u + 5u);
}

struct Fault {
    const char* what;
    std::function<void(Installer&)> apply;
    CatalogueStatus expected;
    uint32_t faultIndex;
};

TEST(Catalogue, EachFaultHasItsOwnStatus) {
    auto record = [](Installer& i, uint32_t index, uint32_t field, uint32_t value) {
        PutLe32(i.image.bytes, i.records[index] + field, value);
    };
    const Fault cases[] = {
        // The data areas lie behind the catalogue; these two first point every
        // record at the start of the file so that only the catalogue is cut.
        {"terminator cut off",
         [&](Installer& i) {
             for (int r = 0; r < 4; ++r) record(i, r, 0, 0);
             i.image.bytes.resize(i.Terminator() + 15);
         },
         CatalogueNoTerminator, 4},
        {"record cut off",
         [&](Installer& i) {
             for (int r = 0; r < 4; ++r) record(i, r, 0, 0);
             i.image.bytes.resize(i.records[2] + 3);
         },
         CatalogueNoTerminator, 2},
        {"data one byte past the end",
         [&](Installer& i) {
             record(i, 3, 4,
                    static_cast<uint32_t>(i.image.bytes.size()) -
                        ReadLe32(&i.image.bytes[i.records[3]]) + 1);
         },
         CatalogueDataOutsideFile, 3},
        {"offset plus length would wrap in 32 bits",
         [&](Installer& i) {
             record(i, 1, 0, 0x10);
             record(i, 1, 4, 0xFFFFFFF8u);
         },
         CatalogueDataOutsideFile, 1},
        {"offset of 2^31", [&](Installer& i) { record(i, 0, 0, 0x80000000u); },
         CatalogueOffsetTooLarge, 0},
        {"expanded length of 2^31", [&](Installer& i) { record(i, 2, 8, 0x80000000u); },
         CatalogueExpandedTooLarge, 2},
        {"expanded length of 2^32 - 1", [&](Installer& i) { record(i, 2, 8, 0xFFFFFFFFu); },
         CatalogueExpandedTooLarge, 2},
        {"total reaches 2^31",
         [&](Installer& i) {
             record(i, 2, 8, 0x40000000u);
             record(i, 3, 8, 0x40000000u - 15);
         },
         CatalogueTotalTooLarge, 3},
        {"one entry tips the total", [&](Installer& i) { record(i, 2, 8, 0x7FFFFFFFu); },
         CatalogueTotalTooLarge, 2},
        {"terminator's expanded length tips the total",
         [](Installer& i) { PutLe32(i.image.bytes, i.Terminator() + 8, 0x7FFFFFFFu - 1000); },
         CatalogueTotalTooLarge, 4},
        {"terminator's expanded length of 2^31",
         [](Installer& i) { PutLe32(i.image.bytes, i.Terminator() + 8, 0x80000000u); },
         CatalogueExpandedTooLarge, 4},
        {"bad extension on a numbered file", [&](Installer& i) { record(i, 3, 12, 0x002F2E2Eu); },
         CatalogueBadExtension, 3},
    };
    for (const Fault& f : cases) {
        SCOPED_TRACE(f.what);
        Installer installer;
        f.apply(installer);
        CatalogueSummary summary{};
        EXPECT_EQ(Validate(installer.image.bytes, installer.image.markerData, &summary),
                  f.expected);
        EXPECT_EQ(summary.faultIndex, f.faultIndex);
        EXPECT_EQ(summary.entryCount, f.faultIndex);
    }
}

TEST(Catalogue, HeaderOutsideTheFile) {
    Installer installer;
    CatalogueSummary summary{};
    auto size = static_cast<uint32_t>(installer.image.bytes.size());
    EXPECT_EQ(Validate(installer.image.bytes, size - 33, &summary), CatalogueHeaderOutsideFile);
    EXPECT_EQ(Validate(installer.image.bytes, 0xFFFFFFF0u, &summary), CatalogueHeaderOutsideFile);
}

TEST(Catalogue, ReaderFailureIsReported) {
    Installer installer;
    fixture::MemoryReader memory(installer.image.bytes);
    memory.FailAt(installer.records[1] + 4);
    FileReader reader = memory.Reader();
    CatalogueSummary summary{};
    EXPECT_EQ(ValidateCatalogue(&reader, installer.image.markerData, &summary),
              CatalogueReadFailed);
    EXPECT_EQ(summary.faultIndex, 1u);
}

TEST(Catalogue, LimitsThemselvesAreAccepted) {
    // Just below 2^31 everywhere: the largest values the stub handles.
    PeImage image = MakePe();
    auto records =
        fixture::WritePayload(image, "x", 0, {{Bytes("a"), 0x7FFFFFFEu, ""}, {Bytes("b"), 0, ""}});
    CatalogueSummary summary{};
    ASSERT_EQ(Validate(image.bytes, image.markerData, &summary), CatalogueOk);
    EXPECT_EQ(summary.totalInstalledSize, 0x7FFFFFFFu);
    // The last entry's data ends exactly at the end of the file.
    EXPECT_EQ(ReadLe32(&image.bytes[records[1]]) + 1, image.bytes.size());
}

TEST(Catalogue, Extensions) {
    struct Case {
        std::string field;  // the 4 bytes of the field, shorter ones zero-padded
        bool usable;
    };
    const Case cases[] = {
        {".TMP", true},   {".TM", true},
        {"", true},       {".", false},
        {"..", false},    {"...", true},
        {". ", true},     {std::string(".a\0/", 4), true},  // nothing counts after the first zero
        {".\xE4", true},  {"TXT", true},
        {"\\", false},    {"./x", false},
        {".a:b", false},  {".<", false},
        {".>", false},    {".\"", false},
        {".|", false},    {".?", false},
        {".*", false},    {".\x01", false},
        {".\x1F", false}, {"\t", false},
        {"\x7F", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.field));
        PayloadEntry entry{100, 1, 0, {0, 0, 0, 0}};
        for (size_t i = 0; i < c.field.size() && i < 4; ++i)
            entry.extension[i] = static_cast<uint8_t>(c.field[i]);
        EXPECT_EQ(IsUsableExtension(&entry), c.usable);
        // Only the numbered files use their extension.
        EXPECT_EQ(CheckPayloadEntry(&entry, 0, 1000), CatalogueOk);
        EXPECT_EQ(CheckPayloadEntry(&entry, 1, 1000), CatalogueOk);
        EXPECT_EQ(CheckPayloadEntry(&entry, 2, 1000),
                  c.usable ? CatalogueOk : CatalogueBadExtension);
    }
}

TEST(Catalogue, RandomDamageNeverReadsOutOfBounds) {
    // Seeded byte damage over the whole image, headers included: whatever the
    // fields say, the walks stay inside the file (MemoryReader reports any
    // request outside it) and end.
    Installer pristine;
    std::mt19937 random(20261211);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = pristine.image.bytes;
        std::uniform_int_distribution<size_t> position(0, bytes.size() - 1);
        int damage = 1 + round % 6;
        for (int i = 0; i < damage; ++i) bytes[position(random)] = static_cast<uint8_t>(random());
        if (round % 5 == 0)
            bytes.resize(position(random));
        fixture::MemoryReader memory(bytes);
        FileReader reader = memory.Reader();
        uint32_t payload = 0;
        if (LocatePayload(&reader, &payload) != LocateOk)
            continue;
        CatalogueSummary summary{};
        if (ValidateCatalogue(&reader, payload, &summary) == CatalogueOk) {
            ASSERT_LT(summary.totalInstalledSize, PayloadSizeLimit);
            ASSERT_LE(CatalogueRecordOffset(payload, summary.entryCount) + 16, bytes.size());
        }
    }
}

}  // namespace
