// Display names and extensions between UTF-8 and Windows-1252.
#include "package/windows1252.h"

#include <gtest/gtest.h>

#include "package/installer_writer.h"

namespace veltrane {
namespace {

TEST(Windows1252, ConvertsBothWays) {
    struct Case {
        const char* utf8;
        const char* bytes;
    };
    const Case cases[] = {
        {"Sea World", "Sea World"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xFC\xDF"
         "e"},
        {"\xE2\x82\xAC 5", "\x80 5"},  // euro sign
        {"\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"},
        {"\xC5\xB8", "\x9F"},
        {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToWindows1252(c.utf8), std::optional<std::string>(c.bytes));
        EXPECT_EQ(Windows1252ToUtf8(c.bytes), c.utf8);
    }
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81");
}

TEST(Windows1252, RefusesWhatItCannotHold) {
    for (const char* text : {"\xE2\x98\x83",      // snowman
                             "\xF0\x9F\x98\x80",  // emoji
                             "\xC3",              // cut sequence
                             "\xC0\xAF",          // overlong '/'
                             "\xED\xA0\x80",      // surrogate
                             "\xC2\x81",          // undefined byte's control
                             "\xFF"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(text)));
        EXPECT_FALSE(Utf8ToWindows1252(text).has_value());
    }
}

TEST(Windows1252, DisplayNames) {
    EXPECT_EQ(*EncodeDisplayName("\xC3\x84rger"), "\xC4rger");
    EXPECT_EQ(EncodeDisplayName(std::string(32, 'x'))->size(), 32u);
    // 32 characters but 33 bytes would not fit; 31 letters and an umlaut do.
    EXPECT_TRUE(EncodeDisplayName(std::string(31, 'x') + "\xC3\xBC"));
    for (std::string refused : {std::string(33, 'x'), std::string(), std::string("tab\there"),
                                std::string("snow\xE2\x98\x83")}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(EncodeDisplayName(refused));
    }
}

TEST(Windows1252, Extensions) {
    EXPECT_EQ(*EncodeExtension(".BMP"), ".BMP");
    EXPECT_EQ(*EncodeExtension(""), "");
    EXPECT_EQ(*EncodeExtension(".\xC3\xA4"), ".\xE4");
    for (const char* refused :
         {".jpeg", ".", "..", "./x", ".a:b", ".a*", "\x01", ".\xE2\x98\x83"}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(EncodeExtension(refused));
    }
    EXPECT_EQ(ExtensionOfFileName("dir.x/pic.bmp"), ".bmp");
    EXPECT_EQ(ExtensionOfFileName("dir.x/README"), "");
    EXPECT_EQ(ExtensionOfFileName("a.tar.gz"), ".gz");
}

}  // namespace
}  // namespace veltrane
