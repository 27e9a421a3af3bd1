// The tool's commands run whole on real archives of both kinds: the listing's text, the
// messages on standard error, the exit status, the questions asked on a terminal or
// answered by the flags, passwords, and files declined or refused left as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/display_text.h"
#include "tests/cli/fake_console.h"
#include "tests/support/test_support.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string& relative) {
    return (FixturesDir() / relative).string();
}

std::string ReadText(const fs::path& path) {
    const Bytes bytes = ReadHostFile(path);
    return std::string(bytes.begin(), bytes.end());
}

constexpr char kOverwriteQuestion[] = "既に[a.txt]が存在します。上書きしますか？ [y/N] ";

class RunTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) { return RunTool(console, args); }
    // x ARCHIVE -d <scratch>/out plus the extra arguments.
    int Extract(const std::string& fixture, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"x", Fixture(fixture), "-d", out().string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
    fs::path out() const { return temp.Host("out"); }

    // plain.lzh's a.txt as extraction writes it.
    std::string PlainA() {
        TempDir other;
        FakeConsole quiet;
        RunTool(quiet, {"x", Fixture("document/plain.lzh"), "-d", other.path().string()});
        return ReadText(other.Host("a.txt"));
    }

    // A file where a.txt goes, with a time after the member's (so "newer" asks too).
    void PutOldA() {
        fs::create_directories(out());
        WriteHostFile(out() / "a.txt", "mine\n");
    }

    ScopedTimeZone utc{"UTC"};
    TempDir temp;
    FakeConsole console;
};

TEST_F(RunTest, ListShowsTheListsColumnsAlignedByDisplayWidthWithFolderRows) {
    EXPECT_EQ(Run({"l", Fixture("lzh/jlha_sjis_l2.lzh")}), cli::kExitGood);
    // The titles and names are double width: each column ends at the same terminal column.
    EXPECT_EQ(console.out,
              "ファイル名  サイズ  圧縮サイズ  圧縮率         最終更新日時  属性  パス\n"
              "表ソ能.txt     300         177   59.0%  2021/03/04 05:06:08  A\n"
              "<DIR>            0           0      0%  2021/03/04 05:06:08  A     表示\\\n"
              "予定表.txt     400         214   53.5%  2021/03/04 05:06:08  A     表示\\\n");
    EXPECT_EQ(console.err, "");
}

TEST_F(RunTest, ListOfAZipArchiveGroupsDigitsAndShowsTheStoredTimes) {
    EXPECT_EQ(Run({"l", Fixture("zip/infozip-stored.zip")}), cli::kExitGood);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < console.out.size();) {
        const std::size_t end = console.out.find('\n', start);
        lines.push_back(console.out.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_GE(lines.size(), 3u);
    // Every line ends the time column at the same terminal column as its title.
    const auto columnAfter = [](const std::string& line, const std::string& text) {
        const std::size_t at = line.find(text);
        return at == std::string::npos ? 0 : cli::DisplayWidth(line.substr(0, at + text.size()));
    };
    const std::size_t timeEnd = columnAfter(lines[0], "最終更新日時");
    ASSERT_GT(timeEnd, 0u);
    bool found65536 = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(columnAfter(lines[i], "2021/03/04 05:06:08"), timeEnd) << lines[i];
        found65536 = found65536 || lines[i].find(" 65,536 ") != std::string::npos;
    }
    EXPECT_TRUE(found65536) << console.out;
}

// The forms for scripts: stored paths alone, folders with "/" whichever separator the
// archive used, and JSON with the raw values (LZH's CRC-16, its UTC time with "Z").
TEST_F(RunTest, NamesAndJsonListTheStoredPathsAndRawValues) {
    EXPECT_EQ(Run({"l", "--names", Fixture("lzh/jlha_sjis_l2.lzh")}), cli::kExitGood);
    EXPECT_EQ(console.out, "表ソ能.txt\n表示/\n表示/予定表.txt\n");
    console.out.clear();
    EXPECT_EQ(Run({"l", Fixture("document/plain.lzh"), "--json"}), cli::kExitGood);
    const std::string member = R"({"name": "a.txt", "path": "a.txt", "folder": false, )"
                               R"("size": 2951, "compressed_size": 218, "method": "-lh5-", )"
                               R"("time": "2021-03-04T05:06:08Z", "encrypted": false, "crc": ")";
    EXPECT_EQ(console.out.rfind("{\"format\": \"lzh\", \"members\": [\n  " + member, 0), 0u)
        << console.out;
    EXPECT_EQ(console.out.substr(console.out.size() - 4), "\n]}\n");
    EXPECT_EQ(console.err, "");
}

// -q: the failures' own lines, without the summary; nothing at all when all is good.
TEST_F(RunTest, QuietPrintsOnlyErrors) {
    EXPECT_EQ(Run({"t", "-q", Fixture("document/ten.zip")}), cli::kExitBadMembers);
    EXPECT_EQ(console.err, "ファイルが壊れています。 [m4.txt]\n");
    console.err.clear();
    EXPECT_EQ(Extract("document/plain.lzh", {"--quiet"}), cli::kExitGood);
    EXPECT_EQ(console.err, "");
    EXPECT_TRUE(fs::exists(out() / "b.txt"));
}

TEST_F(RunTest, AnArchiveThatCannotBeOpenedGivesStatusTwo) {
    EXPECT_EQ(Run({"l", temp.Host("missing.lzh").string()}), cli::kExitNotOpened);
    EXPECT_EQ(console.err, "書庫を開けませんでした。 " + temp.Host("missing.lzh").string() +
                               " 理由：ファイルまたはフォルダが見つかりません。\n");
    WriteHostFile(temp.Host("junk.zip"), "not an archive at all");
    EXPECT_EQ(Run({"t", temp.Host("junk.zip").string()}), cli::kExitNotOpened);
    EXPECT_EQ(Run({"x", temp.Host("junk.zip").string(), "-d", out().string()}),
              cli::kExitNotOpened);
    EXPECT_FALSE(fs::exists(out()));
    // A file of another format is named, whatever its name says.
    console.err.clear();
    WriteHostFile(temp.Host("rar.zip"), "Rar!\x1A\x07\x00" + std::string(40, '\0'));
    EXPECT_EQ(Run({"x", temp.Host("rar.zip").string(), "-d", out().string()}), cli::kExitNotOpened);
    EXPECT_EQ(console.err, "書庫を開けませんでした。 " + temp.Host("rar.zip").string() +
                               " 理由：RAR形式のファイルには対応していません。\n");
    EXPECT_FALSE(fs::exists(out()));
    EXPECT_EQ(console.out, "");
}

TEST_F(RunTest, WrongCommandLinesGiveStatusTwoAndHelpGivesZero) {
    EXPECT_EQ(Run({"x", Fixture("document/plain.lzh"), "--overwrite", "sometimes"}),
              cli::kExitNotOpened);
    EXPECT_EQ(console.err,
              "quillory-cli: --overwrite takes ask, newer or always, not 'sometimes'\n"
              "Try 'quillory-cli --help'.\n");
    EXPECT_EQ(Run({"--help"}), cli::kExitGood);
    EXPECT_EQ(console.out.rfind("Usage:", 0), 0u);
    console.err.clear();
    EXPECT_EQ(Run({"l", Fixture("document/plain.lzh"), "--codepage", "no-such-encoding"}),
              cli::kExitNotOpened);
    EXPECT_EQ(console.err,
              "quillory-cli: unknown code page 'no-such-encoding'\n"
              "Try 'quillory-cli --help'.\n");
}

TEST_F(RunTest, TheCodePageOptionReadsTheNamesInIt) {
    EXPECT_EQ(Run({"l", Fixture("zip/infozip-folders.zip"), "--codepage", "CP437"}),
              cli::kExitGood);
    // 表示.txt in Shift-JIS, read as DOS text: ò, "\" (a folder), Ä, ª.
    EXPECT_NE(console.out.find("Äª.txt"), std::string::npos) << console.out;
    EXPECT_NE(console.out.find(" ò/\n"), std::string::npos) << console.out;
}

TEST_F(RunTest, TestReportsDamageOneLineEachAndSetsTheStatus) {
    EXPECT_EQ(Run({"t", Fixture("document/plain.lzh")}), cli::kExitGood);
    EXPECT_EQ(console.err, "すべてのファイルは正常です。\n");
    for (const char* fixture : {"document/ten.lzh", "document/ten.zip"}) {
        console.err.clear();
        EXPECT_EQ(Run({"t", Fixture(fixture)}), cli::kExitBadMembers) << fixture;
        EXPECT_EQ(console.err,
                  "ファイルが壊れています。 [m4.txt]\n10ファイル中1ファイルが不正です。\n")
            << fixture;
    }
    // A listing with a warning is a damaged archive, whatever its listed members gave,
    // for every command.
    for (const char* fixture : {"document/no-end-mark.lzh", "document/header-sum.lzh"}) {
        for (const char* command : {"l", "t", "x"}) {
            console.err.clear();
            std::vector<std::string> args = {command, Fixture(fixture)};
            if (command == std::string("x")) args.insert(args.end(), {"-d", out().string()});
            EXPECT_EQ(Run(args), cli::kExitBadMembers) << fixture << " " << command;
        }
        EXPECT_TRUE(console.err.ends_with(
            " 書庫が壊れています。一覧にないファイルは処理されていません。\n"))
            << console.err;
    }
}

TEST_F(RunTest, ExtractionSummaryIsOneLineAndBadMembersSetTheStatus) {
    EXPECT_EQ(Extract("document/faults.zip"), cli::kExitBadMembers);
    EXPECT_EQ(console.err,
              "ファイルが壊れています。 [d.txt]\n展開終了 非対応圧縮ファイル数 2 非対応の方式 "
              "WavPack (97) "
              "不正ファイル数 1\n");
    EXPECT_TRUE(fs::exists(out() / "a.txt"));
    EXPECT_TRUE(fs::exists(out() / "e.txt"));
}

// plain.lzh with its first member, then every member, relabelled to a method the reader
// does not decode.
TEST_F(RunTest, UnsupportedMembersAloneSetStatusOneInTestAndExtraction) {
    Bytes archive = ReadHostFile(FixturesDir() / "document/plain.lzh");
    // Level 0: [0] header size, [1] sum of the header bytes after the first two, [2..6]
    // the method, [7..10] the compressed size; the data follows the header.
    const auto relabel = [&archive](std::size_t at) {
        EXPECT_EQ(std::string(archive.begin() + static_cast<std::ptrdiff_t>(at + 2),
                              archive.begin() + static_cast<std::ptrdiff_t>(at + 7)),
                  "-lh5-");
        archive[at + 5] = '9';
        unsigned sum = 0;
        for (std::size_t i = at + 2; i < at + 2u + archive[at]; ++i)
            sum += archive[i];
        archive[at + 1] = static_cast<std::uint8_t>(sum);
        return at + 2u + archive[at] +
               (archive[at + 7] | archive[at + 8] << 8 | archive[at + 9] << 16 |
                archive[at + 10] << 24);
    };
    std::size_t next = relabel(0);
    WriteHostFile(temp.Host("lh9.lzh"), archive);

    EXPECT_EQ(Run({"t", temp.Host("lh9.lzh").string()}), cli::kExitBadMembers);
    // The test speaks of damage, and counts the member it could not check.
    EXPECT_EQ(console.err,
              "テストできたファイルは正常です。 非対応圧縮ファイル数 1 非対応の方式 -lh9-\n");
    console.err.clear();
    EXPECT_EQ(Run({"x", temp.Host("lh9.lzh").string(), "-d", out().string()}),
              cli::kExitBadMembers);
    EXPECT_EQ(console.err, "展開終了 非対応圧縮ファイル数 1 非対応の方式 -lh9-\n");
    EXPECT_TRUE(fs::exists(out() / "b.txt"));

    // No file could be checked: the test says so instead of calling them good.
    while (next < archive.size() && archive[next] != 0)
        next = relabel(next);
    WriteHostFile(temp.Host("lh9.lzh"), archive);
    console.err.clear();
    EXPECT_EQ(Run({"t", temp.Host("lh9.lzh").string()}), cli::kExitBadMembers);
    EXPECT_EQ(console.err,
              "テストできたファイルはありません。 非対応圧縮ファイル数 2 非対応の方式 -lh9-\n");
}

TEST_F(RunTest, ExtractHonoursTheDestinationDialogsOptions) {
    EXPECT_EQ(Extract("lzh/jlha_l0_lh5.lzh"), cli::kExitGood);
    EXPECT_EQ(console.err, "展開終了\n");
    EXPECT_TRUE(fs::exists(out() / "docs/img/pic.bin"));
    EXPECT_TRUE(fs::is_directory(out() / "docs/empty"));

    EXPECT_EQ(Extract("lzh/jlha_l0_lh5.lzh", {"--create-folder"}), cli::kExitGood);
    EXPECT_TRUE(fs::exists(out() / "jlha_l0_lh5/docs/readme.txt"));

    fs::remove_all(out());
    EXPECT_EQ(Extract("zip/infozip-folders.zip", {"--no-folders"}), cli::kExitGood);
    EXPECT_TRUE(fs::exists(out() / "deep.txt"));
    EXPECT_FALSE(fs::exists(out() / "docs"));
}

TEST_F(RunTest, ExtractWithoutDestinationWritesIntoTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::create_directories(out());
    fs::current_path(out());
    const int status = Run({"x", Fixture("document/plain.lzh")});
    fs::current_path(before);
    EXPECT_EQ(status, cli::kExitGood);
    EXPECT_TRUE(fs::exists(out() / "a.txt"));
    EXPECT_TRUE(fs::exists(out() / "b.txt"));
}

TEST_F(RunTest, ADeclinedOverwriteLeavesTheOldFileUntouched) {
    // No terminal and no flag: the answer is no, and nothing is asked.
    PutOldA();
    EXPECT_EQ(Extract("document/plain.lzh"), cli::kExitGood);
    EXPECT_EQ(ReadText(out() / "a.txt"), "mine\n");
    EXPECT_TRUE(fs::exists(out() / "b.txt"));
    EXPECT_EQ(console.err, "展開終了\n");
    EXPECT_TRUE(console.prompts.empty());

    // --no says the same even on a terminal.
    console.inputIsTerminal = true;
    EXPECT_EQ(Extract("document/plain.lzh", {"--no"}), cli::kExitGood);
    EXPECT_EQ(ReadText(out() / "a.txt"), "mine\n");
    EXPECT_TRUE(console.prompts.empty());

    // On a terminal: asked once per existing file, no (or anything but yes) keeps it.
    console.answers = {"n", ""};
    EXPECT_EQ(Extract("document/plain.lzh", {"--overwrite", "ask"}), cli::kExitGood);
    EXPECT_EQ(ReadText(out() / "a.txt"), "mine\n");
    ASSERT_EQ(console.prompts.size(), 2u);
    EXPECT_EQ(console.prompts[0].text, kOverwriteQuestion);
    EXPECT_TRUE(console.prompts[0].echo);

    // Input that ends is no as well.
    console.prompts.clear();
    EXPECT_EQ(Extract("document/plain.lzh"), cli::kExitGood);
    EXPECT_EQ(console.prompts.size(), 1u);
    EXPECT_EQ(ReadText(out() / "a.txt"), "mine\n");
}

TEST_F(RunTest, OverwriteAnswersAndChoicesReplaceTheFile) {
    PutOldA();
    console.inputIsTerminal = true;
    console.answers = {"y"};
    EXPECT_EQ(Extract("document/plain.lzh"), cli::kExitGood);
    EXPECT_EQ(ReadText(out() / "a.txt"), PlainA());

    PutOldA();
    console.prompts.clear();
    EXPECT_EQ(Extract("document/plain.lzh", {"--yes"}), cli::kExitGood);
    EXPECT_EQ(ReadText(out() / "a.txt"), PlainA());
    EXPECT_TRUE(console.prompts.empty());

    // "always" replaces without asking.
    PutOldA();
    EXPECT_EQ(Extract("document/plain.lzh", {"--overwrite", "always"}), cli::kExitGood);
    EXPECT_EQ(ReadText(out() / "a.txt"), PlainA());
    EXPECT_TRUE(console.prompts.empty());

    // "newer" (the default) replaces a file older than the member without asking; "ask"
    // asks about it.
    PutOldA();
    fs::last_write_time(out() / "a.txt",
                        fs::last_write_time(out() / "a.txt") - std::chrono::hours(24 * 365 * 10));
    console.answers = {"n"};
    EXPECT_EQ(Extract("document/plain.lzh", {"--overwrite", "ask"}), cli::kExitGood);
    EXPECT_EQ(ReadText(out() / "a.txt"), "mine\n");
    EXPECT_EQ(console.prompts.size(), 2u);  // b.txt exists too by now
    console.prompts.clear();
    EXPECT_EQ(Extract("document/plain.lzh"), cli::kExitGood);
    EXPECT_EQ(ReadText(out() / "a.txt"), PlainA());
}

TEST_F(RunTest, UnsafePathsAreRefusedUnlessTheUserAgrees) {
    const std::string skipped = "書庫内のファイル[../evil.txt]を展開しませんでした。\n";
    for (const char* fixture : {"document/unsafe.lzh", "document/unsafe.zip"}) {
        SCOPED_TRACE(fixture);
        fs::remove_all(temp.path() / "evil.txt");
        console.prompts.clear();
        console.inputIsTerminal = false;
        // Refused without a terminal, --yes or not: named, and not a clean run.
        for (const std::vector<std::string>& flags : {std::vector<std::string>{}, {"--yes"}}) {
            console.err.clear();
            EXPECT_EQ(Extract(fixture, flags), cli::kExitBadMembers);
            EXPECT_TRUE(fs::exists(out() / "safe.txt"));
            EXPECT_FALSE(fs::exists(temp.path() / "evil.txt"));
            EXPECT_EQ(console.err, skipped + "展開終了\n");
        }

        // The terminal shows the question with the stored path and where it would go.
        console.inputIsTerminal = true;
        console.answers = {"no"};
        EXPECT_EQ(Extract(fixture), cli::kExitBadMembers);
        EXPECT_FALSE(fs::exists(temp.path() / "evil.txt"));
        ASSERT_EQ(console.prompts.size(), 1u);
        EXPECT_EQ(console.prompts[0].text,
                  "書庫内のファイル[../evil.txt]が意図しないフォルダに展開される可能性があります。"
                  "\n展開先：" +
                      (temp.path() / "evil.txt").string() + "\n展開しますか？ [y/N] ");

        console.answers = {"yes"};
        EXPECT_EQ(Extract(fixture, {"--overwrite", "always"}), cli::kExitGood);
        EXPECT_TRUE(fs::exists(temp.path() / "evil.txt"));
        fs::remove(temp.path() / "evil.txt");
        console.inputIsTerminal = false;
        EXPECT_EQ(Extract(fixture, {"--allow-unsafe-paths", "--overwrite", "always"}),
                  cli::kExitGood);
        EXPECT_TRUE(fs::exists(temp.path() / "evil.txt"));
    }
}

// Folders the host names in ways a program path cannot hold as text (a "\" in a name,
// Shift-JIS bytes from an old tool) are used exactly, as the archive's folder and as the
// destination.
TEST_F(RunTest, OddFolderNamesAreUsedExactly) {
    for (const std::string folder : {"a\\b", "\x93\xFA\x96{"}) {
        SCOPED_TRACE(folder);
        const fs::path odd = temp.path() / folder;
        fs::create_directories(odd);
        fs::copy_file(Fixture("document/plain.lzh"), odd / "we\\ird.lzh");
        const std::string archive = (odd / "we\\ird.lzh").string();
        EXPECT_EQ(Run({"x", archive, "-d", odd.string(), "--create-folder"}), cli::kExitGood);
        EXPECT_TRUE(fs::exists(odd / "we\\ird" / "a.txt"));
        EXPECT_EQ(console.err, "展開終了\n");
        console.err.clear();
    }
    EXPECT_FALSE(fs::exists(temp.path() / "a"));
}

TEST_F(RunTest, PasswordsFromTheOptionOrTypedWithoutEcho) {
    const std::string archive = "crypto/aes256-7zip.zip";
    EXPECT_EQ(Run({"t", Fixture(archive), "--password", "Secret"}), cli::kExitGood);
    EXPECT_EQ(console.err, "すべてのファイルは正常です。\n");

    // Without either nothing is given, as by a cancelled dialog: the member is not tested.
    console.err.clear();
    EXPECT_EQ(Run({"t", Fixture(archive)}), cli::kExitBadMembers);
    EXPECT_EQ(console.err,
              "パスワードが入力されませんでした。 [plain.txt]\nテストできたファイルはありません。 "
              "テストできなかったファイル数 1\n");
    EXPECT_TRUE(console.prompts.empty());

    console.inputIsTerminal = true;
    console.answers = {"Secret"};
    EXPECT_EQ(Extract(archive), cli::kExitGood);
    ASSERT_EQ(console.prompts.size(), 1u);
    EXPECT_EQ(console.prompts[0].text, "パスワードの入力 [plain.txt]: ");
    EXPECT_FALSE(console.prompts[0].echo);
    EXPECT_EQ(ReadText(out() / "plain.txt").substr(0, 10), "Line 0000:");

    // A wrong password is a damaged member; input that ends is a cancel.
    console.answers = {"wrong"};
    EXPECT_EQ(Run({"t", Fixture(archive)}), cli::kExitBadMembers);
    EXPECT_EQ(Run({"t", Fixture(archive)}), cli::kExitBadMembers);
    // The option wins over the terminal.
    console.prompts.clear();
    EXPECT_EQ(Run({"t", Fixture("crypto/zipcrypto-infozip.zip"), "--password=Secret"}),
              cli::kExitGood);
    EXPECT_TRUE(console.prompts.empty());
}

}  // namespace
}  // namespace quillory::testing
