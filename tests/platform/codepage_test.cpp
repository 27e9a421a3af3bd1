// The code pages: Shift-JIS by default, another encoding by environment variable or
// by name, each converting on its own whatever the others are.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/codepage.h"

namespace quillory::platform {
namespace {

class CodePageTest : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv("QUILLORY_CODEPAGE"); }
    void TearDown() override { ::unsetenv("QUILLORY_CODEPAGE"); }

    static WString AnsiToWide(std::string_view bytes) {
        return CodePage::FromEnvironment().ToWide(bytes);
    }
    static std::string WideToAnsi(WStringView text) {
        return CodePage::FromEnvironment().FromWide(text);
    }
    static CodePage Named(std::string_view name) {
        const auto page = CodePage::Named(name);
        EXPECT_TRUE(page.has_value()) << name;
        return page.value_or(CodePage::FromEnvironment());
    }
};

TEST_F(CodePageTest, ShiftJisIsTheDefault) {
    EXPECT_EQ(CodePage::FromEnvironment().name(), "CP932");
    EXPECT_EQ(AnsiToWide("\x93\xFA\x96\x7B\x8C\xEA.txt"), u"\u65E5\u672C\u8A9E.txt");
    EXPECT_EQ(AnsiToWide("\xB1\xB2"), u"\uFF71\uFF72");  // half-width katakana
}

TEST_F(CodePageTest, TrailByte5CStaysInsideItsCharacter) {
    // "ソ" is 83 5C and "表" is 95 5C: neither may produce a backslash.
    const WString wide = AnsiToWide("\x83\x5C\x95\x5C");
    EXPECT_EQ(wide, u"\u30BD\u8868");
    EXPECT_EQ(wide.find(u'\\'), WString::npos);
}

// Each rejected byte becomes U+FFFD and its value, so that names stay distinct; an
// invalid Shift-JIS pair gives both bytes' stand-ins, never a separator for a trail 0x5C.
// UTF-8 names do the same, and spell a stored U+FFFD byte by byte.
TEST_F(CodePageTest, RejectedBytesBecomeDistinctStandIns) {
    EXPECT_EQ(AnsiToWide("\x80"), u"\uFFFD80");
    EXPECT_EQ(AnsiToWide("a\x81"), u"a\uFFFD81");  // lead byte at the end
    EXPECT_EQ(AnsiToWide("\x85\x5Cz"), u"\uFFFD85\uFFFD5Cz");
    EXPECT_EQ(AnsiToWide("\xFF"), u"\uFFFDFF");
    EXPECT_NE(AnsiToWide("\x81\x20"), AnsiToWide("\x82\x20"));
    EXPECT_EQ(Utf8NameToWide("a\xFF\xE3\x81"), u"a\uFFFDFF\uFFFDE3\uFFFD81");
    EXPECT_EQ(Utf8NameToWide("\xC0\xAF"), u"\uFFFDC0\uFFFDAF");  // overlong "/"
    EXPECT_EQ(Utf8NameToWide("\xEF\xBF\xBD"
                             "FF"),
              u"\uFFFDEF\uFFFDBF\uFFFDBDFF");
    EXPECT_NE(Utf8NameToWide("\xEF\xBF\xBD"
                             "FF"),
              Utf8NameToWide("\xFF"));
    EXPECT_EQ(Utf8NameToWide("\xE8\xAA\x9E"), u"\u8A9E");
}

TEST_F(CodePageTest, ConversionStopsAtNul) {
    EXPECT_EQ(AnsiToWide(std::string_view("ab\0cd", 5)), u"ab");
}

TEST_F(CodePageTest, EnvironmentVariableSelectsAnotherEncoding) {
    ::setenv("QUILLORY_CODEPAGE", "cp1252", 1);
    EXPECT_EQ(CodePage::FromEnvironment().name(), "CP1252");
    EXPECT_EQ(AnsiToWide("caf\xE9"), u"caf\u00E9");
    ::setenv("QUILLORY_CODEPAGE", "no-such-encoding", 1);
    EXPECT_EQ(CodePage::FromEnvironment().name(), "CP932");
}

// Code pages by name, whatever the environment says, each on its own on one thread;
// UTF-8 is one, with the names' stand-ins.
TEST_F(CodePageTest, NamedCodePagesConvertOnTheirOwn) {
    ::setenv("QUILLORY_CODEPAGE", "CP1252", 1);
    EXPECT_FALSE(CodePage::Named("no-such-encoding").has_value());
    EXPECT_FALSE(CodePage::Named("").has_value());
    const CodePage utf8 = Named("utf8");
    EXPECT_EQ(utf8.name(), "UTF-8");
    const CodePage dos = Named("cp437");
    EXPECT_EQ(utf8.ToWide("\xE6\x97\xA5\x93"), u"\u65E5\uFFFD93");
    EXPECT_EQ(utf8.FromWide(u"\u65E5"), "\xE6\x97\xA5");
    EXPECT_EQ(dos.ToWide("\x8E"), u"\u00C4");
    EXPECT_EQ(AnsiToWide("\x8E"), u"\u017D");  // the environment's CP1252, in between
    EXPECT_EQ(dos.ToWide("\x8E"), u"\u00C4");
}

TEST_F(CodePageTest, WideToAnsiEncodesAndMarksTheUnmappable) {
    EXPECT_EQ(WideToAnsi(u"\u65E5\u672Cabc"),
              "\x93\xFA\x96\x7B"
              "abc");
    EXPECT_EQ(WideToAnsi(u"x\U0001F600y"), "x?y");
}

}  // namespace
}  // namespace quillory::platform
