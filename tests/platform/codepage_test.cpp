// The ANSI code page: Shift-JIS by default, another encoding by environment variable.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/codepage.h"

namespace quillory::platform {
namespace {

class CodePageTest : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv("QUILLORY_CODEPAGE"); }
    void TearDown() override { ::unsetenv("QUILLORY_CODEPAGE"); }
};

TEST_F(CodePageTest, ShiftJisIsTheDefault) {
    EXPECT_EQ(AnsiCodePageName(), "CP932");
    EXPECT_EQ(AnsiToWide("\x93\xFA\x96\x7B\x8C\xEA.txt"), u"\u65E5\u672C\u8A9E.txt");
    EXPECT_EQ(AnsiToWide("\xB1\xB2"), u"\uFF71\uFF72");  // half-width katakana
}

TEST_F(CodePageTest, TrailByte5CStaysInsideItsCharacter) {
    // "ソ" is 83 5C and "表" is 95 5C: neither may produce a backslash.
    const WString wide = AnsiToWide("\x83\x5C\x95\x5C");
    EXPECT_EQ(wide, u"\u30BD\u8868");
    EXPECT_EQ(wide.find(u'\\'), WString::npos);
}

TEST_F(CodePageTest, RejectedBytesBecomeReplacementsNeverNothing) {
    EXPECT_EQ(AnsiToWide("\x80"), u"\uFFFD");
    EXPECT_EQ(AnsiToWide("a\x81"), u"a\uFFFD");  // lead byte at the end
    // An invalid pair whose trail is 0x5C is one replacement, not a folder separator.
    const WString pair = AnsiToWide("\x85\x5Cz");
    EXPECT_EQ(pair.find(u'\\'), WString::npos);
    EXPECT_FALSE(AnsiToWide("\xFF").empty());
}

TEST_F(CodePageTest, ConversionStopsAtNul) {
    EXPECT_EQ(AnsiToWide(std::string_view("ab\0cd", 5)), u"ab");
}

TEST_F(CodePageTest, EnvironmentVariableSelectsAnotherEncoding) {
    ::setenv("QUILLORY_CODEPAGE", "cp1252", 1);
    EXPECT_EQ(AnsiCodePageName(), "CP1252");
    EXPECT_EQ(AnsiToWide("caf\xE9"), u"caf\u00E9");
    ::setenv("QUILLORY_CODEPAGE", "no-such-encoding", 1);
    EXPECT_EQ(AnsiCodePageName(), "CP932");
}

TEST_F(CodePageTest, WideToAnsiEncodesAndMarksTheUnmappable) {
    EXPECT_EQ(WideToAnsi(u"\u65E5\u672Cabc"),
              "\x93\xFA\x96\x7B"
              "abc");
    EXPECT_EQ(WideToAnsi(u"x\U0001F600y"), "x?y");
}

}  // namespace
}  // namespace quillory::platform
