// The real program in its own process, with standard input from /dev/null and the
// standard streams in files: exit statuses, what goes to which stream, and questions
// answered no without a terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "document/version.h"
#include "tests/support/test_support.h"

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
    Outcome RunProgram(const std::string& arguments) {
        const std::string command = "TZ=UTC " + Quoted(QUILLORY_CLI_PATH) + " " + arguments +
                                    " </dev/null >" + Quoted(temp.Host("stdout").string()) + " 2>" +
                                    Quoted(temp.Host("stderr").string());
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
    const Outcome damaged = RunProgram("t " + Fixture("document/ten.zip"));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.out, "");
    EXPECT_EQ(damaged.err,
              "ファイルが壊れています。 [m4.txt]\n10ファイル中1ファイルが不正です。\n");
    const Outcome missing = RunProgram("x " + Quoted(temp.Host("none.zip").string()));
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "書庫を開けませんでした。\n");
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

}  // namespace
}  // namespace quillory::testing
