// The unsafe-path and overwrite decisions with real files and times, and the creation
// of output files and folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/output_files.h"
#include "platform/path.h"
#include "tests/support/recording_callback.h"
#include "tests/support/test_support.h"

namespace quillory {
namespace {

namespace fs = std::filesystem;
using testing::ReadHostFile;
using testing::RecordingCallback;
using testing::TempDir;
using testing::ToBytes;
using testing::WriteHostFile;
using Q = RecordingCallback::Question;

TEST(UnsafePathTest, OnlyDotDotLevelsThatClimbOutAreUnsafe) {
    for (const WString& path :
         {WString(u"../x"), WString(u"..\\x"), WString(u"a/../../x"), WString(u".."),
          WString(u"a\\..\\.."), WString(u"\\..\\x"), WString(u"./../x")}) {
        EXPECT_TRUE(IsUnsafePath(path)) << platform::WideToUtf8(path);
    }
    // Rooted paths land below the destination (LHMelt's "\\subdir\\"); dots inside a
    // name, and ".." that stays inside, climb nowhere.
    for (const WString& path :
         {WString(u"\\rooted"), WString(u"/abs"), WString(u"\\subdir\\a.txt"), WString(u"a\\b.txt"),
          WString(u".hidden"), WString(u"x.y.z"), WString(u""), WString(u"a..b"), WString(u"..."),
          WString(u"..x/y.."), WString(u"a/../b"), WString(u"a\\.."),
          WString(u"v1..2\\notes..txt")}) {
        EXPECT_FALSE(IsUnsafePath(path)) << platform::WideToUtf8(path);
    }
}

TEST(UnsafePathTest, QuestionDecidesAndForAllIsRemembered) {
    TempDir dir;
    RecordingCallback callback;
    MemberRun run;
    run.callback = &callback;
    run.destFolder = dir.Program();
    const auto check = [&](WStringView relative) {
        return CheckUnsafePath(relative, relative, u"target", run);
    };
    EXPECT_EQ(check(u"doc\\a.txt"), PathDecision::Safe);
    EXPECT_EQ(check(u"\\etc\\a.txt"), PathDecision::Safe);
    EXPECT_TRUE(callback.questions.empty());

    EXPECT_EQ(check(u"..\\a.txt"), PathDecision::Refused);
    callback.unsafeAnswer = 1;
    EXPECT_EQ(check(u"a/../../b"), PathDecision::Allowed);
    EXPECT_EQ(callback.Count(Q::UnsafePath), 2u);
    EXPECT_EQ(callback.questions[0].name, u"..\\a.txt");
    EXPECT_EQ(callback.questions[0].target, u"target");
    EXPECT_FALSE(run.answers->unsafePathsAllowed);

    // A folder of the destination that is a link leading out is asked about too.
    fs::create_directories(dir.Host("elsewhere"));
    fs::create_directory(dir.Host("in"));
    fs::create_directory_symlink(dir.Host("elsewhere"), dir.Host("in/docs"));
    run.destFolder = dir.Program("in");
    callback.unsafeAnswer = 0;
    EXPECT_EQ(check(u"docs\\x.txt"), PathDecision::Refused);
    EXPECT_EQ(callback.Count(Q::UnsafePath), 3u);

    callback.unsafeAnswer = 1;
    callback.unsafeForAll = 1;
    EXPECT_EQ(check(u"..\\b"), PathDecision::Allowed);
    EXPECT_TRUE(run.answers->unsafePathsAllowed);
    EXPECT_EQ(check(u"docs\\c"), PathDecision::Allowed);
    EXPECT_EQ(callback.Count(Q::UnsafePath), 4u);
}

TEST(UnsafePathTest, NoCallbackRefuses) {
    MemberRun run;
    EXPECT_EQ(CheckUnsafePath(u"..\\x", u"..\\x", u"x", run), PathDecision::Refused);
}

class OverwriteTest : public ::testing::Test {
protected:
    // The existing file "e.txt" with the given local time (whole seconds).
    void MakeExisting(int hour, int minute, int second) {
        WriteHostFile(dir.Host("e.txt"), "existing");
        FileTime local = 0;
        ASSERT_TRUE(platform::CalendarToFileTime({2020, 5, 1, hour, minute, second, 0}, &local));
        FileTime utc = 0;
        ASSERT_TRUE(platform::LocalFileTimeToUtc(local, &utc));
        // Sub-second part on disk must not matter: the comparison is in whole seconds.
        utc += 4000000;
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {static_cast<time_t>(utc / kTicksPerSecond) -
                                        static_cast<time_t>(kSecondsFrom1601To1970),
                                    static_cast<long>(utc % kTicksPerSecond) * 100}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.Host("e.txt").c_str(), times, 0), 0);
    }
    FileTime Member(int hour, int minute, int second) {
        FileTime t = 0;
        EXPECT_TRUE(platform::CalendarToFileTime({2020, 5, 1, hour, minute, second, 0}, &t));
        return t;
    }
    OverwriteDecision Decide(FileTime member, OverwriteRule rule) {
        run.overwrite = rule;
        return DecideOverwrite(dir.Program("e.txt"), member, 5, u"e.txt", run);
    }

    testing::ScopedTimeZone tz{"JST-9"};
    TempDir dir;
    RecordingCallback callback;
    MemberRun run = [this] {
        MemberRun r;
        r.callback = &callback;
        return r;
    }();
};

TEST_F(OverwriteTest, MissingFileIsWrittenWithoutAQuestion) {
    EXPECT_EQ(Decide(Member(1, 0, 0), OverwriteRule::AlwaysAsk), OverwriteDecision::Overwrite);
    EXPECT_TRUE(callback.questions.empty());
}

TEST_F(OverwriteTest, NewerOnlyAsksWhenTheExistingFileIsLater) {
    MakeExisting(10, 0, 0);
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::AskIfNewer), OverwriteDecision::Overwrite);
    EXPECT_TRUE(callback.questions.empty());
    MakeExisting(10, 0, 1);
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::AskIfNewer), OverwriteDecision::Skip);
    ASSERT_EQ(callback.Count(Q::Overwrite), 1u);
    EXPECT_EQ(callback.questions[0].name, u"e.txt");
    EXPECT_EQ(ReadHostFile(dir.Host("e.txt")), ToBytes("existing"));
    // A member without a time cannot be older: the question comes.
    MakeExisting(10, 0, 0);
    EXPECT_EQ(Decide(kNoFileTime, OverwriteRule::AskIfNewer), OverwriteDecision::Skip);
    EXPECT_EQ(callback.Count(Q::Overwrite), 2u);
}

TEST_F(OverwriteTest, AlwaysAskAsksEvenForOlderFiles) {
    MakeExisting(9, 0, 0);
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::AlwaysAsk), OverwriteDecision::Skip);
    callback.overwriteAnswer = 1;
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::AlwaysAsk), OverwriteDecision::Overwrite);
    EXPECT_EQ(callback.Count(Q::Overwrite), 2u);
}

TEST_F(OverwriteTest, ForAllStopsFurtherQuestions) {
    MakeExisting(9, 0, 0);
    callback.overwriteForAll = 1;  // with overwrite 0: this file is kept, later ones replaced
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::AlwaysAsk), OverwriteDecision::Skip);
    EXPECT_TRUE(run.answers->overwriteWithoutAsking);
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::AlwaysAsk), OverwriteDecision::Overwrite);
    EXPECT_EQ(callback.Count(Q::Overwrite), 1u);
}

TEST_F(OverwriteTest, NoCallbackSkips) {
    MakeExisting(9, 0, 0);
    run.callback = nullptr;
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::AlwaysAsk), OverwriteDecision::Skip);
}

TEST_F(OverwriteTest, ReadOnlyFileIsMadeWritableAndReplaced) {
    MakeExisting(9, 0, 0);
    fs::permissions(dir.Host("e.txt"), fs::perms::owner_read);
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::Never), OverwriteDecision::Overwrite);
    platform::OutputFile f = platform::OutputFile::Create({dir.Program(), u"e.txt"}, run.folders);
    ASSERT_TRUE(f.IsOpen());
    ASSERT_EQ(f.Write("new", 3), 3u);
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(ReadHostFile(dir.Host("e.txt")), ToBytes("new"));
}

TEST_F(OverwriteTest, UnreadableFileStillCountsAsExisting) {
    MakeExisting(9, 0, 0);
    fs::permissions(dir.Host("e.txt"), fs::perms::none);
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::AlwaysAsk), OverwriteDecision::Skip);
    EXPECT_EQ(callback.Count(Q::Overwrite), 1u);
    fs::permissions(dir.Host("e.txt"), fs::perms::owner_read);
    EXPECT_EQ(ReadHostFile(dir.Host("e.txt")), ToBytes("existing"));
}

TEST_F(OverwriteTest, SymbolicLinkCountsAsExistingAndItsTargetIsNotTouched) {
    WriteHostFile(dir.Host("target"), "target");
    fs::permissions(dir.Host("target"), fs::perms::owner_read);
    fs::create_symlink(dir.Host("target"), dir.Host("e.txt"));
    EXPECT_EQ(Decide(Member(10, 0, 0), OverwriteRule::Never), OverwriteDecision::Overwrite);
    EXPECT_EQ(fs::status(dir.Host("target")).permissions() & fs::perms::owner_write,
              fs::perms::none);
    platform::OutputFile f = platform::OutputFile::Create({dir.Program(), u"e.txt"}, run.folders);
    ASSERT_TRUE(f.IsOpen());
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(ReadHostFile(dir.Host("target")), ToBytes("target"));
}

TEST(MakeFoldersTest, CreatesMissingLevelsAndDeepPathsDoNotRecurse) {
    TempDir dir;
    platform::OutputFolders folders;
    EXPECT_TRUE(folders.MakeFolders({dir.Program(), u"a\\b\\c\\"}, nullptr));
    EXPECT_TRUE(fs::is_directory(dir.Host("a/b/c")));
    EXPECT_TRUE(folders.MakeFolders({dir.Program(), u"a\\b\\c"}, nullptr));  // already there
    WriteHostFile(dir.Host("a/file"), "x");
    platform::FileErrorInfo error;
    EXPECT_FALSE(folders.MakeFolders({dir.Program(), u"a\\file\\sub"}, &error));
    EXPECT_EQ(error.kind, platform::FileError::InTheWay);
    std::string deep;
    for (int i = 0; i < 1500; ++i)
        deep += "d/";
    EXPECT_TRUE(folders.MakeFolders({dir.Program(), platform::FromHostPath(deep)}, nullptr));
    EXPECT_TRUE(fs::is_directory(dir.Host(deep)));
}

}  // namespace
}  // namespace quillory
