// Names and messages on the terminal: one line, no control characters from an archive,
// and the columns wide characters take.
#include "cli/display_text.h"

#include <gtest/gtest.h>

namespace quillory::cli {
namespace {

TEST(DisplayTextTest, OneLineJoinsLinesAndDefusesControls) {
    EXPECT_EQ(OneLine(u"展開終了\n不正ファイル数 1"), "展開終了 不正ファイル数 1");
    EXPECT_EQ(OneLine(u"a\r\nb\rc"), "a b c");
    // An escape sequence in a member's name never reaches the terminal whole.
    EXPECT_EQ(OneLine(u"\x1b]0;title\x07x"), "?]0;title?x");
    EXPECT_EQ(OneLine(u"tab\there\x7f"), "tab?here?");
    EXPECT_EQ(OneLine(u"c1\u0085\u009b"), "c1??");
    // A right-to-left override would show "txt.exe" as something else.
    EXPECT_EQ(OneLine(u"a\u202Etxt.exe\u2066"), "a?txt.exe?");
    EXPECT_EQ(OneLine(u"表示\\予定表.txt"), "表示\\予定表.txt");
}

TEST(DisplayTextTest, WidthsOfNarrowWideAndZeroWidthCharacters) {
    EXPECT_EQ(DisplayWidth(""), 0u);
    EXPECT_EQ(DisplayWidth("a.txt"), 5u);
    EXPECT_EQ(DisplayWidth("ファイル名"), 10u);
    EXPECT_EQ(DisplayWidth("最終更新日時"), 12u);
    // Half-width katakana are narrow, full-width Latin letters wide.
    EXPECT_EQ(DisplayWidth("ｱｲｳ"), 3u);
    EXPECT_EQ(DisplayWidth("ＡＢ"), 4u);
    EXPECT_EQ(DisplayWidth("e\xCC\x81"), 1u);         // e + combining acute
    EXPECT_EQ(DisplayWidth("\xF0\x9F\x98\x80"), 2u);  // U+1F600, a surrogate pair in UTF-16
    EXPECT_EQ(DisplayWidth("\xF0\xA0\x80\x8B"), 2u);  // U+2000B, CJK extension B
    EXPECT_EQ(DisplayWidth("\xC3\xA9\xCE\xB1"), 2u);  // é and α: narrow
    EXPECT_EQ(DisplayWidth("\xE2\x80\x8B"), 0u);      // zero-width space
    // The range edges.
    EXPECT_EQ(CodePointWidth(0x10FF), 1);
    EXPECT_EQ(CodePointWidth(0x1100), 2);
    EXPECT_EQ(CodePointWidth(0x115F), 2);
    EXPECT_EQ(CodePointWidth(0x1160), 1);
    EXPECT_EQ(CodePointWidth(0xFF60), 2);
    EXPECT_EQ(CodePointWidth(0xFF61), 1);
    EXPECT_EQ(CodePointWidth(0x3000), 2);
}

TEST(DisplayTextTest, FitToWidthNeverSplitsACharacter) {
    EXPECT_EQ(FitToWidth("abc", 5), "abc");
    EXPECT_EQ(FitToWidth("abc", 2), "ab");
    EXPECT_EQ(FitToWidth("表示", 3), "表");
    EXPECT_EQ(FitToWidth("表示", 1), "");
    EXPECT_EQ(FitToWidth("a\xF0\x9F\x98\x80z", 3), "a\xF0\x9F\x98\x80");
    EXPECT_EQ(FitToWidth("e\xCC\x81x", 1), "e\xCC\x81");
}

}  // namespace
}  // namespace quillory::cli
