// Program paths and host paths, and the UTF-8 conversions under them.
#include <gtest/gtest.h>

#include "platform/path.h"

namespace quillory::platform {
namespace {

TEST(PathTest, BothSeparatorsBecomeSlashesOnTheHost) {
    EXPECT_EQ(ToHostPath(u"\\home\\user/docs\\a.txt"), "/home/user/docs/a.txt");
    EXPECT_EQ(ToHostPath(u"\u65E5\u672C\\\u8A9E.txt"), "\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E.txt");
}

TEST(PathTest, HostPathsComeBackWithBackslashes) {
    EXPECT_EQ(FromHostPath("/tmp/x/\xE3\x82\xBD.txt"), u"\\tmp\\x\\\u30BD.txt");
    EXPECT_EQ(ToHostPath(FromHostPath("/a/b c/d")), "/a/b c/d");
}

TEST(PathTest, LongPathsAreMeasuredInHostBytes) {
    EXPECT_TRUE(FitsHostPath(WString(MaxHostPathBytes(), u'a')));
    EXPECT_FALSE(FitsHostPath(WString(MaxHostPathBytes() + 1, u'a')));
    // Three UTF-8 bytes per character.
    EXPECT_FALSE(FitsHostPath(WString(MaxHostPathBytes() / 3 + 1, u'\u3042')));
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
