// The real program in its own process, with standard input from /dev/null and the
// standard streams in files: exit statuses, what goes to which stream, questions
// answered no without a terminal, and interrupts in the middle of a member.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "document/version.h"
#include "tests/support/test_support.h"
#include "tests/zip/zip_builder.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string ReadText(const fs::path& path) {
    const Bytes bytes = ReadHostFile(path);
    return std::string(bytes.begin(), bytes.end());
}

class BinaryTest : public ::testing::Test {
protected:
    // Standard input from /dev/null, or from the shell command `input` through a pipe.
    Outcome RunProgram(const std::string& arguments, const std::string& input = "") {
        // The C locale, whatever the caller's: messages in Japanese.
        const std::string command =
            (input.empty() ? "" : input + " | ") +
            "TZ=UTC LANGUAGE= LC_ALL= LC_MESSAGES= LANG=C.UTF-8 " + Quoted(QUILLORY_CLI_PATH) +
            " " + arguments + (input.empty() ? " </dev/null" : "") + " >" +
            Quoted(temp.Host("stdout").string()) + " 2>" + Quoted(temp.Host("stderr").string());
        const int raw = std::system(command.c_str());
        Outcome outcome;
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        outcome.out = ReadText(temp.Host("stdout"));
        outcome.err = ReadText(temp.Host("stderr"));
        return outcome;
    }
    static std::string Fixture(const std::string& relative) {
        return Quoted((FixturesDir() / relative).string());
    }

    TempDir temp;
};

TEST_F(BinaryTest, ListGoesToStandardOutputAndNothingElseIsPrinted) {
    const Outcome list = RunProgram("l " + Fixture("document/plain.lzh"));
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "ファイル名  サイズ  圧縮サイズ  圧縮率         最終更新日時  属性  パス\n"
              "a.txt        2,951         218    7.4%  2021/03/04 05:06:08  A\n"
              "b.txt        2,951         218    7.4%  2021/03/04 05:06:08  A\n");
    EXPECT_EQ(list.err, "");
}

TEST_F(BinaryTest, ExitStatusesOfTheCommands) {
    EXPECT_EQ(RunProgram("t " + Fixture("document/plain.lzh")).status, 0);
    // Every member good, but the listing warned: the archive is damaged.
    const Outcome warned = RunProgram("t " + Fixture("document/no-end-mark.lzh"));
    EXPECT_EQ(warned.status, 1);
    EXPECT_EQ(warned.err,
              "警告：ファイルの末尾にエンドマークがありません\nテストできたファイルは正常です。 "
              "書庫が壊れています。一覧にないファイルは処理されていません。\n");
    const Outcome damaged = RunProgram("t " + Fixture("document/ten.zip"));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.out, "");
    EXPECT_EQ(damaged.err,
              "ファイルが壊れています。 [m4.txt]\n10ファイル中1ファイルが不正です。\n");
    const Outcome missing = RunProgram("x " + Quoted(temp.Host("none.zip").string()));
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "書庫を開けませんでした。 " + temp.Host("none.zip").string() +
                               " 理由：ファイルまたはフォルダが見つかりません。\n");
    const Outcome wrong = RunProgram("x");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("no archive given"), std::string::npos);
    const Outcome help = RunProgram("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage:", 0), 0u);
    const Outcome version = RunProgram("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quillory-cli " QUILLORY_VERSION "\n");
}

// An archive from a pipe, standard input or a FIFO is read once, into a copy: a FIFO
// opened twice would wait for a second writer, and a pipe read again gives nothing.
TEST_F(BinaryTest, AnArchiveFromAStreamIsReadOnce) {
    const Outcome piped = RunProgram("t -", "cat " + Fixture("document/ten.zip"));
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(piped.err, "ファイルが壊れています。 [m4.txt]\n10ファイル中1ファイルが不正です。\n");
    const std::string fifo = temp.Host("fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Outcome fromFifo =
        RunProgram("l --names " + Quoted(fifo),
                   "(cat " + Fixture("document/plain.lzh") + " >" + Quoted(fifo) + " &) ; true");
    EXPECT_EQ(fromFifo.status, 0);
    EXPECT_EQ(fromFifo.out, "a.txt\nb.txt\n");
    // A stream that ends early is a damaged archive: its whole members, and status 1.
    const Outcome cut = RunProgram("t -", "head -c 1000 " + Fixture("document/ten.zip"));
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(
        cut.err,
        "警告：書庫の中央ディレクトリが見つからないため、各ファイルのヘッダから読み取りました\n"
        "ファイルが壊れています。 [m4.txt]\n5ファイル中1ファイルが不正です。 "
        "書庫が壊れています。一覧にないファイルは処理されていません。\n");
    // Nothing at all is no archive, never an empty one.
    const Outcome empty = RunProgram("x - -d " + Quoted(temp.Host("out").string()), "true");
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err, "書庫を開けませんでした。 - 理由：LZH書庫でもZIP書庫でもありません。\n");
    EXPECT_FALSE(fs::exists(temp.Host("out")));
}

// The environment's language reaches the messages; a listing cut off by the reader
// (| head) ends the tool without a word, killed by SIGPIPE as the shell's tools are, or
// with status 1 where SIGPIPE is ignored.
TEST_F(BinaryTest, EnglishFromTheLocaleAndQuietEndsAtAClosedPipe) {
    const Outcome english = RunProgram("t " + Fixture("document/ten.zip"));
    EXPECT_EQ(english.err.rfind("ファイルが壊れています。", 0), 0u);
    const std::string command =
        "LANG=en_US.UTF-8 LC_ALL= LC_MESSAGES= LANGUAGE= " + Quoted(QUILLORY_CLI_PATH) + " t " +
        Fixture("document/ten.zip") + " 2>" + Quoted(temp.Host("stderr").string());
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    EXPECT_EQ(ReadText(temp.Host("stderr")),
              "The file is damaged. [m4.txt]\n10 files tested, 1 damaged.\n");

    ZipBuilder many;
    for (int i = 0; i < 20000; ++i)
        many.Add(StoredMember("folder/member-" + std::to_string(i) + ".txt", {'x'}));
    const std::vector<std::uint8_t> archive = many.Build();
    WriteHostFile(temp.Host("many.zip"), std::string(archive.begin(), archive.end()));
    for (const char* sigpipe : {"", "trap '' PIPE; "}) {
        const std::string pipeline = std::string(sigpipe) + Quoted(QUILLORY_CLI_PATH) +
                                     " l --names " + Quoted(temp.Host("many.zip").string()) +
                                     " 2>" + Quoted(temp.Host("stderr").string()) +
                                     " | head -n 1; exit ${PIPESTATUS[0]}";
        const int status = std::system(("bash -c " + Quoted(pipeline)).c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, *sigpipe ? 1 : 128 + SIGPIPE)
            << sigpipe;
        EXPECT_EQ(ReadText(temp.Host("stderr")), "") << sigpipe;
    }
}

TEST_F(BinaryTest, WithoutATerminalAQuestionIsAnsweredNo) {
    const fs::path out = temp.Host("out");
    fs::create_directories(out);
    WriteHostFile(out / "a.txt", "mine\n");
    const Outcome run =
        RunProgram("x " + Fixture("document/plain.lzh") + " -d " + Quoted(out.string()));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "展開終了\n");
    EXPECT_EQ(ReadText(out / "a.txt"), "mine\n");
    EXPECT_TRUE(fs::exists(out / "b.txt"));
    EXPECT_EQ(RunProgram("x " + Fixture("document/plain.lzh") + " --yes -d " + Quoted(out.string()))
                  .status,
              0);
    EXPECT_NE(ReadText(out / "a.txt"), "mine\n");
}

// The size of the temporary file being written in folder, or 0 when there is none.
// The size of the file that process is writing in folder (unnamed, or under a hidden
// name), 0 when it writes none there.
std::uintmax_t BeingWritten(pid_t process, const fs::path& folder) {
    std::error_code ec;
    const std::string prefix = fs::canonical(folder, ec).string() + "/";
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(process) + "/fd", ec)) {
        const std::string target = fs::read_symlink(fd.path(), ec).string();
        if (target.rfind(prefix, 0) != 0) continue;
        struct stat st {};
        if (::stat(fd.path().c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            return static_cast<std::uintmax_t>(st.st_size);
        }
    }
    return 0;
}

// Nothing but the members' own names stands in folder: no hidden file is left.
bool NoHiddenFiles(const fs::path& folder) {
    for (const auto& item : fs::directory_iterator(folder)) {
        if (item.path().filename().string().rfind(".quillory-", 0) == 0) return false;
    }
    return true;
}

// An interrupt or a termination while a large member is being written stops the run: the
// member leaves nothing under its name and no temporary file, the member before it (and
// one after it that another thread finished) is whole, the tool exits with 128 + the signal, and
// running it again extracts everything.
TEST_F(BinaryTest, AnInterruptLeavesNothingHalfWritten) {
    const Bytes big(96u << 20, 0);
    ZipBuilder b;
    b.Add(StoredMember("first.txt", ToBytes("first"))).Add(DeflatedMember("big.bin", big, 1));
    b.Add(StoredMember("last.txt", ToBytes("last")));
    WriteHostFile(temp.Host("big.zip"), b.Build());
    const fs::path out = temp.Host("out");
    fs::create_directories(out);
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int quiet = ::open("/dev/null", O_RDWR);
            ::dup2(quiet, 0), ::dup2(quiet, 1), ::dup2(quiet, 2);
            ::execl(QUILLORY_CLI_PATH, QUILLORY_CLI_PATH, "x", temp.Host("big.zip").c_str(), "-d",
                    out.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Once the large member is well under way, interrupt it.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (BeingWritten(child, out) < (1u << 20) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ::kill(child, signalNumber);
        int raw = 0;
        ASSERT_EQ(::waitpid(child, &raw, 0), child);
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), 128 + signalNumber);
        EXPECT_EQ(ReadText(out / "first.txt"), "first");
        EXPECT_FALSE(fs::exists(out / "big.bin"));
        // Another decoding thread may have been through the member after it: then whole.
        const bool last = fs::exists(out / "last.txt");
        if (last) {
            EXPECT_EQ(ReadText(out / "last.txt"), "last");
        }
        EXPECT_TRUE(NoHiddenFiles(out));
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()),
                  last ? 2 : 1);
        fs::remove(out / "last.txt");
    }
    EXPECT_EQ(
        RunProgram("x " + Quoted(temp.Host("big.zip").string()) + " -d " + Quoted(out.string()))
            .status,
        0);
    EXPECT_EQ(fs::file_size(out / "big.bin"), big.size());
    EXPECT_EQ(ReadText(out / "last.txt"), "last");
}

}  // namespace
}  // namespace quillory::testing
