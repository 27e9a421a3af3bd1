// Program paths and host paths, and the UTF-8 conversions under them: separators, round
// trips of bytes that are no UTF-8, edited paths, lengths in host bytes.
#include <gtest/gtest.h>

#include "platform/path.h"

namespace quillory::platform {
namespace {

TEST(PathTest, BothSeparatorsBecomeSlashesOnTheHost) {
    EXPECT_EQ(ToHostPath(u"\\home\\user/docs\\a.txt"), "/home/user/docs/a.txt");
    EXPECT_EQ(ToHostPath(u"\u65E5\u672C\\\u8A9E.txt"), "\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E.txt");
}

// Every host path comes back byte for byte; bytes a program path has no place for travel
// as lone surrogates U+DC00 + byte, and the readable form shows them as the host would.
TEST(PathTest, HostPathsRoundTripWithoutLoss) {
    struct Row {
        std::string host;
        WString program;
        WString display;  // empty: what the code page makes of it does not matter here
    };
    const Row rows[] = {
        {"/a/b c/d", u"\\a\\b c\\d", u"/a/b c/d"},
        {"/tmp/x/\xE3\x82\xBD.txt", u"\\tmp\\x\\\u30BD.txt", u"/tmp/x/\u30BD.txt"},
        // A folder named a\b: one name, not two levels.
        {"/tmp/a\\b/we\\ird.zip",
         u"\\tmp\\a\xDC5C"
         u"b\\we\xDC5Cird.zip",
         u"/tmp/a\\b/we\\ird.zip"},
        // A folder named in Shift-JIS (日本) by an old tool reads as it was written.
        {"/old/\x93\xFA\x96{/f", u"\\old\\\xDC93\xDCFA\xDC96{\\f", u"/old/\u65E5\u672C/f"},
        // A cut sequence and an encoded surrogate: every byte kept.
        {"x\xE3\x81", u"x\xDCE3\xDC81", u""},
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80", u""},
        {"\xF0\x9F\x91\x9C", u"\U0001F45C", u"\U0001F45C"},  // its low half is U+DC5C
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host);
        EXPECT_EQ(FromHostPath(row.host), row.program);
        EXPECT_EQ(ToHostPath(row.program), row.host);
        if (!row.display.empty()) {
            EXPECT_EQ(DisplayPath(row.program), row.display);
        }
    }
    // Unpaired surrogates that stand for no host byte are no path: U+FFFD, as in UTF-8.
    EXPECT_EQ(ToHostPath(u"a\xDC2F"
                         u"b\xD800"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
}

TEST(PathTest, EditsKeepTheUnchangedPartsExactly) {
    const WString sjis = u"\\old\\\xDC93\xDCFA\xDC96{";  // shown as /old/日本
    EXPECT_EQ(EditedPath(sjis, u"/old/\u65E5\u672C"), sjis);
    EXPECT_EQ(EditedPath(sjis, u"/old/\u65E5\u672C/new\\sub"), sjis + u"\\new\xDC5Csub");
    EXPECT_EQ(EditedPath(sjis, u"/new/\u65E5\u672C"), u"\\new\\\xDC93\xDCFA\xDC96{");
    // Typed over, the name is what was typed.
    EXPECT_EQ(EditedPath(sjis, u"/old/\u65E5"), u"\\old\\\u65E5");
}

TEST(PathTest, LongPathsAreMeasuredInHostBytes) {
    // Names of the longest length the host takes, up to the longest path.
    const WString name(MaxHostNameBytes(), u'a');
    WString path;
    while (path.size() + 1 + name.size() <= MaxHostPathBytes())
        path += u"\\" + name;
    path += u"\\" + WString(MaxHostPathBytes() - path.size() - 1, u'b');
    EXPECT_TRUE(FitsHostPath(path));
    EXPECT_FALSE(FitsHostPath(path + u"b"));
    // One name a byte too long fails however short the path.
    EXPECT_FALSE(FitsHostPath(u"\\x\\" + name + u"a"));
    // Three UTF-8 bytes per character.
    EXPECT_FALSE(FitsHostPath(WString(MaxHostNameBytes() / 3 + 1, u'\u3042')));
}

TEST(Utf8Test, RoundTripsEveryPlane) {
    const WString text = u"a\u00E9\u3042\U0001F600z";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Utf8Test, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToWide("a\xFF"
                         "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), u"\uFFFD");        // overlong "/"
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), u"\uFFFD");    // encoded surrogate
    EXPECT_EQ(Utf8ToWide("x\xE3\x81"), u"x\uFFFD");      // truncated at the end
    EXPECT_EQ(WideToUtf8(u"\xD800z"), "\xEF\xBF\xBDz");  // lone surrogate
}

}  // namespace
}  // namespace quillory::platform
