// Start-up as both front ends call it: no archive, an archive to list, and the automatic
// extraction into a folder named after the archive below the desktop or My Documents,
// with its summary; an archive that cannot be opened is reported and never "extracted";
// the desktop entry's extract-here and test actions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "document/front_end.h"
#include "platform/path.h"
#include "tests/document/document_fixture.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;
using Access = platform::MemoryProfile::Access;
using platform::DisplayPath;

class StartupTest : public DocumentTest {
protected:
    void AutoExtractOn(int method = 0) {
        profile.SetInt(u"Option", u"AutoExtract", 1);
        profile.SetInt(u"Option", u"AutoExtractMethod", method);
    }
    bool WroteAnything() const {
        for (const Access& a : profile.log()) {
            if (a.kind == Access::WriteInt || a.kind == Access::WriteString) return true;
        }
        return false;
    }
};

TEST_F(StartupTest, WithoutAnArchiveTheWindowShowsAnEmptyList) {
    EXPECT_EQ(Start(), StartupResult::ShowMainWindow);
    EXPECT_EQ(doc->isOpen, 0);
    EXPECT_TRUE(user.log.empty());
    EXPECT_EQ(view.updates, 0);
    EXPECT_EQ(doc->OverwriteChoice(), kOverwriteAskIfNewer);
}

// The message of an archive that did not open: its path and the reason follow.
bool IsCannotOpen(const std::vector<std::string>& talk) {
    return talk.size() == 1 && talk[0].rfind("message: 書庫を開けませんでした。\n", 0) == 0;
}

TEST_F(StartupTest, ArchiveWithoutAutoExtractIsOpenedAndListed) {
    const WString path = Fixture("lzh/jlha_l1_lh5.lzh");
    EXPECT_EQ(Start(path), StartupResult::ShowMainWindow);
    EXPECT_EQ(doc->isOpen, 1);
    EXPECT_EQ(user.nameBar, path);
    EXPECT_EQ(view.updates, 1);
    EXPECT_TRUE(user.Talk().empty());
    // The open dialog starts next in the archive's folder.
    EXPECT_EQ(settings.lastOpenFolder, Fixture("lzh") + u"\\");
}

TEST_F(StartupTest, ArchiveThatCannotBeOpenedIsReportedThenTheWindowShows) {
    EXPECT_EQ(Start(temp.Program("missing.lzh")), StartupResult::ShowMainWindow);
    EXPECT_TRUE(IsCannotOpen(user.Talk()));
    EXPECT_EQ(doc->isOpen, 0);
}

TEST_F(StartupTest, AutoExtractIntoTheDesktopThenQuit) {
    AutoExtractOn();
    const WString path = Copy("lzh/jlha_l2_lh6.lzh", "in/a.lzh");
    EXPECT_EQ(Start(path), StartupResult::Quit);
    const fs::path out = temp.Host("Desktop/a");
    EXPECT_EQ(fs::file_size(out / "text.txt"), 6000u);
    EXPECT_EQ(fs::file_size(out / "docs/img/pic.bin"), 1500u);
    // The summary names the folder, which the user did not choose.
    EXPECT_EQ(user.Talk(), std::vector<std::string>{"message: 展開終了\n展開先：" +
                                                    Utf8(DisplayPath(temp.Program("Desktop/a")))});
    // No dialog, no progress, closed at the end, nothing remembered.
    EXPECT_TRUE(user.destinationsShown.empty());
    EXPECT_TRUE(user.progressRanges.empty());
    EXPECT_EQ(doc->isOpen, 0);
    EXPECT_EQ(user.nameBar, u"");
    EXPECT_FALSE(WroteAnything());
    EXPECT_EQ(view.updates, 0);
}

TEST_F(StartupTest, AutoExtractIntoMyDocumentsAndWithoutExtension) {
    AutoExtractOn(1);
    // The create-folder and extract-folder settings play no part.
    profile.SetInt(u"Option", u"CreateFolder", 0);
    profile.SetInt(u"Option", u"ExtractFolder", 2);
    EXPECT_EQ(Start(Copy("zip/infozip-folders.zip", "in/archive")), StartupResult::Quit);
    EXPECT_EQ(fs::file_size(temp.Host("Documents/archive/docs/sub/deep.txt")), 18u);
    EXPECT_EQ(user.Talk(),
              std::vector<std::string>{"message: 展開終了\n展開先：" +
                                       Utf8(DisplayPath(temp.Program("Documents/archive")))});
}

TEST_F(StartupTest, AutoExtractFollowsTheFolderSetting) {
    AutoExtractOn();
    profile.SetInt(u"Option", u"UseFolder", 0);
    EXPECT_EQ(Start(Copy("zip/infozip-folders.zip", "f.zip")), StartupResult::Quit);
    EXPECT_EQ(fs::file_size(temp.Host("Desktop/f/deep.txt")), 18u);
    EXPECT_FALSE(fs::exists(temp.Host("Desktop/f/docs")));
}

// Without a base folder the archive-named folder would be relative: nothing is extracted.
TEST_F(StartupTest, AutoExtractWithoutABaseFolderExtractsNothing) {
    AutoExtractOn();
    StartupRequest request;
    request.archive = Fixture("document/plain.lzh");
    EXPECT_EQ(StartUp(*doc, request), StartupResult::Quit);
    EXPECT_EQ(user.Talk(),
              std::vector<std::string>{"message: 展開先のフォルダを絶対パスで指定してください。"});
}

TEST_F(StartupTest, AutoExtractOfAnArchiveThatCannotBeOpenedReportsItAndQuits) {
    AutoExtractOn();
    EXPECT_EQ(Start(Copy("document/README", "notes.lzh")), StartupResult::Quit);
    EXPECT_TRUE(IsCannotOpen(user.Talk()));
    EXPECT_TRUE(fs::is_empty(temp.Host("Desktop")));
}

TEST_F(StartupTest, AutoExtractCountsUnsupportedAndDamagedMembers) {
    AutoExtractOn();
    EXPECT_EQ(Start(Fixture("document/faults.zip")), StartupResult::Quit);
    const std::vector<std::string> talk = {
        "message: ファイルが壊れています。 [d.txt]",
        "message: 展開終了\n非対応圧縮ファイル数 2\n非対応の方式 WavPack (97)\n不正ファイル数 1\n"
        "展開先：" +
            Utf8(DisplayPath(temp.Program("Desktop/faults"))),
    };
    EXPECT_EQ(user.Talk(), talk);
    EXPECT_TRUE(fs::exists(temp.Host("Desktop/faults/e.txt")));
}

TEST_F(StartupTest, AutoExtractWrongPasswordSaysSoAndAKeptFileIsNotDamage) {
    AutoExtractOn();
    user.defaultPassword = u"wrong";
    EXPECT_EQ(Start(Fixture("zip/infozip-traditional.zip")), StartupResult::Quit);
    std::vector<std::string> talk = user.Talk();
    ASSERT_FALSE(talk.empty());
    EXPECT_EQ(talk.back().rfind("message: 展開終了\n不正ファイル数 ", 0), 0u) << talk.back();
    EXPECT_EQ(talk.front(), "message: パスワードが違います。 [text.txt]");

    // An LZH member that is not overwritten (status 12) is passed over silently.
    user.log.clear();
    profile.SetInt(u"Option", u"OverwriteInquire", 0);
    const WString path = Copy("document/plain.lzh", "p.lzh");
    EXPECT_EQ(Start(path), StartupResult::Quit);
    user.log.clear();
    user.defaultYesNo = false;
    EXPECT_EQ(Start(path), StartupResult::Quit);
    talk = user.Talk();
    ASSERT_EQ(talk.size(), 3u);
    EXPECT_EQ(talk[0], "question: 既に[a.txt]が存在します。上書きしますか？ -> no");
    EXPECT_EQ(talk[2],
              "message: 展開終了\n展開先：" + Utf8(DisplayPath(temp.Program("Desktop/p"))));
}

TEST_F(StartupTest, AutoExtractPassesOverRefusedUnsafePaths) {
    AutoExtractOn();
    user.defaultYesNo = false;
    EXPECT_EQ(Start(Fixture("document/unsafe.lzh")), StartupResult::Quit);
    const std::vector<std::string> talk = user.Talk();
    ASSERT_EQ(talk.size(), 2u);
    EXPECT_EQ(talk[1].rfind("message: 展開終了\n展開先：", 0), 0u);
    EXPECT_FALSE(fs::exists(temp.Host("evil.txt")));
    EXPECT_TRUE(fs::exists(temp.Host("Desktop/unsafe/safe.txt")));
}

TEST_F(StartupTest, ExtractHereUsesTheArchivesFolderAndTheSettingsNotAutoExtract) {
    AutoExtractOn();
    const WString path = Copy("lzh/jlha_l2_lh6.lzh", "here/a.lzh");
    EXPECT_EQ(Start(path, StartupAction::ExtractHere), StartupResult::Quit);
    EXPECT_EQ(fs::file_size(temp.Host("here/a/docs/img/pic.bin")), 1500u);
    EXPECT_TRUE(fs::is_empty(temp.Host("Desktop")));
    EXPECT_EQ(user.Talk(), std::vector<std::string>{"message: 展開終了\n展開先：" +
                                                    Utf8(DisplayPath(temp.Program("here/a")))});
    EXPECT_EQ(user.progressRanges.size(), 1u);
    EXPECT_TRUE(user.destinationsShown.empty());
    EXPECT_EQ(doc->isOpen, 0);
    EXPECT_FALSE(WroteAnything());

    // Without the archive-named folder and the members' folders, straight into here/;
    // the overwrite setting still asks.
    profile.SetInt(u"Option", u"CreateFolder", 0);
    profile.SetInt(u"Option", u"UseFolder", 0);
    profile.SetInt(u"Option", u"OverwriteInquire", 0);
    fs::copy_file(temp.Host("here/a/text.txt"), temp.Host("here/text.txt"));
    user.log.clear();
    user.yesNo = {false};
    EXPECT_EQ(Start(path, StartupAction::ExtractHere), StartupResult::Quit);
    EXPECT_EQ(fs::file_size(temp.Host("here/pic.bin")), 1500u);
    const std::vector<std::string> talk = {
        "question: 既に[text.txt]が存在します。上書きしますか？ -> no",
        "message: 展開終了\n展開先：" + Utf8(DisplayPath(temp.Program("here/"))),
    };
    EXPECT_EQ(user.Talk(), talk);
}

TEST_F(StartupTest, TestActionReportsTheTestAndWritesNothing) {
    const WString path = Copy("document/faults.zip", "t/faults.zip");
    EXPECT_EQ(Start(path, StartupAction::Test), StartupResult::Quit);
    const std::vector<std::string> talk = {
        "message: ファイルが壊れています。 [d.txt]",
        "message: 5ファイル中1ファイルが不正です。\n非対応圧縮ファイル数 2\n非対応の方式 WavPack "
        "(97)",
    };
    EXPECT_EQ(user.Talk(), talk);
    EXPECT_EQ(exitStatus, kExitBadMembers);
    EXPECT_EQ(doc->isOpen, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Host("t")), fs::directory_iterator()), 1);
    EXPECT_EQ(Start(Copy("document/plain.lzh", "t/plain.lzh"), StartupAction::Test),
              StartupResult::Quit);
    EXPECT_EQ(exitStatus, kExitGood);
    EXPECT_EQ(Start(path, StartupAction::ExtractHere), StartupResult::Quit);
    EXPECT_EQ(exitStatus, kExitBadMembers);
    user.log.clear();

    // From the launcher's menu, without an archive: the open dialog asks for one, and
    // once it is cancelled nothing runs.
    user.log.clear();
    user.archivePaths = {path, std::nullopt};
    EXPECT_EQ(Start(std::nullopt, StartupAction::Test), StartupResult::Quit);
    EXPECT_EQ(user.Talk(), talk);
    EXPECT_EQ(Start(std::nullopt, StartupAction::ExtractHere), StartupResult::Quit);
    EXPECT_EQ(user.Talk(), talk);
    EXPECT_EQ(user.openInitialFolders.size(), 2u);

    // An archive that cannot be opened is reported, and neither action runs.
    for (const StartupAction action : {StartupAction::Test, StartupAction::ExtractHere}) {
        user.log.clear();
        EXPECT_EQ(Start(Copy("document/README", "t/notes.zip"), action), StartupResult::Quit);
        EXPECT_EQ(exitStatus, kExitNotOpened);
        EXPECT_TRUE(IsCannotOpen(user.Talk()));
        EXPECT_FALSE(fs::exists(temp.Host("t/notes")));
    }
}

TEST_F(StartupTest, SpecialFoldersGetOneTrailingSeparatorAndStayEmptyWhenUnknown) {
    StartupRequest request;
    request.desktopFolder = u"\\home\\u\\Desktop\\";
    EXPECT_EQ(StartUp(*doc, request), StartupResult::ShowMainWindow);
    EXPECT_EQ(settings.desktopFolder, u"\\home\\u\\Desktop\\");
    EXPECT_EQ(settings.myDocumentsFolder, u"");
    EXPECT_EQ(settings.lastExtractFolder, u"");
}

}  // namespace
}  // namespace quillory::testing
