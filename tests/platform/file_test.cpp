// The file layer against a real file system: creation that never writes through links,
// files that take their names only when closed, leftovers of killed runs, attribute
// mapping, times, positions and the fault hook.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "platform/output_file.h"
#include "platform/path.h"
#include "platform/sandbox.h"
#include "tests/support/test_support.h"

namespace quillory::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadHostFile;
using testing::TempDir;
using testing::ToBytes;
using testing::WriteHostFile;

mode_t ModeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0);
    return st.st_mode & 07777;
}

void WriteText(OutputFile& f, std::string_view text) {
    ASSERT_EQ(f.Write(text.data(), text.size()), text.size());
}

// The folders of one run of output; a new one is a new run.
OutputFolders folders;

// The file at path, created below the folder that holds it.
OutputFile Create(WStringView path) {
    const std::size_t cut = path.find_last_of(u"\\/");
    return OutputFile::Create({path.substr(0, cut), path.substr(cut + 1)}, folders);
}

// Nothing but the names given stands in the folder.
void ExpectOnly(const fs::path& folder, std::vector<std::string> names) {
    std::vector<std::string> found;
    for (const auto& item : fs::directory_iterator(folder))
        found.push_back(item.path().filename().string());
    std::sort(found.begin(), found.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(found, names);
}

TEST(FileTest, CreateReplacesAnExistingFile) {
    TempDir dir;
    WriteHostFile(dir.Host("a.txt"), "old contents");
    OutputFile f = Create(dir.Program("a.txt"));
    ASSERT_TRUE(f.IsOpen());
    WriteText(f, "new");
    EXPECT_TRUE(f.Commit());
    EXPECT_EQ(ReadHostFile(dir.Host("a.txt")), ToBytes("new"));
}

TEST(FileTest, SymbolicLinkAtTheOutputPathIsReplacedNotFollowed) {
    TempDir dir;
    WriteHostFile(dir.Host("target.txt"), "keep me");
    fs::create_symlink(dir.Host("target.txt"), dir.Host("link.txt"));
    OutputFile f = Create(dir.Program("link.txt"));
    ASSERT_TRUE(f.IsOpen());
    WriteText(f, "member");
    f.Commit();
    EXPECT_EQ(ReadHostFile(dir.Host("target.txt")), ToBytes("keep me"));
    EXPECT_FALSE(fs::is_symlink(dir.Host("link.txt")));
    EXPECT_EQ(ReadHostFile(dir.Host("link.txt")), ToBytes("member"));
}

TEST(FileTest, DanglingLinkAndHardLinkKeepTheirTargets) {
    TempDir dir;
    fs::create_symlink(dir.Host("nowhere.txt"), dir.Host("dangling"));
    OutputFile f = Create(dir.Program("dangling"));
    ASSERT_TRUE(f.IsOpen());
    f.Commit();
    EXPECT_FALSE(fs::exists(dir.Host("nowhere.txt")));

    WriteHostFile(dir.Host("original"), "shared");
    fs::create_hard_link(dir.Host("original"), dir.Host("hard"));
    f = Create(dir.Program("hard"));
    ASSERT_TRUE(f.IsOpen());
    WriteText(f, "x");
    f.Commit();
    EXPECT_EQ(ReadHostFile(dir.Host("original")), ToBytes("shared"));
}

TEST(FileTest, AReplacementTakesThePlaceOfTheOldFileOnlyWhenClosed) {
    TempDir dir;
    WriteHostFile(dir.Host("a.txt"), "old");
    OutputFile f = Create(dir.Program("a.txt"));
    ASSERT_TRUE(f.IsOpen());
    WriteText(f, "new");
    EXPECT_EQ(ReadHostFile(dir.Host("a.txt")), ToBytes("old"));
    EXPECT_TRUE(f.Commit());
    EXPECT_EQ(ReadHostFile(dir.Host("a.txt")), ToBytes("new"));

    // Given up on, the replacement goes and the old file stays; nothing is left beside.
    f = Create(dir.Program("a.txt"));
    ASSERT_TRUE(f.IsOpen());
    WriteText(f, "partial");
    EXPECT_TRUE(f.Abandon());
    EXPECT_EQ(ReadHostFile(dir.Host("a.txt")), ToBytes("new"));
    ExpectOnly(dir.path(), {"a.txt"});

    // Kept for recovery, a damaged file goes beside, never over anything: a file new at
    // its path, and one that was to replace another.
    for (const char* name : {"b.txt", "a.txt", "a.txt"}) {
        f = Create(dir.Program(name));
        ASSERT_TRUE(f.IsOpen());
        WriteText(f, "part");
        EXPECT_TRUE(f.KeepDamaged());
    }
    EXPECT_EQ(ReadHostFile(dir.Host("a.txt")), ToBytes("new"));
    EXPECT_EQ(ReadHostFile(dir.Host("a.txt.damaged.1")), ToBytes("part"));
    ExpectOnly(dir.path(), {"a.txt", "a.txt.damaged", "a.txt.damaged.1", "b.txt.damaged"});
}

TEST(FileTest, AReplacementThatCannotTakeItsPlaceFailsToClose) {
    TempDir dir;
    WriteHostFile(dir.Host("a.txt"), "old");
    OutputFile f = Create(dir.Program("a.txt"));
    ASSERT_TRUE(f.IsOpen());
    WriteText(f, "new");
    fs::remove(dir.Host("a.txt"));
    fs::create_directory(dir.Host("a.txt"));  // a folder took the file's place meanwhile
    EXPECT_FALSE(f.Commit());
    EXPECT_TRUE(fs::is_directory(dir.Host("a.txt")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// A new file shows under its name only once closed, and never over something that
// appeared there meanwhile; abandoned, it leaves nothing at all.
TEST(FileTest, ANewFileTakesItsNameOnlyWhenClosedAndOnlyIfStillFree) {
    TempDir dir;
    OutputFile f = Create(dir.Program("n.txt"));
    ASSERT_TRUE(f.IsOpen());
    WriteText(f, "half");
    EXPECT_FALSE(fs::exists(dir.Host("n.txt")));
    EXPECT_TRUE(f.Abandon());
    EXPECT_TRUE(fs::is_empty(dir.path()));

    f = Create(dir.Program("n.txt"));
    WriteText(f, "mine?");
    WriteHostFile(dir.Host("n.txt"), "appeared");
    EXPECT_FALSE(f.Commit());
    EXPECT_EQ(ReadHostFile(dir.Host("n.txt")), ToBytes("appeared"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// Files are written unnamed: nothing shows in the folder while one is written, and files
// named as a killed process's temporaries are the user's, never removed.
TEST(FileTest, NothingShowsWhileWritingAndNoFileIsRemovedByItsName) {
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);  // a number no process has now
    const std::string dead = ".quillory-" + std::to_string(child) + "-3";
    const std::string mine = ".quillory-" + std::to_string(::getpid()) + "-0";
    for (const std::string& name : {dead, mine})
        WriteHostFile(dir.Host(name), "the user's");
    folders = OutputFolders();  // a new run
    OutputFile f = Create(dir.Program("new.txt"));
    ASSERT_TRUE(f.IsOpen());
    WriteText(f, "new");
    ExpectOnly(dir.path(), {dead, mine});
    EXPECT_TRUE(f.Commit());
    ExpectOnly(dir.path(), {dead, mine, "new.txt"});
}

// Folders are made below the destination as needed, through links that stay below it;
// one that leads out is refused, whatever the folders kept open said before.
TEST(FileTest, FoldersAreMadeBeneathTheDestinationAndNeverThroughLinksOut) {
    TempDir dir;
    fs::create_directories(dir.Host("dest/real"));
    fs::create_directories(dir.Host("outside"));
    fs::create_directory_symlink("real", dir.Host("dest/inside"));
    fs::create_directory_symlink("../outside", dir.Host("dest/out"));
    const WString dest = dir.Program("dest");
    OutputFile f = OutputFile::Create({dest, u"a/b/c.txt"}, folders);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_TRUE(f.Commit());
    EXPECT_TRUE(fs::exists(dir.Host("dest/a/b/c.txt")));
    f = OutputFile::Create({dest, u"inside/d.txt"}, folders);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_TRUE(f.Commit());
    EXPECT_TRUE(fs::exists(dir.Host("dest/real/d.txt")));
    for (const WStringView relative : {u"out/x.txt", u"out/new/x.txt"}) {
        EXPECT_TRUE(LeadsOutside(dest, relative));
        f = OutputFile::Create({dest, relative}, folders);
        EXPECT_FALSE(f.IsOpen());
        EXPECT_FALSE(folders.MakeFolders({dest, u"out/new/"}, nullptr));
    }
    EXPECT_TRUE(fs::is_empty(dir.Host("outside")));
    EXPECT_FALSE(LeadsOutside(dest, u"inside/d.txt"));
    EXPECT_FALSE(LeadsOutside(dest, u"out"));  // the last level is replaced, not followed
    // A member allowed out goes where its path leads.
    f = OutputFile::Create({dest, u"out/x.txt", false}, folders);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_TRUE(f.Commit());
    EXPECT_TRUE(fs::exists(dir.Host("outside/x.txt")));
}

// A confined thread makes members below its folder as always (unnamed, then linked into
// place, folders on the way), and can neither create nor change nor remove anything else.
TEST(FileTest, AConfinedThreadWritesOnlyBelowItsFolders) {
    TempDir dir;
    fs::create_directories(dir.Host("dest"));
    fs::create_directories(dir.Host("outside"));
    WriteHostFile(dir.Host("outside/kept.txt"), "the user's");
    bool confined = false;
    std::thread thread([&] {
        confined = ConfineWritesTo(std::array{dir.Program("dest")});
        if (!confined) return;
        OutputFolders own;
        OutputFile in = OutputFile::Create({dir.Program("dest"), u"sub/in.txt"}, own);
        WriteText(in, "inside");
        EXPECT_TRUE(in.Commit());
        EXPECT_FALSE(OutputFile::Create({dir.Program("outside"), u"new.txt"}, own).IsOpen());
        EXPECT_FALSE(OutputFile::Create({dir.Program("outside"), u"kept.txt"}, own).IsOpen());
        EXPECT_LT(::open(dir.Host("outside/kept.txt").c_str(), O_WRONLY | O_TRUNC), 0);
        EXPECT_NE(::unlink(dir.Host("outside/kept.txt").c_str()), 0);
        EXPECT_NE(::rename(dir.Host("dest/sub/in.txt").c_str(), dir.Host("outside/in.txt").c_str()),
                  0);
    });
    thread.join();
    if (!confined) GTEST_SKIP() << "no Landlock here";
    EXPECT_EQ(ReadHostFile(dir.Host("dest/sub/in.txt")), ToBytes("inside"));
    ExpectOnly(dir.Host("outside"), {"kept.txt"});
    EXPECT_EQ(ReadHostFile(dir.Host("outside/kept.txt")), ToBytes("the user's"));
    // The test's own thread was never confined.
    WriteHostFile(dir.Host("outside/after.txt"), "free");
}

TEST(FileTest, CreationMakesMissingFoldersAndRefusesFolders) {
    TempDir dir;
    EXPECT_TRUE(Create(dir.Program("missing/a.txt")).IsOpen());
    fs::create_directory(dir.Host("sub"));
    EXPECT_FALSE(Create(dir.Program("sub")).IsOpen());
    EXPECT_TRUE(fs::is_directory(dir.Host("sub")));
    EXPECT_EQ(OpenFileForReading(dir.Program("sub")), kInvalidFileHandle);
}

TEST(FileTest, PathsWithNulOrBeyondTheHostLimitAreRefused) {
    TempDir dir;
    WString withNul = dir.Program("a");
    withNul += u'\0';
    withNul += u"b";
    EXPECT_FALSE(Create(withNul).IsOpen());
    EXPECT_FALSE(fs::exists(dir.Host("a")));
    const WString tooLong = dir.Program() + u"\\" + WString(5000, u'x');
    EXPECT_FALSE(Create(tooLong).IsOpen());
}

TEST(FileTest, ReadOnlyAttributeRemovesWriteAndNormalRestoresIt) {
    TempDir dir;
    OutputFile f = Create(dir.Program("r.txt"));
    ASSERT_TRUE(f.IsOpen());
    EXPECT_TRUE(f.SetAttributes(kAttributeReadOnly | kAttributeArchive));
    f.Commit();
    EXPECT_EQ(ModeOf(dir.Host("r.txt")) & 0222, 0u);
    EXPECT_EQ(ModeOf(dir.Host("r.txt")) & 0111, 0u);
    EXPECT_EQ(GetPathAttributes(dir.Program("r.txt")), kAttributeReadOnly);
    EXPECT_TRUE(SetPathAttributes(dir.Program("r.txt"), kAttributeNormal));
    EXPECT_NE(ModeOf(dir.Host("r.txt")) & 0200, 0u);
    EXPECT_EQ(GetPathAttributes(dir.Program("r.txt")), kAttributeNormal);
    EXPECT_EQ(ModeOf(dir.Host("r.txt")) & 0111, 0u);
}

TEST(FileTest, ReadOnlyIsIgnoredOnFoldersAndLinks) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir.Program("d")));
    EXPECT_TRUE(SetPathAttributes(dir.Program("d"), kAttributeReadOnly | kAttributeDirectory));
    EXPECT_NE(ModeOf(dir.Host("d")) & 0200, 0u);
    EXPECT_EQ(GetPathAttributes(dir.Program("d")), kAttributeDirectory);

    WriteHostFile(dir.Host("t"), "x");
    fs::create_symlink(dir.Host("t"), dir.Host("l"));
    EXPECT_TRUE(SetPathAttributes(dir.Program("l"), kAttributeReadOnly));
    EXPECT_NE(ModeOf(dir.Host("t")) & 0200, 0u);
}

TEST(FileTest, CreateFolderFailsWhenItExistsOrHasNoParent) {
    TempDir dir;
    EXPECT_TRUE(CreateFolder(dir.Program("x")));
    EXPECT_FALSE(CreateFolder(dir.Program("x")));
    EXPECT_FALSE(CreateFolder(dir.Program() + u"\\y\\z"));
}

// Links and ".." are followed as far as folders exist; the last level (replaced, never
// written through) is not.
TEST(FileTest, ResolvedPathsFollowLinksAndDotDotLevels) {
    TempDir dir;
    const fs::path root = fs::canonical(dir.path());
    fs::create_directories(root / "a/b");
    fs::create_directory_symlink(root / "a/b", root / "link");
    for (const auto& [path, expected] : {std::pair{root / "link/../x", root / "a/x"},
                                         {root / "new/./../../y", root.parent_path() / "y"},
                                         {root / "link", root / "link"}}) {
        EXPECT_EQ(ToHostPath(ResolvedPath(FromHostPath(path.string()))), expected.string());
    }
}

TEST(FileTest, LastWriteTimeIsSetAndAccessTimeLeftAlone) {
    TempDir dir;
    OutputFile f = Create(dir.Program("t.txt"));
    ASSERT_TRUE(f.IsOpen());
    CalendarTime c{2010, 1, 1, 3, 0, 0, 0};
    FileTime when = 0;
    ASSERT_TRUE(CalendarToFileTime(c, &when));
    EXPECT_TRUE(f.SetTimes(when));
    f.Commit();
    EXPECT_EQ(GetPathLastWriteTime(dir.Program("t.txt")), when);
    struct stat after {};
    ::stat(dir.Host("t.txt").c_str(), &after);
    EXPECT_NE(after.st_atim.tv_sec, after.st_mtim.tv_sec);  // the access time not set
}

TEST(FileTest, PositionsAndSizesAre64Bit) {
    TempDir dir;
    const std::int64_t fiveGiB = std::int64_t{5} << 30;
    const int w = ::open(dir.Host("big").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(w, 0);
    ASSERT_EQ(::pwrite(w, "end", 3, fiveGiB), 3);
    ::close(w);
    const FileHandle r = OpenFileForReading(dir.Program("big"));
    ASSERT_NE(r, kInvalidFileHandle);
    EXPECT_EQ(GetFileSize(r), static_cast<std::uint64_t>(fiveGiB + 3));
    EXPECT_EQ(SetFilePosition(r, -3, SeekOrigin::End), static_cast<std::uint64_t>(fiveGiB));
    char buffer[8] = {};
    EXPECT_EQ(ReadFile(r, buffer, sizeof buffer), 3u);
    EXPECT_EQ(std::string(buffer), "end");
    EXPECT_EQ(SetFilePosition(r, -1, SeekOrigin::Begin), std::nullopt);
    EXPECT_EQ(ReadFileAt(r, static_cast<std::uint64_t>(fiveGiB) + 1, buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "nd");
    CloseFile(r);
}

TEST(FileTest, FaultHookShortensAndFailsTransfers) {
    TempDir dir;
    OutputFile f = Create(dir.Program("h"));
    ASSERT_TRUE(f.IsOpen());
    int calls = 0;
    SetIoFaultHook([&](IoKind kind, std::size_t count) -> std::size_t {
        ++calls;
        return kind == IoKind::Write ? count / 2 : 0;
    });
    EXPECT_EQ(f.Write("abcdef", 6), 3u);
    EXPECT_EQ(f.error().kind, FileError::DiskFull);
    SetIoFaultHook(nullptr);
    f.Commit();
    EXPECT_EQ(ReadHostFile(dir.Host("h")), ToBytes("abc"));
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace quillory::platform
