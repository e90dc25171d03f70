// The stub's payload readers over its own executable file.
#include "payload/payload_reader.h"

#include <gtest/gtest.h>
#include <pe_fixture.h>

#include <cstring>
#include <string>

#include "sim_fixture.h"

namespace {

using stubtest::SimTest;
using Bytes = std::vector<uint8_t>;

class PayloadReaderTest : public SimTest {
  protected:
    // An image with `entries`, its record offsets and terminator offset.
    fixture::PeImage Image(const std::vector<fixture::FixtureEntry>& entries,
                           const std::string& name = "Name") {
        fixture::PeImage image = fixture::MakePe();
        records = fixture::WritePayload(image, name, 9, entries);
        terminator = image.markerData + 34 + 16 * static_cast<uint32_t>(entries.size());
        return image;
    }
    std::vector<uint32_t> records;
    uint32_t terminator = 0;
};

TEST_F(PayloadReaderTest, OpenPayloadLandsOnTheMarkerData) {
    fixture::PeImage image = Image({{Bytes{1, 2, 3}, 0, ""}});
    sim::WriteModule(image.bytes);
    HFILE first = OpenPayload();
    HFILE second = OpenPayload();
    ASSERT_NE(first, HFILE_ERROR);
    ASSERT_NE(second, HFILE_ERROR);
    EXPECT_NE(first, second);
    EXPECT_EQ(_llseek(first, 0, FILE_CURRENT), static_cast<LONG>(image.markerData));
    char name[4];
    EXPECT_EQ(_lread(first, name, 4), 4u);
    EXPECT_EQ(std::string(name, 4), "Name");
    EXPECT_EQ(_llseek(second, 0, FILE_CURRENT), static_cast<LONG>(image.markerData));
    _lclose(first);
    _lclose(second);
}

TEST_F(PayloadReaderTest, NoPayloadGivesNoHandle) {
    struct Case {
        const char* what;
        Bytes file;
        bool writeModule;
    };
    fixture::PeImage noResources = fixture::MakePe({".text", ".RSRC"});
    const Case cases[] = {
        {"missing file", {}, false},
        {"not an executable", Bytes(100, 'x'), true},
        {"no resource section", noResources.bytes, true},
    };
    for (const Case& c : cases) {
        sim::Reset(root);
        if (c.writeModule)
            sim::WriteModule(c.file);
        EXPECT_EQ(OpenPayload(), HFILE_ERROR) << c.what;
        char name[32];
        std::memset(name, 'q', sizeof name);
        ReadSaverName(name);
        EXPECT_EQ(name[0], 'q') << c.what;
        requiredBytes = 5;
        EXPECT_EQ(SumRequiredBytes(), 0) << c.what;
        EXPECT_EQ(requiredBytes, 5u) << c.what;
        EXPECT_EQ(ValidatePayload(), 0) << c.what;
        EXPECT_EQ(Sim().openHandles, 0) << c.what;
    }
}

TEST_F(PayloadReaderTest, SaverNameIsTheWholeFieldUntouchedBehindIt) {
    struct Case {
        std::string field;
        std::string read;
    };
    const Case cases[] = {
        {std::string(32, 'N'), std::string(32, 'N')},
        {std::string("Meer\0Himmel", 11), "Meer"},
        {"Name with spaces    ", "Name with spaces    "},
    };
    for (const Case& c : cases) {
        sim::WriteModule(Image({{Bytes{1}, 0, ""}}, c.field).bytes);
        char name[33];
        std::memset(name, 0, sizeof name);
        ReadSaverName(name);
        EXPECT_EQ(std::string(name), c.read);
    }
}

TEST_F(PayloadReaderTest, RequiredBytesAddTheInstalledSizes) {
    struct Case {
        const char* what;
        std::vector<fixture::FixtureEntry> entries;
        uint32_t terminatorExpanded;
        uint32_t start;
        uint32_t sum;
    };
    const Case cases[] = {
        {"only the terminator", {}, 0, 0, 0},
        {"stored", {{Bytes(1000, 1), 0, ""}, {Bytes(24, 2), 0, ""}}, 0, 0, 1024},
        {"compressed counts expanded", {{Bytes(5000, 1), 7, ""}}, 0, 0, 7},
        {"terminator's expanded length", {{Bytes(10, 1), 0, ""}}, 90, 0, 100},
        {"added to what is there", {{Bytes(10, 1), 0, ""}}, 0, 5, 15},
        {"modulo 2^32", {{Bytes(10, 1), 0xFFFFFFF0u, ""}, {Bytes(10, 1), 0x20, ""}}, 0, 0, 0x10},
    };
    for (const Case& c : cases) {
        fixture::PeImage image = Image(c.entries);
        fixture::PutLe32(image.bytes, terminator + 8, c.terminatorExpanded);
        sim::WriteModule(image.bytes);
        requiredBytes = c.start;
        EXPECT_EQ(SumRequiredBytes(), 1) << c.what;
        EXPECT_EQ(requiredBytes, c.sum) << c.what;
    }
}

TEST_F(PayloadReaderTest, CatalogueWithoutTerminatorEndsTheSum) {
    fixture::PeImage image = Image({{Bytes(10, 1), 0, ""}, {Bytes(20, 1), 0, ""}});
    image.bytes.resize(terminator + 8);
    sim::WriteModule(image.bytes);
    EXPECT_EQ(SumRequiredBytes(), 1);
    EXPECT_EQ(requiredBytes, 30u);
    EXPECT_EQ(ValidatePayload(), 0);
}

TEST_F(PayloadReaderTest, ValidationRefusesDamagedInstallers) {
    struct Case {
        const char* what;
        int (*damage)(fixture::PeImage&, const std::vector<uint32_t>&, uint32_t);
        int intact;
    };
    const Case cases[] = {
        {"intact", [](fixture::PeImage&, const std::vector<uint32_t>&, uint32_t) { return 0; }, 1},
        {"cut inside the catalogue",
         [](fixture::PeImage& image, const std::vector<uint32_t>& at, uint32_t) {
             image.bytes.resize(at[1] + 4);
             return 0;
         },
         0},
        {"cut inside the data",
         [](fixture::PeImage& image, const std::vector<uint32_t>&, uint32_t) {
             image.bytes.pop_back();
             return 0;
         },
         0},
        {"data offset outside",
         [](fixture::PeImage& image, const std::vector<uint32_t>& at, uint32_t) {
             fixture::PutLe32(image.bytes, at[0], static_cast<uint32_t>(image.bytes.size()));
             return 0;
         },
         0},
        {"total of 2^31",
         [](fixture::PeImage& image, const std::vector<uint32_t>& at, uint32_t) {
             fixture::PutLe32(image.bytes, at[0] + 8, 0x40000000u);
             fixture::PutLe32(image.bytes, at[1] + 8, 0x40000000u);
             return 0;
         },
         0},
        {"terminator's expanded length reaching 2^31",
         [](fixture::PeImage& image, const std::vector<uint32_t>&, uint32_t end) {
             fixture::PutLe32(image.bytes, end + 8, 0x7FFFFFF0u);
             return 0;
         },
         0},
    };
    for (const Case& c : cases) {
        fixture::PeImage image = Image({{Bytes(10, 1), 0, ""}, {Bytes(20, 2), 0, ""}});
        c.damage(image, records, terminator);
        sim::WriteModule(image.bytes);
        EXPECT_EQ(ValidatePayload(), c.intact) << c.what;
        EXPECT_EQ(Sim().openHandles, 0) << c.what;
    }
}

}  // namespace
