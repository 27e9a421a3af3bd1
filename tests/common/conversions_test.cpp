// Stored names to UTF-16 (NFC, separators, an embedded NUL, bytes of no character) and
// archive times to file times, including MS-DOS values that name no real moment.
#include <gtest/gtest.h>

#include "common/conversions.h"
#include "common/unicode_nfc.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

WString Name(std::string_view bytes) {
    return ArchiveNameToWide(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                             platform::CodePage::FromEnvironment());
}

FileTime At(int y, int mo, int d, int h, int mi, int s) {
    FileTime t = 0;
    EXPECT_TRUE(platform::CalendarToFileTime({y, mo, d, h, mi, s, 0}, &t));
    return t;
}

// Rows of the Unicode standard's NormalizationTest.txt (scripts/make-nfc-tables's data
// passes all of its 19,074 lines), one per step of the composition that can go wrong.
TEST(NfcTest, ComposesAsTheStandardSays) {
    const struct {
        WStringView in, out;
    } rows[] = {
        {u"readme.txt", u"readme.txt"},
        {u"cafe\u0301.txt", u"caf\u00E9.txt"},               // macOS's decomposed name
        {u"\u304B\u3099\u30CF\u309A", u"\u304C\u30D1"},      // voiced kana: が, パ
        {u"\u1100\u1161\u11A8", u"\uAC01"},                  // Hangul jamo: 각
        {u"\uAC00\u11A8", u"\uAC01"},                        // LV syllable and T jamo
        {u"a\u0302\u0323", u"\u1EAD"},                       // marks put in class order
        {u"x\u00E9\u0323", u"x\u1EB9\u0301"},                // a composite taken apart
        {u"a\u0308\u0308", u"\u00E4\u0308"},                 // the second mark is blocked
        {u"\u212B\u2126", u"\u00C5\u03A9"},                  // singletons
        {u"\u0958", u"\u0915\u093C"},                        // composition exclusion
        {u"\U0001D15E", u"\U0001D157\U0001D165"},            // outside the BMP
        {u"\u0301e", u"\u0301e"},                            // a mark with nothing before it
        {u"\xD800\u0301\uFFFD81", u"\xD800\u0301\uFFFD81"},  // surrogate, stand-in
    };
    for (const auto& row : rows) {
        WString text(row.in);
        ComposeNfc(text);
        EXPECT_EQ(text, row.out) << platform::WideToUtf8(row.in);
    }
}

TEST(ArchiveNameTest, FFSeparatesFoldersBeforeDecoding) {
    EXPECT_EQ(Name("doc\xFF"
                   "a.txt"),
              u"doc\\a.txt");
    EXPECT_EQ(Name("a/b\xFF"
                   "c"),
              u"a/b\\c");  // "/" is left as it is
    // Shift-JIS with a trail byte 0x5C next to a 0xFF separator.
    EXPECT_EQ(Name("\x83\x5C\xFF\x95\x5C.txt"), u"\u30BD\\\u8868.txt");
}

TEST(ArchiveNameTest, EmbeddedNulEndsTheName) {
    EXPECT_EQ(Name(std::string_view("abc\0def", 7)), u"abc");
    EXPECT_EQ(Name(std::string_view("\0x", 2)), u"");
}

TEST(ArchiveNameTest, InvalidBytesNeverGiveAnEmptyName) {
    EXPECT_EQ(Name("\x80"), u"\uFFFD80");
    EXPECT_EQ(Name("\xA0\xFD"), u"\uFFFDA0\uFFFDFD");
}

TEST(NarrowToWideTest, StopsAtCapacity) {
    WChar out[6];
    const platform::CodePage sjis = platform::CodePage::FromEnvironment();
    EXPECT_EQ(NarrowToWide("-lh5-", out, 6, sjis), 5);
    EXPECT_EQ(WString(out), u"-lh5-");
    EXPECT_EQ(NarrowToWide("-lh5-xyz", out, 6, sjis), 5);
    EXPECT_EQ(WString(out), u"-lh5-");
    EXPECT_EQ(NarrowToWide("\x93\xFA", out, 6, sjis), 1);
    EXPECT_EQ(out[0], u'\u65E5');
}

TEST(CopyPrefixTest, TextBeforeOrThroughASeparator) {
    const WString path = u"doc\\img\\a.txt";
    EXPECT_EQ(CopyPrefix(path, 4), u"doc");
    EXPECT_EQ(CopyPrefix(path, 5), u"doc\\");
    EXPECT_EQ(CopyPrefix(path, 1), u"");
}

TEST(DosTimeTest, CalendarValueWithoutZoneChange) {
    for (const char* zone : {"UTC0", "JST-9", "EST5EDT,M3.2.0,M11.1.0"}) {
        testing::ScopedTimeZone tz(zone);
        FileTime t = 0;
        EXPECT_EQ(DosTimeToFileTime(0x3C21, 0x6000, &t), 1);
        EXPECT_EQ(t, At(2010, 1, 1, 12, 0, 0)) << zone;
    }
    FileTime t = 0;
    EXPECT_EQ(DosTimeToFileTime(0x0021, 0x0000, &t), 1);
    EXPECT_EQ(t, At(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(DosTimeToFileTime(0xFF9F, 0xBF7D, &t), 1);  // the last DOS time
    EXPECT_EQ(t, At(2107, 12, 31, 23, 59, 58));
}

TEST(DosTimeTest, NonCalendarValuesFail) {
    FileTime t = 99;
    EXPECT_EQ(DosTimeToFileTime(0x3C01, 0, &t), 0);  // month 0
    EXPECT_EQ(t, 0u);
    EXPECT_EQ(DosTimeToFileTime(0x3C20, 0, &t), 0);       // day 0
    EXPECT_EQ(DosTimeToFileTime(0x3C21, 0x001E, &t), 0);  // 60 seconds
    EXPECT_EQ(DosTimeToFileTime(0x3C21, 0xC000, &t), 0);  // hour 24
}

TEST(UnixTimeTest, Boundaries) {
    FileTime t = 0;
    EXPECT_EQ(UnixTimeToFileTime(0, &t), 1);
    EXPECT_EQ(t, 116444736000000000u);
    EXPECT_EQ(UnixTimeToFileTime(0xFFFFFFFF, &t), 1);
    EXPECT_EQ(t, At(2106, 2, 7, 6, 28, 15));
    // UTC both ways, whatever the zone.
    testing::ScopedTimeZone tz("JST-9");
    EXPECT_EQ(UnixTimeToFileTime(1262347200, &t), 1);
    EXPECT_EQ(t, At(2010, 1, 1, 12, 0, 0));
}

}  // namespace
}  // namespace quillory
