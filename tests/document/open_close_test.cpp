// Opening and closing through the document: which reader takes each kind of path and
// content, the fallbacks, the open command's questions and remembered folder, the warnings of a
// damaged LZH listing, the archive-name bar and the views.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "document/commands.h"
#include "document/recent_archives.h"
#include "platform/path.h"
#include "tests/document/document_fixture.h"

namespace quillory::testing {
namespace {

class OpenCloseTest : public DocumentTest {
protected:
    void SetUp() override { Start(); }
};

TEST_F(OpenCloseTest, KnownExtensionsChooseOneReaderUnlessTheContentSaysOtherwise) {
    EXPECT_EQ(doc->OpenArchive(Copy("lzh/jlha_l1_lh6.lzh", "a.lzh")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
    doc->CloseArchive();
    EXPECT_EQ(doc->OpenArchive(Copy("zip/infozip-deflate.zip", "a.zip")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
    doc->CloseArchive();
    // A ZIP archive named .lzh, and an LZH archive named .zip, open by their content.
    EXPECT_EQ(doc->OpenArchive(Copy("zip/infozip-stored.zip", "zip-inside.lzh")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
    doc->CloseArchive();
    EXPECT_EQ(doc->OpenArchive(Copy("lzh/jlib_lzs.lzh", "lzh-inside.zip")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
    doc->CloseArchive();
    // A file that is neither stays with the reader its name chose, which refuses it.
    EXPECT_EQ(doc->OpenArchive(Copy("document/README", "text.zip")), 0);
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
    EXPECT_EQ(doc->isOpen, 0);
}

TEST_F(OpenCloseTest, OtherExtensionsTryLzhThenZip) {
    // Capitals are another extension.
    EXPECT_EQ(doc->OpenArchive(Copy("zip/infozip-deflate.zip", "b.LZH")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
    doc->CloseArchive();
    EXPECT_EQ(doc->OpenArchive(Copy("lzh/jlha_l2_lh5.lzh", "b.ZIP")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
    doc->CloseArchive();
    // A '.' in a folder name makes the rest of the path the "extension".
    EXPECT_EQ(doc->OpenArchive(Copy("zip/infozip-deflate.zip", "a.b/archive")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
    doc->CloseArchive();
    // .lha, .lzs (LArc) and .LZH, LZH archives' other names, reach the LZH reader first.
    for (const char* name : {"c.arc", "c.lha", "c.lzs", "c.LZH"}) {
        EXPECT_EQ(doc->OpenArchive(Copy("lzh/jlha_l2_lh5.lzh", name)), 1);
        EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
        doc->CloseArchive();
    }
    // An .exe is searched for an archive after its start, so a plain archive is none.
    EXPECT_EQ(doc->OpenArchive(Copy("lzh/jlha_l2_lh5.lzh", "c.exe")), 0);
    EXPECT_EQ(doc->isOpen, 0);
}

TEST_F(OpenCloseTest, WarnedLzhListingGivesWayToZipOnlyWhenEitherMayOpen) {
    // Read as LZH, this ZIP archive gives one nonsense member and the end-mark warning.
    const WString zip = Copy("zip/infozip-deflate.zip", "d.ZIP");
    EXPECT_EQ(doc->OpenArchive(zip), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
    EXPECT_EQ(doc->EntryCount(), 3);
    EXPECT_TRUE(doc->lzhArchive->entries().empty());
    EXPECT_TRUE(user.Talk().empty());
    doc->CloseArchive();
    // A real LZH archive with a warning stays LZH, and the warning shows.
    EXPECT_EQ(doc->OpenArchive(Copy("document/no-end-mark.lzh", "e.bin")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
    EXPECT_EQ(user.Talk(),
              std::vector<std::string>{"message: 警告：ファイルの末尾にエンドマークがありません"});
    doc->CloseArchive();
    user.log.clear();
    // A header cut after good members: they stay, and the damage is told.
    Bytes cut = ReadHostFile(FixturesDir() / "document/plain.lzh");
    cut.pop_back();  // the end mark
    const Bytes partial = ToBytes("\x18\x00-lh0-abc");
    cut.insert(cut.end(), partial.begin(), partial.end());
    WriteHostFile(temp.Host("cut.lzh"), cut);
    EXPECT_EQ(doc->OpenArchive(temp.Program("cut.lzh")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
    EXPECT_GT(doc->EntryCount(), 0);
    EXPECT_EQ(user.Talk(),
              std::vector<std::string>{"message: 警告：書庫の途中でヘッダが壊れています。"
                                       "それより前のファイルだけを扱います"});
}

TEST_F(OpenCloseTest, PathWithoutDotUsesThePreviousArchivesReader) {
    ASSERT_EQ(WString(temp.Program()).find(u'.'), WString::npos) << "scratch path has a dot";
    const WString zipNoDot = Copy("zip/infozip-deflate.zip", "zipfile");
    const WString lzhNoDot = Copy("lzh/jlha_l2_lh5.lzh", "lzhfile");
    // A ZIP archive behind a few bytes: its first bytes say nothing of its kind.
    Bytes hidden = ToBytes("prefix");
    const Bytes zip = ReadHostFile(FixturesDir() / "zip/infozip-deflate.zip");
    hidden.insert(hidden.end(), zip.begin(), zip.end());
    WriteHostFile(temp.Host("hiddenzip"), hidden);
    // Nothing opened yet: None tries both.
    EXPECT_EQ(doc->OpenArchive(zipNoDot), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
    doc->CloseArchive();
    // After a ZIP archive the ZIP reader is tried, unless the content says LZH.
    EXPECT_EQ(doc->OpenArchive(lzhNoDot), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
    doc->CloseArchive();
    // After an LZH archive only the LZH reader is tried for a file that says nothing.
    EXPECT_EQ(doc->OpenArchive(temp.Program("hiddenzip")), 0);
    EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
    EXPECT_EQ(doc->OpenArchive(Copy("zip/infozip-stored.zip", "storedzip")), 1);
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
}

TEST_F(OpenCloseTest, OpenCommandOpensListsAndRemembersTheFolder) {
    const WString path = Copy("lzh/jlha_l0_lh5.lzh", "in/a.lzh");
    user.archivePaths = {path};
    profile.ClearLog();
    ASSERT_TRUE(doc->OnCommand(kCommandFileOpen));
    EXPECT_EQ(doc->isOpen, 1);
    EXPECT_EQ(user.nameBar, path);
    EXPECT_EQ(view.updates, 1);
    ASSERT_EQ(user.log.size(), 3u);
    EXPECT_EQ(user.log[1], "name bar: " + Utf8(path));
    EXPECT_EQ(user.log[2], "repaint");
    EXPECT_EQ(settings.lastOpenFolder, temp.Program("in") + u"\\");
    ASSERT_FALSE(profile.log().empty());
    EXPECT_EQ(profile.log().back().kind, platform::MemoryProfile::Access::WriteString);
    EXPECT_EQ(profile.log().back().section, u"LastFolder");
    EXPECT_EQ(profile.log().back().name, u"Startup");
    EXPECT_EQ(profile.log().back().value, temp.Program("in") + u"\\");
    // It is the newest of the recent archives, which keep eight, each once.
    EXPECT_EQ(ReadRecentArchives(profile), std::vector<WString>{path});
    for (int i = 0; i < 9; ++i)
        AddRecentArchive(profile, temp.Program(std::to_string(i)));
    AddRecentArchive(profile, temp.Program("5"));
    const std::vector<WString> recent = ReadRecentArchives(profile);
    ASSERT_EQ(recent.size(), 8u);
    EXPECT_EQ(recent[0], temp.Program("5"));
    EXPECT_EQ(recent[1], temp.Program("8"));
    EXPECT_EQ(recent[7], temp.Program("1"));

    // The next open starts in that folder (StartupFolder 1), or in My Documents (0).
    user.archivePaths = {std::nullopt, std::nullopt};
    doc->OnFileOpen();
    settings.StartupFolder = 0;
    doc->OnFileOpen();
    EXPECT_EQ(user.openInitialFolders.back(), temp.Program("Documents") + u"\\");
    EXPECT_EQ(user.openInitialFolders[1], temp.Program("in") + u"\\");
}

TEST_F(OpenCloseTest, CancelledOpenDialogChangesNothing) {
    user.archivePaths = {std::nullopt};
    profile.ClearLog();
    doc->OnFileOpen();
    EXPECT_EQ(doc->isOpen, 0);
    EXPECT_TRUE(profile.log().empty());
    EXPECT_EQ(view.updates, 0);
    EXPECT_TRUE(user.Talk().empty());
}

TEST_F(OpenCloseTest, OpenWhileOpenAsksAndNoKeepsTheOldArchive) {
    const WString first = Copy("lzh/jlha_l0_lh5.lzh", "first/a.lzh");
    const WString second = Copy("zip/infozip-folders.zip", "second/b.zip");
    user.archivePaths = {first, second, second};
    user.yesNo = {false, true};
    doc->OnFileOpen();
    profile.ClearLog();
    const int updates = view.updates;

    doc->OnFileOpen();  // answered No
    EXPECT_EQ(doc->archiveType, ArchiveType::Lzh);
    EXPECT_EQ(user.nameBar, first);
    EXPECT_EQ(view.updates, updates);
    EXPECT_TRUE(profile.log().empty());

    doc->OnFileOpen();  // answered Yes: closed (views updated), then opened (again)
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
    EXPECT_EQ(user.nameBar, second);
    EXPECT_EQ(view.updates, updates + 2);
    EXPECT_EQ(settings.lastOpenFolder, temp.Program("second") + u"\\");
    const std::vector<std::string> talk = {
        "question: 現在開いている書庫を閉じますか？ -> no",
        "question: 現在開いている書庫を閉じますか？ -> yes",
    };
    EXPECT_EQ(user.Talk(), talk);
}

TEST_F(OpenCloseTest, FailedOpenReportsAndStillRemembersTheFolder) {
    const WString bad = Copy("document/README", "bad/notes.txt");
    user.archivePaths = {bad};
    doc->OnFileOpen();
    EXPECT_EQ(doc->isOpen, 0);
    // The message names the file and why it did not open.
    EXPECT_EQ(user.Talk(), std::vector<std::string>{"message: 書庫を開けませんでした。\n" +
                                                    Utf8(platform::DisplayPath(bad)) +
                                                    "\n理由：LZH書庫でもZIP書庫でもありません。"});
    EXPECT_EQ(view.updates, 0);
    EXPECT_EQ(profile.GetString(u"LastFolder", u"Startup", u""), temp.Program("bad") + u"\\");
}

// Each reason a file does not open, named with the file.
TEST_F(OpenCloseTest, FailedOpenNamesTheReason) {
    Bytes zip = ReadHostFile(FixturesDir() / "document/ten.zip");
    zip.resize(20);  // the first local header cut short: no directory, no member
    WriteHostFile(temp.Host("cut.zip"), zip);
    Bytes lzh = ReadHostFile(FixturesDir() / "document/plain.lzh");
    lzh.resize(12);  // the first header cut short after its method
    WriteHostFile(temp.Host("cut.lzh"), lzh);
    // Files of other formats, by their signatures (tar's and ISO's lie past the start).
    WriteHostFile(temp.Host("a.rar"), "Rar!\x1A\x07\x01\x00" + std::string(40, '\0'));
    WriteHostFile(temp.Host("rar.lzh"), "Rar!\x1A\x07\x00" + std::string(40, '\0'));
    WriteHostFile(temp.Host("a.png"), "\x89PNG\r\n\x1A\n" + std::string(40, '\0'));
    WriteHostFile(temp.Host("a.tar"), std::string(257, 'a') + "ustar" + std::string(250, '\0'));
    WriteHostFile(temp.Host("a.iso"), std::string(32769, '\0') + "CD001");
    WriteHostFile(temp.Host("tool"),
                  "\x7F"
                  "ELF" +
                      std::string(60, '\x02'));
    // A program without an archive in it is named too; so is one that carries an archive
    // the readers refuse, as the program is what the file is.
    WriteHostFile(temp.Host("setup.exe"), "MZ" + std::string(600, '\x90'));
    // An LZH header whose sum is wrong opens only in a file named .lzh (the open test of
    // the warning); under another name it is damage, not an archive taken on a guess.
    std::filesystem::copy_file(FixturesDir() / "document/header-sum.lzh",
                               temp.Host("header-sum.lha"));
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"missing.lzh", "ファイルまたはフォルダが見つかりません。"},
        {"cut.zip", "書庫のヘッダまたはディレクトリが壊れています。"},
        {"cut.lzh", "書庫のヘッダまたはディレクトリが壊れています。"},
        {"a.rar", "RAR形式のファイルには対応していません。"},
        {"rar.lzh", "RAR形式のファイルには対応していません。"},
        {"a.png", "PNG形式のファイルには対応していません。"},
        {"a.tar", "tar形式のファイルには対応していません。"},
        {"a.iso", "ISO形式のファイルには対応していません。"},
        {"tool", "ELF形式のファイルには対応していません。"},
        {"setup.exe", "PE形式のファイルには対応していません。"},
        {"header-sum.lha", "書庫のヘッダまたはディレクトリが壊れています。"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doc->OpenArchive(temp.Program(c.name)), 0) << c.name;
        doc->ShowOpenFailure(temp.Program(c.name));
        EXPECT_EQ(user.Talk().back(), "message: 書庫を開けませんでした。\n" +
                                          Utf8(platform::DisplayPath(temp.Program(c.name))) +
                                          "\n理由：" + c.reason);
    }
}

TEST_F(OpenCloseTest, ListingWarningsComeAfterAnOpenThatSucceeds) {
    // A download cut off in the data of its fifth member: four whole ones and that one.
    Bytes zip = ReadHostFile(FixturesDir() / "document/ten.zip");
    zip.resize(1000);
    WriteHostFile(temp.Host("cut.zip"), zip);
    user.archivePaths = {Fixture("document/no-end-mark.lzh"), Fixture("document/header-sum.lzh"),
                         temp.Program("cut.zip")};
    user.yesNo = {true, true};
    doc->OnFileOpen();
    EXPECT_EQ(doc->isOpen, 1);
    EXPECT_TRUE(doc->OpenWarning());
    doc->OnFileOpen();
    EXPECT_EQ(doc->isOpen, 1);
    EXPECT_EQ(doc->EntryCount(), 2);
    doc->OnFileOpen();
    EXPECT_EQ(doc->isOpen, 1);
    EXPECT_EQ(doc->EntryCount(), 5);
    const std::vector<std::string> talk = {
        "message: 警告：ファイルの末尾にエンドマークがありません",
        "question: 現在開いている書庫を閉じますか？ -> yes",
        "message: 警告：ヘッダCRCまたはヘッダチェックサムエラーです",
        "question: 現在開いている書庫を閉じますか？ -> yes",
        "message: "
        "警告：書庫の中央ディレクトリが見つからないため、各ファイルのヘッダから読み取りました",
    };
    EXPECT_EQ(user.Talk(), talk);
    doc->CloseArchive();
    EXPECT_FALSE(doc->OpenWarning());
}

TEST_F(OpenCloseTest, CloseEmptiesTheNameBarAndUpdatesEvenWhenNothingIsOpen) {
    doc->OnCommand(kCommandFileClose);
    EXPECT_EQ(view.updates, 1);
    ASSERT_EQ(doc->OpenArchive(Fixture("zip/infozip-stored.zip")), 1);
    EXPECT_EQ(user.nameBar, Fixture("zip/infozip-stored.zip"));
    doc->OnCommand(kCommandFileClose);
    EXPECT_EQ(view.updates, 2);
    EXPECT_EQ(doc->isOpen, 0);
    EXPECT_EQ(user.nameBar, u"");
    EXPECT_EQ(doc->EntryCount(), 0);
    // The kind of the last archive stays for paths without an extension.
    EXPECT_EQ(doc->archiveType, ArchiveType::Zip);
}

// The menu of encodings re-reads the archive in hand in the same reader at once; closing
// it (as the open command does) goes back to the per-archive decision.
TEST_F(OpenCloseTest, AChosenEncodingRereadsTheArchiveInHandOnly) {
    const WString path = Copy("zip/infozip-utf8-names.zip", "names.zip");
    ASSERT_EQ(doc->OpenArchive(path), 1);
    const auto names = [&] {
        return Utf8(WString(doc->zipArchive->entries()[0].name)) + " " +
               Utf8(WString(doc->zipArchive->entries()[1].name));
    };
    EXPECT_EQ(names(), "が.txt 日本語.txt");
    const int updates = view.updates;
    ASSERT_TRUE(doc->OnCommand(kCommandEncodingCp932));
    EXPECT_EQ(doc->nameEncoding(), "CP932");
    EXPECT_EQ(names(), "縺九ｙ.txt 譌･譛ｬ隱\uFFFD9E.txt");
    EXPECT_EQ(view.updates, updates + 1);
    doc->OnCommand(kCommandEncodingAuto);
    EXPECT_EQ(names(), "が.txt 日本語.txt");
    EXPECT_FALSE(doc->ChooseNameEncoding("no-such-encoding"));
    EXPECT_EQ(doc->nameEncoding(), "");

    doc->OnCommand(kCommandEncodingUtf8);
    user.archivePaths = {Copy("zip/infozip-folders.zip", "b.zip")};
    user.yesNo = {true};
    doc->OnFileOpen();
    EXPECT_EQ(doc->nameEncoding(), "");
    EXPECT_EQ(Utf8(WString(doc->zipArchive->entries().back().name)), "表示.txt");
    // The names are read again from the bytes open, also when the file went away since.
    std::filesystem::remove(temp.Host("b.zip"));
    doc->OnCommand(kCommandEncodingDos);
    EXPECT_EQ(doc->isOpen, 1);
    EXPECT_EQ(doc->nameEncoding(), "CP437");
    EXPECT_EQ(doc->EntryCount(), 7);
}

// A split set opens from any of its parts, as one archive. With one part missing (each
// in turn), the members before it open with a warning naming it, and a set with nothing
// before the gap fails with that reason; either way the part is named.
TEST_F(OpenCloseTest, SplitSetsOpenFromAnyPartAndNameAMissingOne) {
    namespace fs = std::filesystem;
    struct Set {
        std::vector<std::string> parts;
        int members;
        int damaged;
    };
    std::vector<Set> sets;
    // PKWARE's three disks, as zip -s writes them.
    fs::create_directories(temp.Host("pkware"));
    Set pkware{{}, 3, 0};
    for (const char* part : {"set.z01", "set.z02", "set.zip"}) {
        fs::copy_file(FixturesDir() / "document/split" / part, temp.Host("pkware") / part);
        pkware.parts.push_back("pkware/" + std::string(part));
    }
    sets.push_back(pkware);
    // Pieces of ten.zip (m4.txt damaged) cut at any byte, as 7-Zip's volumes are.
    const Bytes ten = ReadHostFile(FixturesDir() / "document/ten.zip");
    for (const std::size_t count : {2, 3, 10}) {
        const std::string folder = "pieces" + std::to_string(count);
        fs::create_directories(temp.Host(folder));
        Set pieces{{}, 10, 1};
        const std::size_t each = (ten.size() + count - 1) / count;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string number = std::to_string(i + 1);
            const std::string part =
                folder + "/ten.zip." + std::string(3 - number.size(), '0') + number;
            const auto from = ten.begin() + static_cast<std::ptrdiff_t>(i * each);
            WriteHostFile(temp.Host(part), Bytes(from, from + static_cast<std::ptrdiff_t>(std::min(
                                                                  each, ten.size() - i * each))));
            pieces.parts.push_back(part);
        }
        sets.push_back(pieces);
    }
    for (const Set& set : sets) {
        SCOPED_TRACE(set.parts.front());
        // Whole, from each part.
        for (const std::string& part : set.parts) {
            ASSERT_EQ(doc->OpenArchive(temp.Program(part)), 1) << part;
            EXPECT_FALSE(doc->OpenWarning());
            EXPECT_EQ(doc->EntryCount(), set.members);
            EXPECT_EQ(doc->OnTest().damagedCount, set.damaged);
            doc->CloseArchive();
        }
        for (std::size_t gap = 0; gap < set.parts.size(); ++gap) {
            const std::string& missing = set.parts[gap];
            SCOPED_TRACE("without " + missing);
            const fs::path aside = temp.Host("aside");
            fs::rename(temp.Host(missing), aside);
            const std::string& given = set.parts[gap == 0 ? set.parts.size() - 1 : 0];
            const std::string named = "分割された書庫の一部 [" +
                                      fs::path(missing).filename().string() +
                                      "] が見つかりません。";
            user.log.clear();
            if (doc->OpenArchive(temp.Program(given)) == 1) {
                EXPECT_EQ(user.Talk(), std::vector<std::string>{"message: " + named});
                EXPECT_TRUE(doc->OpenWarning());
                EXPECT_LT(doc->EntryCount() - doc->OnTest().damagedCount, set.members);
                doc->CloseArchive();
            } else {
                EXPECT_EQ(gap, 0u);
                doc->ShowOpenFailure(temp.Program(given));
                const std::string text = user.Talk().back();
                EXPECT_EQ(text.substr(text.size() - named.size()), named);
            }
            fs::rename(aside, temp.Host(missing));
        }
    }
}

TEST(CommandTest, RoutingAndEnabling) {
    for (int id : {57601, 57602, 32771, 32773, 32775}) {
        EXPECT_EQ(CommandTargetOf(id), CommandTarget::Document) << id;
    }
    EXPECT_EQ(CommandTargetOf(32774), CommandTarget::View);
    EXPECT_EQ(CommandTargetOf(57664), CommandTarget::Application);
    EXPECT_EQ(CommandTargetOf(57665), CommandTarget::Framework);
    EXPECT_EQ(CommandTargetOf(57600), CommandTarget::Framework);
    for (int id : {57603, 57634, 57635, 57637, 57643, 57680, 57681}) {
        EXPECT_EQ(CommandTargetOf(id), CommandTarget::None) << id;
    }
    for (int id : {32771, 32773, 32774, 57602, 32780, 32787}) {
        EXPECT_FALSE(IsCommandEnabled(id, 0)) << id;
        EXPECT_TRUE(IsCommandEnabled(id, 1)) << id;
    }
    EXPECT_EQ(CommandTargetOf(32780), CommandTarget::Document);
    EXPECT_EQ(CodePageOfCommand(32782), "UTF-8");
    for (int id : {57601, 32775, 57664, 57665})
        EXPECT_TRUE(IsCommandEnabled(id, 0)) << id;
}

}  // namespace
}  // namespace quillory::testing
