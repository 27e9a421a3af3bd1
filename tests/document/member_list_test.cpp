// The member list's rows: every column's text on real archives of both kinds, folder rows
// hidden and shown, LZH times shown in local time and ZIP times as stored, the item data,
// and the cell formats at their edges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/member_list.h"
#include "document/search_text.h"
#include "tests/document/document_fixture.h"

namespace quillory::testing {
namespace {

// Each row as "index | c0 | c1 | ... | c6".
std::vector<std::string> Rows(const MemberList& list) {
    std::vector<std::string> rows;
    for (int r = 0; r < list.rowCount(); ++r) {
        std::string line = std::to_string(list.EntryIndex(r));
        for (const WString& cell : list.RowTexts(r))
            line += " | " + Utf8(cell);
        rows.push_back(line);
    }
    return rows;
}

class MemberListTest : public DocumentTest {
protected:
    std::vector<std::string> Listing(const std::string& fixture, int displayFolder) {
        Start();
        settings.DisplayFolder = displayFolder;
        EXPECT_EQ(doc->OpenArchive(Fixture(fixture)), 1);
        MemberList list;
        list.Rebuild(*doc);
        return Rows(list);
    }
};

TEST_F(MemberListTest, LzhRowsWithFolderRowsShown) {
    const std::vector<std::string> expected = {
        "0 | text.txt | 6,000 | 1,888 | 31.5% | 2021/03/04 05:06:08 | A | ",
        "1 | data.bin | 5,000 | 463 | 9.3% | 2021/03/04 05:06:08 | A | ",
        "2 | empty.txt | 0 | 0 | 100.0% | 2021/03/04 05:06:08 | A | ",
        "3 | <DIR> | 0 | 0 | 0% | 2021/03/04 05:06:08 | A | docs\\",
        "4 | readme.txt | 700 | 328 | 46.9% | 2021/03/04 05:06:08 | A | docs\\",
        "5 | <DIR> | 0 | 0 | 0% | 2021/03/04 05:06:08 | A | docs\\img\\",
        "6 | pic.bin | 1,500 | 149 | 9.9% | 2021/03/04 05:06:08 | A | docs\\img\\",
        "7 | <DIR> | 0 | 0 | 0% | 2021/03/04 05:06:08 | A | docs\\empty\\",
    };
    EXPECT_EQ(Listing("lzh/jlha_l0_lh5.lzh", 1), expected);
}

TEST_F(MemberListTest, FolderRowsHiddenKeepTheEntryIndices) {
    const std::vector<std::string> expected = {
        "0 | text.txt | 6,000 | 1,888 | 31.5% | 2021/03/04 05:06:08 | A | ",
        "1 | data.bin | 5,000 | 463 | 9.3% | 2021/03/04 05:06:08 | A | ",
        "2 | empty.txt | 0 | 0 | 100.0% | 2021/03/04 05:06:08 | A | ",
        "4 | readme.txt | 700 | 328 | 46.9% | 2021/03/04 05:06:08 | A | docs\\",
        "6 | pic.bin | 1,500 | 149 | 9.9% | 2021/03/04 05:06:08 | A | docs\\img\\",
    };
    EXPECT_EQ(Listing("lzh/jlha_l0_lh5.lzh", 0), expected);
}

TEST_F(MemberListTest, ZipRowsWithJapaneseNamesAndFolders) {
    const std::vector<std::string> expected = {
        "0 | <DIR> | 0 | 0 | 0% | 2021/03/04 05:06:08 |  | docs/",
        "1 | readme.txt | 55 | 55 | 100.0% | 2021/03/04 05:06:08 | A | docs/",
        "2 | <DIR> | 0 | 0 | 0% | 2021/03/04 05:06:08 |  | docs/sub/",
        "3 | deep.txt | 18 | 18 | 100.0% | 2021/03/04 05:06:08 | A | docs/sub/",
        "4 | text.txt | 90,027 | 90,027 | 100.0% | 2021/03/04 05:06:08 | A | ",
        "5 | 日本語.txt | 11 | 11 | 100.0% | 2021/03/04 05:06:08 | A | ",
    };
    EXPECT_EQ(Listing("zip/7zz-stored.zip", 1), expected);
}

// The folder view: one folder's files alone, no folder rows, whatever "DisplayFolder"
// says; the archive's folders, with those above them, whichever separator it stores.
TEST_F(MemberListTest, TheFolderViewListsOneFoldersFiles) {
    struct Row {
        const char* fixture;
        WString folder;
        std::vector<int> entries;
        std::vector<WString> folders;
    };
    const Row rows[] = {
        {"lzh/jlha_l0_lh5.lzh", u"", {0, 1, 2}, {u"docs\\", u"docs\\empty\\", u"docs\\img\\"}},
        {"lzh/jlha_l0_lh5.lzh", u"docs\\img\\", {6}, {}},
        {"lzh/jlha_l0_lh5.lzh", u"docs\\empty\\", {}, {}},
        {"zip/7zz-stored.zip", u"docs/", {1}, {u"docs/", u"docs/sub/"}},
        {"zip/7zz-stored.zip", u"nowhere/", {}, {}},
    };
    Start();
    settings.DisplayFolder = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fixture + (" " + Utf8(row.folder)));
        doc->CloseArchive();
        ASSERT_EQ(doc->OpenArchive(Fixture(row.fixture)), 1);
        MemberList list;
        list.SetFolder(row.folder);
        list.Rebuild(*doc);
        std::vector<int> entries;
        for (int r = 0; r < list.rowCount(); ++r)
            entries.push_back(list.EntryIndex(r));
        EXPECT_EQ(entries, row.entries);
        if (!row.folders.empty()) {
            EXPECT_EQ(list.folders(), row.folders);
        }
        list.SetFolder(std::nullopt);  // the flat list again
        list.Rebuild(*doc);
        EXPECT_GT(list.rowCount(), static_cast<int>(row.entries.size()));
    }
}

// The filter finds a name however its width and case were typed, and a name stored
// decomposed; it keeps the rows it lets through in their order.
TEST(SearchTextTest, WidthAndCaseDoNotMatter) {
    struct Row {
        WStringView name;
        WStringView typed;
        bool found;
    };
    const Row rows[] = {
        {u"カタカナ.txt", u"ｶﾀｶﾅ", true},
        {u"データ.csv", u"ﾃﾞｰﾀ", true},
        {u"ﾃﾞｰﾀ.csv", u"データ", true},
        {u"ポスター.png", u"ﾎﾟｽﾀｰ", true},
        {u"ReadMe.TXT", u"readme.txt", true},
        {u"ＲＥＡＤＭＥ.txt", u"readme", true},
        {u"Café.txt", u"CAFÉ", true},
        {u"か\u3099き.txt", u"がき", true},  // stored decomposed, as macOS writes names
        {u"会議　資料.txt", u"会議 資料", true},
        {u"カタカナ.txt", u"ひらがな", false},
        {u"データ.csv", u"ﾃｰﾀ", false},  // a voiced mark is part of the kana
        {u"a.txt", u"", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.name) + " / " + Utf8(row.typed));
        EXPECT_EQ(ContainsFolded(row.name, FoldForSearch(row.typed)), row.found);
    }
}

TEST_F(MemberListTest, TheFilterKeepsTheMatchingRowsInOrder) {
    Start();
    settings.DisplayFolder = 1;
    ASSERT_EQ(doc->OpenArchive(Fixture("lzh/jlha_l0_lh5.lzh")), 1);
    MemberList list;
    list.SetFilter(u"ＴＸＴ");
    list.Rebuild(*doc);
    std::vector<int> entries;
    for (int r = 0; r < list.rowCount(); ++r)
        entries.push_back(list.EntryIndex(r));
    EXPECT_EQ(entries, (std::vector<int>{0, 2, 4}));  // no folder rows
}

// b.txt and c.txt of both archives claim a method no decoder takes: their rows say which.
TEST_F(MemberListTest, UnsupportedMembersSayWhy) {
    Start();
    for (const auto& [fixture, method] : {std::pair{"document/faults.lzh", "-lh9-"},
                                          std::pair{"document/faults.zip", "WavPack (97)"}}) {
        SCOPED_TRACE(fixture);
        doc->CloseArchive();
        ASSERT_EQ(doc->OpenArchive(Fixture(fixture)), 1);
        MemberList list;
        list.Rebuild(*doc);
        std::vector<std::string> notes;
        for (int r = 0; r < list.rowCount(); ++r)
            notes.push_back(Utf8(list.UnsupportedNote(r)));
        const std::string note = std::string("非対応：") + method;
        EXPECT_EQ(notes, (std::vector<std::string>{"", note, note, "", ""}));
    }
}

TEST_F(MemberListTest, LzhTimesAreShownLocalAndZipTimesAsStored) {
    // Both archives hold 2021-03-04 05:06:08 made under UTC: the LZH header keeps it as
    // UTC, the ZIP header as the clock showed it.
    ScopedTimeZone japan("JST-9");
    EXPECT_EQ(Listing("lzh/jlha_sjis_l2.lzh", 1).front(),
              "0 | 表ソ能.txt | 300 | 177 | 59.0% | 2021/03/04 14:06:08 | A | ");
    doc->CloseArchive();
    MemberList list;
    ASSERT_EQ(doc->OpenArchive(Fixture("zip/infozip-folders.zip")), 1);
    list.Rebuild(*doc);
    EXPECT_EQ(Utf8(list.CellText(6, 0)), "表示.txt");
    EXPECT_EQ(Utf8(list.CellText(6, 4)), "2021/03/04 05:06:08");
}

TEST_F(MemberListTest, ClosedDocumentHasNoRowsAndCellsOutsideAreEmpty) {
    Listing("lzh/jlha_l0_lh5.lzh", 1);
    MemberList list;
    list.Rebuild(*doc);
    EXPECT_EQ(list.CellText(0, 7), u"");
    EXPECT_EQ(list.CellText(8, 0), u"");
    EXPECT_EQ(list.CellText(-1, 0), u"");
    doc->CloseArchive();
    list.Rebuild(*doc);
    EXPECT_EQ(list.rowCount(), 0);
}

TEST(MemberFormatTest, DigitsAreGroupedInThreesFromTheRight) {
    EXPECT_EQ(GroupDigits(0), u"0");
    EXPECT_EQ(GroupDigits(123), u"123");
    EXPECT_EQ(GroupDigits(1000), u"1,000");
    EXPECT_EQ(GroupDigits(12345), u"12,345");
    EXPECT_EQ(GroupDigits(123456), u"123,456");
    EXPECT_EQ(GroupDigits(1234567), u"1,234,567");
    EXPECT_EQ(GroupDigits(4294967295u), u"4,294,967,295");
}

TEST(MemberFormatTest, RatioHasOneDecimalAndAnEmptyMemberCountsAsAHundred) {
    EXPECT_EQ(FormatRatio(0, 0), u"100.0%");
    EXPECT_EQ(FormatRatio(333, 1000), u"33.3%");
    EXPECT_EQ(FormatRatio(1, 3), u"33.3%");
    EXPECT_EQ(FormatRatio(2, 3), u"66.7%");
    EXPECT_EQ(FormatRatio(0, 5), u"0.0%");
    // Stored members grow a little; the ratio may pass 100%.
    EXPECT_EQ(FormatRatio(1012, 1000), u"101.2%");
    EXPECT_EQ(FormatRatio(4294967295u, 1), u"429496729500.0%");
}

TEST(MemberFormatTest, AttributesShowTheirLettersInFixedOrder) {
    EXPECT_EQ(FormatAttributes(0x00), u"");
    EXPECT_EQ(FormatAttributes(0x21), u"RA");
    EXPECT_EQ(FormatAttributes(0x27), u"RHSA");
    // Folder and other bits have no letter.
    EXPECT_EQ(FormatAttributes(0x10 | 0x80 | 0x02), u"H");
}

TEST(MemberFormatTest, TimesAreZeroPaddedExceptTheYear) {
    platform::CalendarTime c;
    c.year = 1980;
    c.month = 1;
    c.day = 2;
    c.hour = 3;
    c.minute = 4;
    c.second = 5;
    FileTime t = 0;
    ASSERT_TRUE(platform::CalendarToFileTime(c, &t));
    EXPECT_EQ(FormatTime(t), u"1980/01/02 03:04:05");
    EXPECT_EQ(FormatTime(1), u"1601/01/01 00:00:00");
    // No time stored (an MS-DOS date that is no calendar day): an empty cell.
    EXPECT_EQ(FormatTime(kNoFileTime), u"");
    // Past the last calendar year a time has no text.
    EXPECT_EQ(FormatTime(~FileTime{0}), u"");
}

}  // namespace
}  // namespace quillory::testing
