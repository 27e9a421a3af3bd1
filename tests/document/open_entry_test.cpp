// Double-click: one member extracted into the user's private folder and handed to the
// desktop's "open"; folder rows and empty space do nothing; failures show the reader's
// status. Also the private folder itself: below the cache folder (not the small runtime
// folder), mode 0700, never a link or a foreign folder, old copies removed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "document/member_list.h"
#include "platform/private_folder.h"
#include "tests/document/document_fixture.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class OpenEntryTest : public DocumentTest {
protected:
    OpenEntryTest() {
        fs::create_directories(temp.Host("run"));
        fs::permissions(temp.Host("run"), fs::perms::owner_all);
    }
    void SetUp() override { Start(); }

    // Opens the fixture and lists it with folder rows shown.
    void List(const std::string& fixture) {
        doc->CloseArchive();
        ASSERT_EQ(doc->OpenArchive(Fixture(fixture)), 1);
        settings.DisplayFolder = 1;
        list.Rebuild(*doc);
        user.log.clear();
    }

    // The runtime folder is there, but copies go to the cache folder.
    const std::string runtime = temp.Host("run").string();
    ScopedEnvironment runtimeFolder{"XDG_RUNTIME_DIR", runtime.c_str()};
    const std::string cacheBase = temp.Host("cache").string();
    ScopedEnvironment cacheFolder{"XDG_CACHE_HOME", cacheBase.c_str()};
    MemberList list;

    // The copy handed to the desktop last.
    fs::path OpenedCopy() const {
        if (user.shellOpened.empty()) return {};
        return platform::ToHostPath(user.shellOpened.back());
    }
};

TEST_F(OpenEntryTest, MemberIsExtractedPrivatelyAndOpened) {
    for (const char* fixture : {"lzh/jlha_l0_lh5.lzh", "zip/infozip-folders.zip"}) {
        SCOPED_TRACE(fixture);
        List(fixture);
        const int row = 1;  // data.bin / docs/readme.txt, in a folder for the ZIP
        list.OpenRow(*doc, row);
        const WString name = list.CellText(row, 0);
        ASSERT_EQ(user.shellOpened.size(), 1u);
        // In this program's own folder below the private one: cache/quillory/session-*/.
        const fs::path copy = OpenedCopy();
        EXPECT_EQ(copy.filename(), platform::WideToUtf8(name));
        EXPECT_EQ(copy.parent_path().parent_path(), temp.Host("cache/quillory"));
        EXPECT_TRUE(copy.parent_path().filename().string().starts_with("session-"));
        EXPECT_TRUE(fs::is_regular_file(copy));
        EXPECT_EQ(ModeOf(copy.parent_path()), 0700u);
        EXPECT_EQ(ModeOf(temp.Host("cache/quillory")), 0700u);
        EXPECT_TRUE(user.Talk().empty());
        user.shellOpened.clear();
    }
}

// Closing the archive (or the program) removes the copies, except one another program
// still holds open; that one goes at a later start, once this program has ended.
TEST_F(OpenEntryTest, CopiesGoWhenTheArchiveClosesUnlessStillOpenElsewhere) {
    List("zip/infozip-folders.zip");
    list.OpenRow(*doc, 1);
    const fs::path copy = OpenedCopy();
    RemoveOpenedCopies();  // just handed over: the viewer may not have opened it yet
    EXPECT_TRUE(fs::exists(copy));
    doc->CloseArchive();
    EXPECT_TRUE(fs::exists(copy));
    RemoveOpenedCopies(std::chrono::seconds(0));
    EXPECT_FALSE(fs::exists(copy));

    List("zip/infozip-folders.zip");
    list.OpenRow(*doc, 1);
    const fs::path held = OpenedCopy();
    // A viewer: another process that opens the copy, says so, and holds it until told.
    int toViewer[2];
    int fromViewer[2];
    ASSERT_EQ(::pipe(toViewer), 0);
    ASSERT_EQ(::pipe(fromViewer), 0);
    const pid_t viewer = ::fork();
    if (viewer == 0) {
        ::close(toViewer[1]);
        const int fd = ::open(held.c_str(), O_RDONLY);
        char byte = fd >= 0 ? 'y' : 'n';
        const bool told =
            ::write(fromViewer[1], &byte, 1) == 1 && ::read(toViewer[0], &byte, 1) >= 0;
        ::_exit(fd >= 0 && told ? 0 : 1);
    }
    ::close(toViewer[0]);
    ::close(fromViewer[1]);
    char opened = 0;
    ASSERT_EQ(::read(fromViewer[0], &opened, 1), 1);
    EXPECT_EQ(opened, 'y');
    RemoveOpenedCopies(std::chrono::seconds(0));
    EXPECT_TRUE(fs::exists(held));
    // The next start does not take the folder of a program still running.
    RemoveOldOpenedCopies();
    EXPECT_TRUE(fs::exists(held));
    ::close(toViewer[1]);
    ::close(fromViewer[0]);
    int status = 0;
    ::waitpid(viewer, &status, 0);
    EXPECT_EQ(status, 0);
    RemoveOpenedCopies(std::chrono::seconds(0));
    EXPECT_FALSE(fs::exists(held));
}

TEST_F(OpenEntryTest, FolderRowsAndEmptySpaceDoNothing) {
    List("lzh/jlha_l0_lh5.lzh");
    ASSERT_EQ(Utf8(list.CellText(3, 0)), "<DIR>");
    list.OpenRow(*doc, 3);
    list.OpenRow(*doc, -1);
    list.OpenRow(*doc, list.rowCount());
    EXPECT_TRUE(user.log.empty());
    EXPECT_FALSE(fs::exists(temp.Host("cache/quillory")));
}

TEST_F(OpenEntryTest, FailuresShowTheReadersStatusAndASecondOpenRefreshesTheCopy) {
    List("document/faults.lzh");
    list.OpenRow(*doc, 1);  // -lh9-: unsupported
    list.OpenRow(*doc, 3);  // damaged data
    doc->ApplyOverwriteChoice(kOverwriteAlwaysAsk);
    list.OpenRow(*doc, 0);  // fine
    // The private copy exists: it is refreshed without a question, whatever the setting.
    const fs::path copy = OpenedCopy();
    WriteHostFile(copy, "changed by the viewer");
    list.OpenRow(*doc, 0);
    std::vector<std::string> talk = user.Talk();
    ASSERT_EQ(talk.size(), 2u);
    EXPECT_EQ(talk[0], "message: ファイルの展開が失敗しました。エラーコード[7]");
    EXPECT_TRUE(talk[1] == "message: ファイルの展開が失敗しました。エラーコード[9]" ||
                talk[1] == "message: ファイルの展開が失敗しました。エラーコード[6]")
        << talk[1];
    EXPECT_EQ(user.shellOpened.size(), 2u);
    EXPECT_NE(ReadHostFile(copy), ToBytes("changed by the viewer"));
    EXPECT_EQ(doc->OverwriteChoice(), kOverwriteAlwaysAsk);

    List("document/faults.zip");
    list.OpenRow(*doc, 0);  // a.txt is there from the LZH archive
    list.OpenRow(*doc, 2);  // method 97
    talk = user.Talk();
    ASSERT_EQ(talk.size(), 1u);
    EXPECT_EQ(talk[0], "message: ファイルの展開が失敗しました。エラーコード[7]");
    EXPECT_EQ(user.shellOpened.size(), 3u);
}

TEST_F(OpenEntryTest, NoPrivateFolderIsReportedAsACreateFailure) {
    List("document/plain.lzh");
    ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", nullptr);
    // A cache "folder" that is a file gives no private folder.
    WriteHostFile(temp.Host("cache-file"), "x");
    const std::string file = temp.Host("cache-file").string();
    ScopedEnvironment cache("XDG_CACHE_HOME", file.c_str());
    list.OpenRow(*doc, 0);
    EXPECT_EQ(user.Talk(),
              std::vector<std::string>{"message: ファイルの展開が失敗しました。エラーコード[10]"});
    EXPECT_EQ(ReadHostFile(temp.Host("cache-file")), ToBytes("x"));
}

class PrivateFolderTest : public ::testing::Test {
protected:
    TempDir temp;
    const std::string base = temp.path().string();
};

TEST_F(PrivateFolderTest, CreatedWithOwnerOnlyAccessBelowTheCacheFolder) {
    ScopedEnvironment cacheHome("XDG_CACHE_HOME", base.c_str());
    const std::optional<WString> folder = platform::PrivateFolder("quillory");
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, ProgramPath(temp.path() / "quillory") + u"\\");
    EXPECT_EQ(ModeOf(temp.Host("quillory")), 0700u);
    // An existing folder of ours is made private again and reused.
    fs::permissions(temp.Host("quillory"), fs::perms::all);
    EXPECT_EQ(platform::PrivateFolder("quillory"), folder);
    EXPECT_EQ(ModeOf(temp.Host("quillory")), 0700u);
}

TEST_F(PrivateFolderTest, LinksAndForeignFoldersAreRefused) {
    fs::create_directories(temp.Host("elsewhere"));
    fs::create_directories(temp.Host("cache"));
    fs::create_directory_symlink(temp.Host("elsewhere"), temp.Host("cache/quillory"));
    const std::string cache = temp.Host("cache").string();
    ScopedEnvironment cacheHome("XDG_CACHE_HOME", cache.c_str());
    // A planted link is never used, nor cleaned through.
    WriteHostFile(temp.Host("elsewhere/old.txt"), "not ours to remove");
    EXPECT_FALSE(platform::PrivateFolder("quillory"));
    platform::RemoveOldPrivateFiles("quillory", std::chrono::seconds(0));
    EXPECT_TRUE(fs::exists(temp.Host("elsewhere/old.txt")));
    fs::remove(temp.Host("cache/quillory"));
    std::optional<WString> folder = platform::PrivateFolder("quillory");
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, ProgramPath(temp.Host("cache/quillory")) + u"\\");

    // A base reached through a link is the user's own folder all the same.
    fs::create_directory_symlink(temp.Host("cache"), temp.Host("cache-link"));
    const std::string link = temp.Host("cache-link").string();
    {
        ScopedEnvironment linked("XDG_CACHE_HOME", link.c_str());
        EXPECT_EQ(platform::PrivateFolder("quillory"),
                  ProgramPath(temp.Host("cache-link/quillory")) + u"\\");
    }

    // A folder owned by another user is never taken (needs the right to give it away).
    fs::remove_all(temp.Host("cache/quillory"));
    fs::create_directories(temp.Host("cache/quillory"));
    if (::chown(temp.Host("cache/quillory").c_str(), 65534, 65534) != 0) {
        GTEST_SKIP() << "cannot give a folder to another user here";
    }
    EXPECT_FALSE(platform::PrivateFolder("quillory"));
}

TEST_F(PrivateFolderTest, RelativeCacheFoldersAreNotUsed) {
    ScopedEnvironment cacheHome("XDG_CACHE_HOME", "relative/cache");
    ScopedEnvironment home("HOME", base.c_str());
    EXPECT_EQ(platform::PrivateFolder("q"), ProgramPath(temp.Host(".cache/q")) + u"\\");
    EXPECT_FALSE(fs::exists("relative"));
}

// Copies are removed by the time they were put there, not the stored time they carry;
// folders in the folder are left alone, but those earlier versions made for each drag.
TEST_F(PrivateFolderTest, OldCopiesAreRemoved) {
    ScopedEnvironment cacheHome("XDG_CACHE_HOME", base.c_str());
    ASSERT_TRUE(platform::PrivateFolder("q"));
    WriteHostFile(temp.Host("q/copy.txt"), "x");
    const fs::path copy = temp.Host("q/copy.txt");
    fs::last_write_time(copy, fs::last_write_time(copy) - std::chrono::hours(24 * 365 * 30));
    fs::create_directories(temp.Host("q/sub"));
    // What an ended program left in its session folder goes whatever its age; a link in
    // it is removed, not followed.
    fs::create_directories(temp.Host("q/session-ended/docs"));
    WriteHostFile(temp.Host("q/session-ended/docs/left.txt"), "x");
    WriteHostFile(temp.Host("outside.txt"), "not ours");
    fs::create_symlink(temp.Host("outside.txt"), temp.Host("q/session-ended/docs/link"));
    // A drag folder of an earlier version, named by its time, goes by the age rule.
    fs::create_directories(temp.Host("q/1700000000000/docs"));
    WriteHostFile(temp.Host("q/1700000000000/docs/dragged.txt"), "x");
    platform::RemoveOldPrivateFiles("q", std::chrono::hours(24));
    EXPECT_TRUE(fs::exists(temp.Host("q/copy.txt")));
    EXPECT_TRUE(fs::exists(temp.Host("q/1700000000000/docs/dragged.txt")));
    EXPECT_FALSE(fs::exists(temp.Host("q/session-ended")));
    EXPECT_TRUE(fs::exists(temp.Host("outside.txt")));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    platform::RemoveOldPrivateFiles("q", std::chrono::seconds(0));
    EXPECT_FALSE(fs::exists(temp.Host("q/copy.txt")));
    EXPECT_FALSE(fs::exists(temp.Host("q/1700000000000")));
    EXPECT_TRUE(fs::is_directory(temp.Host("q/sub")));
}

}  // namespace
}  // namespace quillory::testing
