// Extract all, extract selected and test, run whole on real archives of both kinds: the
// destination rules, the archive-named folder, progress, the damaged-member messages, the
// summaries and their counts, declined questions and the remembered folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "document/commands.h"
#include "document/member_list.h"
#include "tests/document/document_fixture.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

class ExtractionTest : public DocumentTest {
protected:
    void SetUp() override { Start(); }

    void Open(const std::string& fixture) {
        ASSERT_EQ(doc->OpenArchive(Fixture(fixture)), 1) << fixture;
        user.log.clear();
    }
};

TEST_F(ExtractionTest, ExtractAllIntoTheArchiveNamedFolderWithFolders) {
    ASSERT_EQ(doc->OpenArchive(Copy("lzh/jlha_l0_lh5.lzh", "in/data.set.lzh")), 1);
    user.destinations = {Destination(temp.Program("out"), 1, 1)};
    profile.ClearLog();
    ASSERT_TRUE(doc->OnCommand(kCommandExtractAll));

    // The dialog proposed the remembered folder (My Documents on a first run) and the
    // two boxes from the settings.
    ASSERT_EQ(user.destinationsShown.size(), 1u);
    EXPECT_EQ(user.destinationsShown[0].folder, temp.Program("Documents") + u"\\");
    EXPECT_EQ(user.destinationsShown[0].createFolder, 1);
    EXPECT_EQ(user.destinationsShown[0].useFolders, 1);

    const fs::path out = temp.Host("out/data.set");
    EXPECT_EQ(fs::file_size(out / "text.txt"), 6000u);
    EXPECT_EQ(fs::file_size(out / "data.bin"), 5000u);
    EXPECT_EQ(fs::file_size(out / "empty.txt"), 0u);
    EXPECT_EQ(fs::file_size(out / "docs/readme.txt"), 700u);
    EXPECT_EQ(fs::file_size(out / "docs/img/pic.bin"), 1500u);
    EXPECT_TRUE(fs::is_directory(out / "docs/empty"));
    EXPECT_EQ(user.Talk(), std::vector<std::string>{"message: 展開終了"});

    // One step per entry, folder entries included, the name shown before each.
    EXPECT_EQ(user.progressRanges, std::vector<int>{8});
    EXPECT_EQ(user.progressSteps, 8);
    const std::vector<WString> names = {u"text.txt",   u"data.bin", u"empty.txt", u"",
                                        u"readme.txt", u"",         u"pic.bin",   u""};
    EXPECT_EQ(user.progressNames, names);
    EXPECT_EQ(user.progressOpen, 0);

    // The folder as typed is remembered, not the one named after the archive.
    EXPECT_EQ(settings.lastExtractFolder, temp.Program("out"));
    ASSERT_EQ(profile.log().size(), 1u);
    EXPECT_EQ(profile.log()[0].section, u"LastFolder");
    EXPECT_EQ(profile.log()[0].name, u"Extract");
    EXPECT_EQ(profile.log()[0].value, temp.Program("out"));
}

// The archive-named folder is one real child of the destination whatever the archive is
// called, and an empty or relative destination is refused, never taken from a current
// folder.
TEST_F(ExtractionTest, ArchiveNamedFoldersStayBelowAndDestinationsMustBeAbsolute) {
    ASSERT_EQ(doc->OpenArchive(Copy("document/plain.lzh", "in/...lzh")), 1);
    user.destinations = {Destination(temp.Program("in"), 1, 1)};
    EXPECT_TRUE(doc->OnExtractAll().ran);
    EXPECT_TRUE(fs::exists(temp.Host("in/_...lzh/a.txt")));
    EXPECT_FALSE(fs::exists(temp.Host("a.txt")));

    for (const WString& folder : {WString(), WString(u"rel"), WString(u".")}) {
        user.log.clear();
        user.destinations = {Destination(folder, 0, 1)};
        EXPECT_FALSE(doc->OnExtractAll().ran);
        EXPECT_EQ(user.Talk(), std::vector<std::string>{
                                   "message: 展開先のフォルダを絶対パスで指定してください。"});
    }
    EXPECT_EQ(settings.lastExtractFolder, temp.Program("in"));
}

TEST_F(ExtractionTest, ExtractAllWithoutFoldersPutsEveryFileInTheDestination) {
    Open("zip/infozip-folders.zip");
    user.destinations = {Destination(temp.Program("flat") + u"\\", 0, 0)};
    fs::create_directories(temp.Host("flat"));
    const RunSummary summary = doc->OnExtractAll();
    EXPECT_TRUE(summary.ran);
    EXPECT_EQ(summary.memberCount, 7);
    EXPECT_EQ(fs::file_size(temp.Host("flat/readme.txt")), 55u);
    EXPECT_EQ(fs::file_size(temp.Host("flat/deep.txt")), 18u);
    EXPECT_EQ(fs::file_size(temp.Host("flat/表示.txt")), 15u);
    EXPECT_FALSE(fs::exists(temp.Host("flat/docs")));
    EXPECT_FALSE(fs::exists(temp.Host("flat/empty-folder")));
    EXPECT_EQ(user.Talk(), std::vector<std::string>{"message: 展開終了"});
}

TEST_F(ExtractionTest, UnsupportedAndDamagedMembersAreCountedInTheSummary) {
    // The summary names the unsupported methods, each once.
    for (const auto& [fixture, method] : {std::pair{"document/faults.lzh", "-lh9-"},
                                          std::pair{"document/faults.zip", "WavPack (97)"}}) {
        SCOPED_TRACE(fixture);
        doc->CloseArchive();
        Open(fixture);
        user.destinations = {Destination(temp.Program(fixture), 1, 1)};
        const RunSummary summary = doc->OnExtractAll();
        EXPECT_EQ(summary.unsupportedCount, 2);
        EXPECT_EQ(summary.damagedCount, 1);
        const std::vector<std::string> talk = {
            "message: ファイルが壊れています。 [d.txt]",
            std::string("message: 展開終了\n非対応圧縮ファイル数 2\n非対応の方式 ") + method +
                "\n不正ファイル数 1",
        };
        EXPECT_EQ(user.Talk(), talk);
        // The damage is reported at once, while the run goes on.
        EXPECT_EQ(user.log[0].rfind("destination: ", 0), 0u);
        EXPECT_EQ(user.log[1], "progress: 5");
        EXPECT_EQ(user.log[2], talk[0]);
        EXPECT_EQ(user.log[3], "progress closed");
        EXPECT_TRUE(fs::exists(temp.Host(std::string(fixture) + "/faults/e.txt")));
    }
}

TEST_F(ExtractionTest, TestCountsOnlyDamageAndReportsAgainstEveryEntry) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"document/faults.lzh",
         {"message: ファイルが壊れています。 [d.txt]",
          "message: 5ファイル中1ファイルが不正です。\n非対応圧縮ファイル数 2\n非対応の方式 -lh9-"}},
        {"document/faults.zip",
         {"message: ファイルが壊れています。 [d.txt]",
          "message: 5ファイル中1ファイルが不正です。\n非対応圧縮ファイル数 2\n非対応の方式 "
          "WavPack (97)"}},
        {"document/ten.lzh",
         {"message: ファイルが壊れています。 [m4.txt]",
          "message: 10ファイル中1ファイルが不正です。"}},
        {"document/ten.zip",
         {"message: ファイルが壊れています。 [m4.txt]",
          "message: 10ファイル中1ファイルが不正です。"}},
        {"lzh/jlha_l2_lh7.lzh", {"message: すべてのファイルは正常です。"}},
        {"zip/7zz-deflate64.zip", {"message: すべてのファイルは正常です。"}},
    };
    for (const auto& [fixture, talk] : cases) {
        SCOPED_TRACE(fixture);
        doc->CloseArchive();
        Open(fixture);
        profile.ClearLog();
        ASSERT_TRUE(doc->OnCommand(kCommandTest));
        EXPECT_EQ(user.Talk(), talk);
        // No destination, nothing written, nothing remembered.
        EXPECT_TRUE(user.destinationsShown.empty());
        EXPECT_TRUE(profile.log().empty());
        EXPECT_EQ(user.progressRanges.back(), doc->EntryCount());
    }
    // Nothing but the two special folders is in the scratch folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 2);
}

TEST_F(ExtractionTest, DeclinedOverwritesGiveAPlainSummaryAndKeepTheFiles) {
    for (const char* fixture : {"document/plain.lzh", "zip/infozip-deflate.zip"}) {
        SCOPED_TRACE(fixture);
        doc->CloseArchive();
        Open(fixture);
        doc->ApplyOverwriteChoice(kOverwriteAlwaysAsk);
        const WString out = temp.Program("again");
        user.destinations = {Destination(out, 0, 1), Destination(out, 0, 1)};
        doc->OnExtractAll();
        std::vector<fs::path> files;
        for (const auto& item : fs::directory_iterator(temp.Host("again"))) {
            files.push_back(item.path());
            WriteHostFile(item.path(), "mine");
        }
        user.log.clear();
        user.defaultYesNo = false;
        const RunSummary summary = doc->OnExtractAll();
        EXPECT_EQ(summary.damagedCount, 0);
        const std::vector<std::string> talk = user.Talk();
        ASSERT_EQ(talk.size(), files.size() + 1);
        EXPECT_EQ(talk.back(), "message: 展開終了");
        EXPECT_NE(talk.front().find("question: 既に["), std::string::npos);
        for (const fs::path& file : files)
            EXPECT_EQ(ReadHostFile(file), ToBytes("mine"));
        user.defaultYesNo.reset();
        fs::remove_all(temp.Host("again"));
    }
}

TEST_F(ExtractionTest, RefusedUnsafePathsAreSkippedSilently) {
    for (const char* fixture : {"document/unsafe.lzh", "document/unsafe.zip"}) {
        SCOPED_TRACE(fixture);
        doc->CloseArchive();
        Open(fixture);
        user.destinations = {Destination(temp.Program("dest/inner"), 0, 1)};
        user.yesNo = {false};
        doc->OnExtractAll();
        // The stored path, and where it would really go: beside the destination.
        const std::vector<std::string> talk = {
            "question: "
            "書庫内のファイル[../evil.txt]が意図しないフォルダに展開される可能性があります。"
            "\n展開先：" +
                temp.Host("dest/evil.txt").string() + "\n展開しますか？ -> no",
            "message: 展開終了",
        };
        EXPECT_EQ(user.Talk(), talk);
        EXPECT_TRUE(fs::exists(temp.Host("dest/inner/safe.txt")));
        EXPECT_FALSE(fs::exists(temp.Host("dest/evil.txt")));
        fs::remove_all(temp.Host("dest"));
    }
}

TEST_F(ExtractionTest, ExtractSelectedTakesTheRowsItemDataTopToBottom) {
    Open("lzh/jlha_l0_lh5.lzh");
    MemberList list;
    list.Rebuild(*doc);  // folder rows hidden: rows 0..4 hold entries 0, 1, 2, 4, 6
    ASSERT_EQ(list.rowCount(), 5);
    user.destinations = {Destination(temp.Program("sel"), 0, 1)};
    const std::vector<int> rows = {4, 0};
    const RunSummary summary = list.ExtractSelected(*doc, rows);
    EXPECT_EQ(summary.memberCount, 2);
    EXPECT_EQ(user.progressRanges, std::vector<int>{2});
    EXPECT_EQ(user.progressNames, (std::vector<WString>{u"text.txt", u"pic.bin"}));
    EXPECT_TRUE(fs::exists(temp.Host("sel/text.txt")));
    EXPECT_TRUE(fs::exists(temp.Host("sel/docs/img/pic.bin")));
    EXPECT_FALSE(fs::exists(temp.Host("sel/data.bin")));
    // Hidden folder rows are never extracted.
    EXPECT_FALSE(fs::exists(temp.Host("sel/docs/empty")));
}

TEST_F(ExtractionTest, ExtractSelectedWithNothingSelectedStillAsksReportsAndRemembers) {
    Open("zip/infozip-stored.zip");
    MemberList list;
    list.Rebuild(*doc);
    user.destinations = {Destination(temp.Program("none"), 1, 1)};
    list.ExtractSelected(*doc, {});
    EXPECT_EQ(user.Talk(), std::vector<std::string>{"message: 展開終了"});
    EXPECT_EQ(user.progressRanges, std::vector<int>{0});
    EXPECT_EQ(user.progressSteps, 0);
    EXPECT_EQ(settings.lastExtractFolder, temp.Program("none"));
    EXPECT_FALSE(fs::exists(temp.Host("none")));
}

TEST_F(ExtractionTest, CancelledDestinationHasNoEffect) {
    Open("document/plain.lzh");
    user.destinations = {std::nullopt};
    profile.ClearLog();
    const RunSummary summary = doc->OnExtractAll();
    EXPECT_FALSE(summary.ran);
    EXPECT_TRUE(user.Talk().empty());
    EXPECT_TRUE(user.progressRanges.empty());
    EXPECT_TRUE(profile.log().empty());
}

TEST_F(ExtractionTest, DestinationDialogStartsWhereTheSettingSays) {
    Open("document/plain.lzh");
    settings.lastExtractFolder = u"\\last";
    for (int choice : {kExtractToMyDocuments, kExtractToLastFolder, kExtractToDesktop}) {
        settings.ExtractFolder = choice;
        user.destinations.push_back(std::nullopt);
        doc->OnExtractAll();
    }
    ASSERT_EQ(user.destinationsShown.size(), 3u);
    EXPECT_EQ(user.destinationsShown[0].folder, temp.Program("Documents") + u"\\");
    EXPECT_EQ(user.destinationsShown[1].folder, u"\\last");
    EXPECT_EQ(user.destinationsShown[2].folder, temp.Program("Desktop") + u"\\");
}

TEST_F(ExtractionTest, ArchiveWithoutEntries) {
    // A file holding only the end mark is an LZH archive with no members; a ZIP archive
    // of an end record only, one with no members.
    WriteHostFile(temp.Host("empty.lzh"), Bytes{0});
    for (const WString& path : {temp.Program("empty.lzh"), Copy("zip/python-empty.zip", "e.zip")}) {
        user.log.clear();
        ASSERT_EQ(doc->OpenArchive(path), 1);
        EXPECT_EQ(doc->EntryCount(), 0);
        user.destinations = {Destination(temp.Program("out"), 1, 1)};
        doc->OnExtractAll();
        doc->OnTest();
        const std::vector<std::string> talk = {"message: 展開終了",
                                               "message: すべてのファイルは正常です。"};
        EXPECT_EQ(user.Talk(), talk);
        doc->CloseArchive();
    }
}

// An LZH archive of count empty stored members m<i>, level-0 headers.
Bytes ManyMembers(int count) {
    Bytes archive;
    for (int i = 0; i < count; ++i) {
        const std::string name = "m" + std::to_string(i);
        const std::size_t start = archive.size();
        archive.push_back(static_cast<std::uint8_t>(22 + name.size()));  // header size S
        archive.push_back(0);                                            // checksum, below
        for (char c : std::string("-lh0-"))
            archive.push_back(static_cast<std::uint8_t>(c));
        archive.insert(archive.end(), 8, 0);                      // compressed and original size 0
        archive.insert(archive.end(), {0x84, 0x28, 0x64, 0x52});  // 2021-03-04 05:04:08
        archive.push_back(0x20);                                  // attribute: archive
        archive.push_back(0);                                     // level 0
        archive.push_back(static_cast<std::uint8_t>(name.size()));
        archive.insert(archive.end(), name.begin(), name.end());
        archive.insert(archive.end(), 2, 0);  // CRC-16 of nothing
        std::uint8_t sum = 0;
        for (std::size_t k = start + 2; k < archive.size(); ++k)
            sum += archive[k];
        archive[start + 1] = sum;
    }
    archive.push_back(0);  // end mark
    return archive;
}

TEST_F(ExtractionTest, ProgressRangeTakesMoreThanSixteenBitsOfMembers) {
    constexpr int kMembers = 70000;
    WriteHostFile(temp.Host("many.lzh"), ManyMembers(kMembers));
    ASSERT_EQ(doc->OpenArchive(temp.Program("many.lzh")), 1);
    ASSERT_EQ(doc->EntryCount(), kMembers);
    doc->OnTest();
    EXPECT_EQ(user.progressRanges, std::vector<int>{kMembers});
    EXPECT_EQ(user.progressSteps, kMembers);
    EXPECT_EQ(user.progressNames.back(), u"m69999");
    EXPECT_EQ(user.Talk(), std::vector<std::string>{"message: すべてのファイルは正常です。"});
    MemberList list;
    list.Rebuild(*doc);
    EXPECT_EQ(list.rowCount(), kMembers);
    EXPECT_EQ(Utf8(list.CellText(kMembers - 1, 0)), "m69999");
}

TEST_F(ExtractionTest, CommandsNeedAnOpenArchive) {
    EXPECT_FALSE(doc->OnExtractAll().ran);
    EXPECT_FALSE(doc->OnTest().ran);
    EXPECT_FALSE(doc->ExtractEntries(std::vector<int>{0}).ran);
    EXPECT_TRUE(user.log.empty());
}

}  // namespace
}  // namespace quillory::testing
