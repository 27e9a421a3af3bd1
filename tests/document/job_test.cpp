// Runs as jobs on the inline host, each with one decoding thread and with a pool of
// several: members whose files cannot be made or written say where and why, a run that
// keeps failing offers to go on quietly or to stop, the summary lists every failed
// member, a stop ends the run with nothing half-written and says how far it got,
// progress comes in bytes, a successful run may open its folder, and questions and
// messages come in member order whatever the threads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "document/member_job.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/sandbox.h"
#include "platform/stop_request.h"
#include "tests/document/document_fixture.h"
#include "tests/zip/zip_builder.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

// The parameter: the threads that decode members.
class JobTest : public DocumentTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        doc->SetDecodingThreads(GetParam());
        Start();
        ASSERT_EQ(doc->OpenArchive(Fixture("document/ten.lzh")), 1);
        user.log.clear();
    }
    void TearDown() override { platform::SetIoFaultHook(nullptr); }

    RunSummary ExtractInto(const std::string& folder) {
        user.destinations = {Destination(temp.Program(folder), 0, 0)};
        return doc->OnExtractAll();
    }
};

TEST_P(JobTest, UnwritableMembersSayWhereAndWhyThenTheUserMayGoOnQuietlyOrStop) {
    // A folder where each member's file should be.
    for (int member = 0; member < 10; ++member)
        fs::create_directories(temp.Host("blocked/m" + std::to_string(member) + ".txt"));
    const std::string inTheWay = "\n理由：同じ名前のファイルまたはフォルダがあります。";
    const auto created = [&](int member) {
        return "message: ファイルを作成できませんでした。 [" +
               Utf8(platform::DisplayPath(
                   temp.Program("blocked/m" + std::to_string(member) + ".txt"))) +
               "]" + inTheWay;
    };
    user.failureMessagesBeforeAsking = 3;
    user.yesNo = {true};  // go on without further messages
    EXPECT_EQ(ExtractInto("blocked").damagedCount, 10);
    std::vector<std::string> talk = user.Talk();
    ASSERT_EQ(talk.size(), 5u);
    EXPECT_EQ(talk[0], created(0));
    EXPECT_EQ(talk[2], created(2));
    EXPECT_EQ(talk[3],
              "question: " + created(3).substr(9) +
                  "\n\nこれ以降のエラーを表示せずに続けますか？\n（「いいえ」で中止します）"
                  " -> yes");
    EXPECT_EQ(talk[4], "message: 展開終了\n不正ファイル数 10");
    // The summary lists every member that failed, with why.
    ASSERT_EQ(user.summaries.size(), 1u);
    ASSERT_EQ(user.summaries[0].failures.size(), 10u);
    EXPECT_EQ(user.summaries[0].failures[9].path, u"m9.txt");
    EXPECT_EQ(Utf8(user.summaries[0].failures[9].reason),
              "ファイルを作成できませんでした。 同じ名前のファイルまたはフォルダがあります。");

    // No stops the run there: the summary says it was cancelled and how far it got.
    user.log.clear();
    user.yesNo = {false};
    const RunSummary stopped = ExtractInto("blocked");
    EXPECT_TRUE(stopped.stopped);
    // Members other threads had already been through count too, but no worker takes a
    // new member while the question waits.
    if (GetParam() == 1) {
        EXPECT_EQ(stopped.memberCount, 4);
    }
    EXPECT_GE(stopped.memberCount, 4);
    EXPECT_LE(stopped.memberCount, 4 + GetParam());
    const std::string done = std::to_string(stopped.memberCount);
    EXPECT_EQ(user.Talk().back(),
              "message: 中止しました。\n処理済みファイル数 " + done + "\n不正ファイル数 " + done);
    EXPECT_FALSE(platform::StopRequested());

    // A destination that cannot be made: one message before any member, nothing run.
    user.log.clear();
    WriteHostFile(temp.Host("file"), "a file where the destination should be");
    EXPECT_FALSE(ExtractInto("file/sub").ran);
    EXPECT_EQ(user.Talk(),
              std::vector<std::string>{"message: 展開先のフォルダを作成できませんでした。\n" +
                                       Utf8(platform::DisplayPath(temp.Program("file/sub"))) +
                                       "\n理由：同じ名前のファイルまたはフォルダがあります。"});

    // A full disk, with the inline host's default of one message per member.
    user.log.clear();
    user.failureMessagesBeforeAsking = 0;
    platform::SetIoFaultHook([](platform::IoKind kind, std::size_t count) -> std::size_t {
        return kind == platform::IoKind::Write ? 0 : count;
    });
    ExtractInto("full");
    talk = user.Talk();
    ASSERT_EQ(talk.size(), 11u);
    EXPECT_EQ(talk[9], "message: ファイルを書き込めませんでした。 [" +
                           Utf8(platform::DisplayPath(temp.Program("full/m9.txt"))) +
                           "]\n理由：ディスクの空き容量が足りません。");
}

// Where the kernel has Landlock, whatever a run's threads do while they write members (here
// the write hook, which runs on them) cannot create a file outside the destination, and
// a test can create none at all; the program's own thread is not confined afterwards.
TEST_P(JobTest, ARunsThreadsCannotWriteOutsideTheDestination) {
    const std::string stray = temp.Host("stray.txt").string();
    std::atomic<int> writes{0};
    std::atomic<int> strays{0};
    platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) -> std::size_t {
        if (kind != platform::IoKind::Write) return count;
        ++writes;
        const int fd = ::open(stray.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ++strays;
            ::close(fd);
            ::unlink(stray.c_str());
        }
        return count;
    });
    EXPECT_EQ(ExtractInto("out").damagedCount, 1);  // m4.txt, as always
    EXPECT_GT(writes.load(), 0);
    if (!platform::CanConfineWrites()) GTEST_SKIP() << "no Landlock here";
    EXPECT_EQ(strays.load(), 0);
    EXPECT_TRUE(fs::exists(temp.Host("out/m9.txt")));
    EXPECT_FALSE(fs::exists(stray));
    WriteHostFile(temp.Host("after.txt"), "the program's own thread is free");
}

TEST_P(JobTest, StopEndsTheRunAtOnceWithNothingHalfWrittenAndSaysHowFarItGot) {
    int names = 0;
    user.onProgressName = [&](WStringView) {
        if (++names == 3) doc->jobHost().RequestStop();
    };
    const RunSummary summary = ExtractInto("out");
    EXPECT_TRUE(summary.stopped);
    // One thread stops at the third member; a pool may have been through more, which
    // count (quietly: no message after the stop). The member being written when the stop
    // came left nothing, not even a temporary: the files there are those counted done.
    const std::vector<std::string> talk = user.Talk();
    if (GetParam() == 1) {
        EXPECT_EQ(talk, std::vector<std::string>{"message: 中止しました。\n処理済みファイル数 2"});
    }
    ASSERT_EQ(talk.size(), 1u);
    const std::string counted = "message: 中止しました。\n処理済みファイル数 ";
    ASSERT_EQ(talk[0].rfind(counted, 0), 0u) << talk[0];
    // m4.txt is damaged: when a pool got through it, it counts and leaves nothing.
    const std::string damaged = "\n不正ファイル数 ";
    const std::size_t damagedAt = talk[0].find(damaged);
    const int bad =
        damagedAt == std::string::npos ? 0 : std::stoi(talk[0].substr(damagedAt + damaged.size()));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Host("out")), fs::directory_iterator()),
              std::stoi(talk[0].substr(counted.size())) - bad);
    EXPECT_TRUE(fs::exists(temp.Host("out/m1.txt")));
    // The stop was this run's: the next one runs whole.
    EXPECT_FALSE(platform::StopRequested());
    user.onProgressName = nullptr;
    user.log.clear();
    EXPECT_FALSE(ExtractInto("again").stopped);
    // ten.lzh's fifth member is damaged.
    EXPECT_EQ(user.Talk().back(), "message: 展開終了\n不正ファイル数 1");
}

// A failure shown by its message holds new claims until it is, but not the members before
// it that a worker's group still has: here one worker writes slowly through a folder's
// two members while the other fails on the third at once.
TEST_P(JobTest, AFailureToShowWaitsForTheMembersBeforeIt) {
    ZipBuilder builder;
    builder.Add(StoredMember("a/1.txt", std::vector<std::uint8_t>(4096, 'x')));
    builder.Add(StoredMember("a/2.txt", std::vector<std::uint8_t>(4096, 'y')));
    ZipMember lost = StoredMember("b/3.txt", {'z'});
    lost.localHeaderOffset = 1u << 20;  // past the end: it fails before anything is written
    builder.Add(lost);
    WriteHostFile(temp.Host("held.zip"), builder.Build());
    doc->CloseArchive();
    ASSERT_EQ(doc->OpenArchive(temp.Program("held.zip")), 1);
    platform::SetIoFaultHook([](platform::IoKind kind, std::size_t count) {
        if (kind == platform::IoKind::Write)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return count;
    });
    EXPECT_EQ(ExtractInto("out").damagedCount, 1);
    EXPECT_TRUE(fs::exists(temp.Host("out/2.txt")));  // folders are not recreated here
}

// The GUI's shape without Qt: the job on a worker thread, the stop from another thread
// in the middle of a member. Built with ThreadSanitizer by the tsan preset.
TEST_P(JobTest, StopFromAnotherThreadEndsTheMemberBeingWritten) {
    doc->CloseArchive();
    ASSERT_EQ(doc->OpenArchive(Fixture("lzh/jlha_l0_lh5.lzh")), 1);
    // Writes wait for the stop, so that it comes while a member is being written however
    // slowly this thread gets to it on a loaded machine.
    std::atomic<bool> writing{false};
    std::atomic<bool> stopped{false};
    platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) {
        if (kind == platform::IoKind::Write) {
            writing = true;
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!stopped && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return count;
    });
    JobPlan plan;
    plan.destFolder = temp.Program("out");
    plan.threads = GetParam();
    std::stop_source stop;
    MemberJob job(*doc, plan);
    JobResult result;
    std::thread worker([&] { result = job.Run(user, stop.get_token()); });
    while (!writing)
        std::this_thread::yield();
    stop.request_stop();
    stopped = true;
    worker.join();
    EXPECT_TRUE(result.counts.stopped);
    EXPECT_LT(result.counts.finished, 8);
    // Nothing half-written: every file there is whole.
    for (const auto& file : fs::recursive_directory_iterator(temp.Host("out"))) {
        EXPECT_NE(file.path().filename().string().rfind(".quillory-", 0), 0u) << file.path();
    }
    EXPECT_FALSE(platform::StopRequested());
}

TEST_P(JobTest, ProgressComesInBytesAndASuccessfulRunMayOpenItsFolder) {
    doc->CloseArchive();
    ASSERT_EQ(doc->OpenArchive(Fixture("lzh/jlha_l0_lh5.lzh")), 1);
    settings.OpenFolder = 1;
    ExtractInto("out");
    ASSERT_FALSE(user.progressBytes.empty());
    EXPECT_EQ(user.progressBytes.back(),
              std::make_pair(std::uint64_t{13200}, std::uint64_t{13200}));
    EXPECT_EQ(user.shellOpened, std::vector<WString>{temp.Program("out")});

    // Not after a run with failures, nor with the setting off.
    WriteHostFile(temp.Host("blocked"), "x");
    user.defaultYesNo = true;
    ExtractInto("blocked");
    settings.OpenFolder = 0;
    ExtractInto("out2");
    EXPECT_EQ(user.shellOpened.size(), 1u);
}

// Files the user had and a run replaces go to the Trash when the front end has one, and
// the summary counts them; the opened members' private copies are only refreshed.
TEST_P(JobTest, ReplacedFilesGoToTheTrashAndTheSummaryCountsThem) {
    ExtractInto("out");
    WriteHostFile(temp.Host("out/m3.txt"), "mine");
    fs::create_directories(temp.Host("trash"));
    doc->ApplyOverwriteChoice(kOverwriteNever);
    user.trashFolder = temp.Program("trash");
    user.log.clear();
    ExtractInto("out");
    EXPECT_EQ(user.trashed.size(), 9u);  // the damaged member replaces nothing
    EXPECT_EQ(ReadHostFile(temp.Host("trash/m3.txt")).size(), 4u);  // "mine", kept
    EXPECT_GT(ReadHostFile(temp.Host("out/m3.txt")).size(), 4u);    // the member's
    EXPECT_EQ(user.Talk().back(),
              "message: 展開終了\n不正ファイル数 1\nごみ箱に移した元のファイル数 9");
}

// A wrong password is asked for again (three questions per member); a cancelled one asks
// once whether to skip every protected member or to stop, whatever the threads. The AES
// archives have one password and a key per member, which the workers derive side by side.
TEST_P(JobTest, PasswordsAreAskedAgainAndACancelSkipsOrStopsOnce) {
    const std::string skipQuestion =
        "question: パスワードが入力されませんでした。\n\n暗号化されたほかのファイルを飛ばして続けま"
        "すか？\n（「いいえ」で中止します）";
    struct Row {
        const char* what;
        const char* archive;
        std::deque<std::optional<WString>> passwords;
        std::deque<bool> yesNo;
        std::vector<std::string> seen;  // password, question and message lines in order
        const char* plain;              // a plain member after them
    };
    const char* mixed = "document/mixed-passwords.zip";
    const Row rows[] = {
        {"wrong, then right",
         mixed,
         {u"x", u"quillory", u"other"},
         {},
         {"password: c.txt -> ok", "password: c.txt (wrong before) -> ok", "password: d.txt -> ok",
          "message: 展開終了"},
         "e.txt"},
        {"three wrong answers fail the member",
         mixed,
         {u"a", u"b", u"c", u"other"},
         {},
         {"password: c.txt -> ok", "password: c.txt (wrong before) -> ok",
          "password: c.txt (wrong before) -> ok", "message: パスワードが違います。 [c.txt]",
          "password: d.txt -> ok", "message: 展開終了\n不正ファイル数 1"},
         "e.txt"},
        {"a cancel skips the others",
         mixed,
         {std::nullopt},
         {true},
         {"password: c.txt -> cancel", skipQuestion + " -> yes",
          "message: 展開終了\n不正ファイル数 2"},
         "e.txt"},
        {"one password: wrong, then right, then no more questions",
         "zip/7zz-aes256.zip",
         {u"x", u"quillory"},
         {},
         {"password: docs/readme.txt -> ok", "password: docs/readme.txt (wrong before) -> ok",
          "message: 展開終了"},
         "text.txt"},
        {"one password: a cancel skips every other member",
         "zip/bsdtar-aes256.zip",
         {std::nullopt},
         {true},
         {"password: text.txt -> cancel", skipQuestion + " -> yes",
          "message: 展開終了\n不正ファイル数 3"},
         "empty.txt"},
        {"a cancel stops the run",
         mixed,
         {std::nullopt},
         {false},
         {"password: c.txt -> cancel", skipQuestion + " -> no", "message: 中止しました。"},
         "e.txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        doc->CloseArchive();
        doc->password().Clear();
        ASSERT_EQ(doc->OpenArchive(Fixture(row.archive)), 1);
        fs::remove_all(temp.Host("out"));
        user.log.clear();
        user.passwords = row.passwords;
        user.yesNo = row.yesNo;
        ExtractInto("out");
        std::vector<std::string> seen;
        for (const std::string& line : user.log) {
            if (line.rfind("password: ", 0) == 0) seen.push_back(line);
            // A stopped run's counts depend on the threads: its first line is enough.
            if (line.rfind("message: ", 0) == 0 || line.rfind("question: ", 0) == 0) {
                seen.push_back(line.substr(
                    0, line.rfind("message: 中止", 0) == 0 ? line.find('\n') : std::string::npos));
            }
        }
        EXPECT_EQ(seen, row.seen);
        // The plain member after them is extracted unless the run stopped (other threads
        // may have been through it before).
        const bool stopped = !row.yesNo.empty() && !row.yesNo[0];
        if (!stopped || GetParam() == 1) {
            EXPECT_EQ(fs::exists(temp.Host("out") / row.plain), !stopped);
        }
    }

    // A test counts the members it had no password for as not tested, not as damaged,
    // under a test's heading; an extraction's summary names the folder.
    EXPECT_EQ(user.summaries.back().folder, u"");  // the stopped run
    user.passwords = {std::nullopt};
    user.yesNo = {true};
    const RunSummary tested = doc->OnTest();
    EXPECT_EQ(tested.damagedCount, 0);
    EXPECT_EQ(tested.unsupportedCount, 2);
    EXPECT_EQ(Utf8(user.summaries.back().text),
              "テストできたファイルは正常です。\nテストできなかったファイル数 2");
    EXPECT_EQ(Utf8(user.summaries.back().failuresTitle), "テストできなかったファイル");
    EXPECT_EQ(user.summaries.back().failures.size(), 2u);
    user.passwords = {u"quillory", u"other"};
    ExtractInto("out");
    EXPECT_EQ(user.summaries.back().folder, temp.Program("out"));
}

// What the user sees does not depend on the threads: every question, message and
// progress name in the order of a one-thread run, for a fresh extraction and one over
// the files it made (one question per member, answered in turn). Two of the encrypted
// archives have two passwords: the second is asked for where a one-thread run asks for
// it, and the mixed one runs its plain members side by side; the AES ones have one,
// asked for once and remembered for the second run.
TEST_P(JobTest, QuestionsAndMessagesComeInMemberOrderWhateverTheThreads) {
    ExtractInto("twice");  // the destination dialog shows this folder from now on
    for (const char* archive :
         {"document/ten.lzh", "document/ten.zip", "document/faults.zip", "document/unsafe.zip",
          "zip/infozip-folders.zip", "zip/infozip-traditional.zip", "document/mixed-passwords.zip",
          "zip/7zz-aes256.zip", "zip/bsdtar-aes256.zip"}) {
        SCOPED_TRACE(archive);
        const auto seen = [&](int threads) {
            doc->SetDecodingThreads(threads);
            doc->CloseArchive();
            EXPECT_EQ(doc->OpenArchive(Fixture(archive)), 1);
            fs::remove_all(temp.Host("twice"));
            user.log.clear();
            user.progressNames.clear();
            user.defaultYesNo = true;
            user.passwords = {u"quillory"};
            user.defaultPassword = u"wrong";
            ExtractInto("twice");
            user.overwriteAnswers = {OverwriteAnswer::Yes, OverwriteAnswer::No,
                                     OverwriteAnswer::Yes, OverwriteAnswer::NoToAll};
            ExtractInto("twice");
            user.defaultYesNo.reset();
            user.defaultPassword.reset();
            return std::make_pair(user.log, user.progressNames);
        };
        const auto oneThread = seen(1);
        EXPECT_EQ(seen(GetParam()), oneThread);
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, JobTest, ::testing::Values(1, 2, 4),
                         [](const ::testing::TestParamInfo<int>& threads) {
                             return std::to_string(threads.param) + "Threads";
                         });

}  // namespace
}  // namespace quillory::testing
