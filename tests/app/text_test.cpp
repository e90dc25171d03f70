// Bounded text routines and number texts.
#include "app/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/number_text.h"

namespace {

TEST(FormatTextTest, FillsPlaceholdersInOrder) {
    struct Case {
        const char* format;
        const char* a;
        const char* b;
        std::string expected;
    };
    const Case cases[] = {
        {"%s und %s", "eins", "zwei", "eins und zwei"},
        {"%s%s", "", "x", "x"},
        {"ohne", "a", "b", "ohne"},
        {"%s %s %s", "a", "b", "a b "},  // a missing argument counts as empty
        {"100% %d %s", "a", nullptr, "100% %d a"},
        {"%s", "\xF6\xE4\xFC", nullptr, "\xF6\xE4\xFC"},
    };
    for (const Case& c : cases) {
        char buffer[64];
        EXPECT_EQ(FormatText(buffer, sizeof buffer, c.format, c.a, c.b), 1) << c.format;
        EXPECT_EQ(std::string(buffer), c.expected) << c.format;
    }
}

TEST(FormatTextTest, NeverWritesPastItsBuffer) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(FormatText(buffer, 8, "abc %s xyz", "0123456789"), 0);
    EXPECT_STREQ(buffer, "abc 012");
    EXPECT_EQ(buffer[8], '#');
    EXPECT_EQ(FormatText(buffer, 8, "1234567"), 1);
    EXPECT_EQ(FormatText(buffer, 8, "12345678"), 0);
    EXPECT_STREQ(buffer, "1234567");
}

TEST(TextTest, CopyAndAppendReportWhatDidNotFit) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(CopyText(buffer, 6, "abcde"), 1);
    EXPECT_EQ(AppendText(buffer, 6, "f"), 0);
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_EQ(buffer[6], '#');
    EXPECT_EQ(CopyText(buffer, 6, "abcdefgh"), 0);
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_EQ(AppendTextPart(buffer, 8, "xyz", 1), 1);
    EXPECT_STREQ(buffer, "abcdex");
    // A target without a terminator inside its size is terminated, not overrun.
    char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(AppendText(full, 4, "e"), 0);
    EXPECT_EQ(full[3], 0);
}

TEST(TextTest, SeparatorIsAddedOnlyWhereMissing) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (Case c : {Case{"C:\\WINDOWS", "C:\\WINDOWS\\"}, Case{"C:\\", "C:\\"}, Case{"", ""}}) {
        char buffer[32];
        CopyText(buffer, sizeof buffer, c.in);
        EXPECT_EQ(AppendSeparator(buffer, sizeof buffer), 1);
        EXPECT_STREQ(buffer, c.out);
    }
    char tight[4] = "C:x";
    EXPECT_EQ(AppendSeparator(tight, 4), 0);
    EXPECT_STREQ(tight, "C:x");
}

TEST(TextTest, UpperCasingChangesAsciiLettersOnly) {
    char text[] = "abz AZ 09 \xE4\xF6\xFC \xDF~{";
    UpperCaseAscii(text);
    EXPECT_STREQ(text, "ABZ AZ 09 \xE4\xF6\xFC \xDF~{");
}

TEST(TextTest, FindsFirstAndLast) {
    EXPECT_EQ(FindFirst("a.b.c", '.'), 1);
    EXPECT_EQ(FindLast("a.b.c", '.'), 3);
    EXPECT_EQ(FindLast("abc", '.'), -1);
    EXPECT_EQ(FindFirst("", '.'), -1);
}

TEST(TextTest, BaseNameIsCutAtTheLastDotThenTakenAfterTheLastBackslash) {
    struct Case {
        const char* path;
        const char* base;
    };
    const Case cases[] = {
        {"C:\\Setup\\Sea.World.exe", "Sea.World"},
        {"C:\\Setup\\setup.exe", "setup"},
        {"setup.exe", "setup"},
        {"C:\\Setup\\setup", "setup"},
        // The last '.' lies in a folder name: the cut falls there.
        {"C:\\my.dir\\setup", "my"},
        {"C:\\Setup\\.exe", ""},
    };
    for (const Case& c : cases) {
        std::string path = c.path;
        EXPECT_STREQ(CutToBaseName(path.data()), c.base) << c.path;
    }
}

TEST(NumberTextTest, ThousandsAreGroupedFromTheRight) {
    struct Case {
        uint32_t value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1,000"},
        {123456, "123,456"},
        {1000000, "1,000,000"},
        {1234567, "1,234,567"},
        {2147483647, "2,147,483,647"},
        {4294967295u, "4,294,967,295"},
    };
    for (Case c : cases) {
        char text[ThousandsTextSize + 2];
        std::memset(text, '#', sizeof text);
        EXPECT_EQ(FormatThousands(c.value, text), text);
        EXPECT_STREQ(text, c.text) << c.value;
        EXPECT_EQ(text[ThousandsTextSize], '#');
    }
}

TEST(NumberTextTest, FileNumbersArePaddedToFourDigits) {
    struct Case {
        uint32_t value;
        const char* text;
    };
    for (Case c : {Case{0, "0000"}, Case{9, "0009"}, Case{9999, "9999"}, Case{10000, "10000"},
                   Case{65535 + 100000, "165535"}}) {
        char text[12];
        EXPECT_STREQ(FormatFileNumber(c.value, text), c.text);
    }
}

}  // namespace
