// The locator's walk over hand-built images, one damaged field at a time.
#include "payload/payload_locator.h"

#include <gtest/gtest.h>

#include <functional>

#include "pe_fixture.h"

namespace {

using fixture::MakePe;
using fixture::PeImage;
using fixture::PutLe16;
using fixture::PutLe32;

LocateStatus Locate(const std::vector<uint8_t>& bytes, uint32_t* offset) {
    fixture::MemoryReader memory(bytes);
    FileReader reader = memory.Reader();
    return LocatePayload(&reader, offset);
}

TEST(PayloadLocator, FindsTheMarkerData) {
    PeImage image = MakePe();
    uint32_t offset = 0;
    ASSERT_EQ(Locate(image.bytes, &offset), LocateOk);
    EXPECT_EQ(offset, image.markerData);
}

TEST(PayloadLocator, FindsTheResourceSectionAnywhereInTheTable) {
    PeImage image = MakePe({".rsrc", ".text", ".data"}, 0);
    uint32_t offset = 0;
    ASSERT_EQ(Locate(image.bytes, &offset), LocateOk);
    EXPECT_EQ(offset, image.markerData);

    image = MakePe({".text", ".data", ".reloc", ".rsrc"}, 3);
    ASSERT_EQ(Locate(image.bytes, &offset), LocateOk);
    EXPECT_EQ(offset, image.markerData);
}

TEST(PayloadLocator, NameComparedUpToItsZeroByte) {
    PeImage image = MakePe({".text", std::string(".rsrc\0xy", 8)});
    uint32_t offset = 0;
    ASSERT_EQ(Locate(image.bytes, &offset), LocateOk);
    EXPECT_EQ(offset, image.markerData);
}

TEST(PayloadLocator, SectionNamesThatAreNotExactlyRsrc) {
    for (const char* name : {".RSRC", ".Rsrc", ".rsrc2", ".rsr", "rsrc", ""}) {
        SCOPED_TRACE(name);
        PeImage image = MakePe({".text", name});
        uint32_t offset = 12345;
        EXPECT_EQ(Locate(image.bytes, &offset), LocateNoResourceSection);
        EXPECT_EQ(offset, 12345u);
    }
}

TEST(PayloadLocator, TakesTheFirstOfTwoResourceSections) {
    // The second .rsrc header copies the first one's pointers but moves its
    // raw data outside the file: only the first may be used.
    PeImage image = MakePe({".rsrc", ".rsrc"}, 0);
    PutLe32(image.bytes, image.sectionTable + 40 + 20, 0x7fff0000);
    uint32_t offset = 0;
    ASSERT_EQ(Locate(image.bytes, &offset), LocateOk);
    EXPECT_EQ(offset, image.markerData);
}

TEST(PayloadLocator, SearchStopsAtNumberOfSections) {
    PeImage image = MakePe({".text", ".rsrc"});
    PutLe16(image.bytes, image.peOffset + 6, 1);
    uint32_t offset = 0;
    EXPECT_EQ(Locate(image.bytes, &offset), LocateNoResourceSection);
    PutLe16(image.bytes, image.peOffset + 6, 0);
    EXPECT_EQ(Locate(image.bytes, &offset), LocateNoResourceSection);
}

TEST(PayloadLocator, MarkerSizeDoesNotLimitThePayload) {
    // The data entry's Size stays 4 while the payload runs on far beyond it
    // and beyond the section's raw data.
    PeImage image = MakePe();
    image.bytes.resize(image.bytes.size() + 100000, 0xAB);
    uint32_t offset = 0;
    ASSERT_EQ(Locate(image.bytes, &offset), LocateOk);
    EXPECT_EQ(offset, image.markerData);
    EXPECT_EQ(image.bytes[image.dataEntry + 4], 4);
}

TEST(PayloadLocator, CallsAreIndependent) {
    PeImage first = MakePe();
    PeImage second = MakePe({".text", ".data", ".rsrc"}, 2);
    ASSERT_NE(first.markerData, second.markerData);
    fixture::MemoryReader memory(first.bytes);
    FileReader reader = memory.Reader();
    uint32_t a = 0, b = 0, c = 0;
    ASSERT_EQ(LocatePayload(&reader, &a), LocateOk);
    ASSERT_EQ(Locate(second.bytes, &b), LocateOk);
    ASSERT_EQ(LocatePayload(&reader, &c), LocateOk);
    EXPECT_EQ(a, first.markerData);
    EXPECT_EQ(b, second.markerData);
    EXPECT_EQ(c, first.markerData);
}

struct Damage {
    const char* what;
    std::function<void(PeImage&)> apply;
    LocateStatus expected;
};

TEST(PayloadLocator, DamagedImagesGiveNoPayload) {
    const Damage cases[] = {
        {"empty file", [](PeImage& i) { i.bytes.clear(); }, LocateNotPe},
        {"shorter than e_lfanew", [](PeImage& i) { i.bytes.resize(62); }, LocateNotPe},
        {"e_lfanew past the end", [](PeImage& i) { PutLe32(i.bytes, 60, 0xFFFFFFF0u); },
         LocateNotPe},
        {"headers cut short", [](PeImage& i) { i.bytes.resize(i.peOffset + 100); }, LocateNotPe},
        {"section table cut short",
         [](PeImage& i) {
             PutLe16(i.bytes, i.peOffset + 6, 0xFFFF);
             PutLe32(i.bytes, i.rsrcSectionHeader, 0);
         },
         LocateOutsideFile},
        {"resource data outside the file",
         [](PeImage& i) { PutLe32(i.bytes, i.rsrcSectionHeader + 20, 0xFFFFFFF0u); },
         LocateOutsideFile},
        {"empty root directory", [](PeImage& i) { PutLe16(i.bytes, i.root + 12, 0); },
         LocateEmptyDirectory},
        {"empty type directory", [](PeImage& i) { PutLe16(i.bytes, i.typeDirectory + 14, 0); },
         LocateEmptyDirectory},
        {"empty name directory", [](PeImage& i) { PutLe16(i.bytes, i.nameDirectory + 14, 0); },
         LocateEmptyDirectory},
        {"type subdirectory outside the file",
         [](PeImage& i) { PutLe32(i.bytes, i.root + 20, 0xFFFFFFFFu); }, LocateOutsideFile},
        {"name subdirectory outside the file",
         [](PeImage& i) { PutLe32(i.bytes, i.typeDirectory + 20, 0x80100000u); },
         LocateOutsideFile},
        // The language entry's offset is taken whole: bit 31 set leads 2 GiB on.
        {"language entry marked as subdirectory",
         [](PeImage& i) { PutLe32(i.bytes, i.nameDirectory + 20, 0x80000048u); },
         LocateOutsideFile},
        {"data entry cut short", [](PeImage& i) { i.bytes.resize(i.dataEntry + 8); },
         LocateOutsideFile},
        {"OffsetToData below the section's address",
         [](PeImage& i) { PutLe32(i.bytes, i.dataEntry, 0x10); }, LocateOutsideFile},
        {"payload begins at the end of the file", [](PeImage& i) { i.bytes.resize(i.markerData); },
         LocateOutsideFile},
        {"payload beyond the end of the file",
         [](PeImage& i) { PutLe32(i.bytes, i.dataEntry, 0x7FFFFFFFu); }, LocateOutsideFile},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.what);
        PeImage image = MakePe();
        d.apply(image);
        uint32_t offset = 777;
        EXPECT_EQ(Locate(image.bytes, &offset), d.expected);
        EXPECT_EQ(offset, 777u);
    }
}

TEST(PayloadLocator, ReaderFailureIsReported) {
    PeImage image = MakePe();
    fixture::MemoryReader memory(image.bytes);
    memory.FailAt(image.dataEntry);
    FileReader reader = memory.Reader();
    uint32_t offset = 0;
    EXPECT_EQ(LocatePayload(&reader, &offset), LocateReadFailed);
}

TEST(PayloadLocator, EveryPrefixOfAnImageIsHandled) {
    // The reader flags any request outside the file, so this also shows that
    // no read goes out of bounds.
    PeImage image = MakePe();
    for (size_t size = 0; size <= image.bytes.size(); ++size) {
        std::vector<uint8_t> prefix(image.bytes.begin(),
                                    image.bytes.begin() + static_cast<long>(size));
        uint32_t offset = 0;
        LocateStatus status = Locate(prefix, &offset);
        if (size <= image.markerData)
            ASSERT_NE(status, LocateOk) << size;
        else
            ASSERT_EQ(status, LocateOk) << size;
    }
}

}  // namespace
