// The terminal user interface on its own: the progress line only on a terminal and out
// of the way of messages, the destination dialog's values from the command line, the
// typed password held to the dialog's limit, and the dialogs the tool never shows.
#include "cli/terminal_ui.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/path.h"
#include "tests/cli/fake_console.h"

namespace quillory::testing {
namespace {

using namespace std::chrono_literals;

TEST(TerminalUiTest, ProgressLineOnlyOnATerminalAndClearedBeforeMessages) {
    const cli::Options options;
    FakeConsole console;
    console.errorIsTerminal = true;
    cli::TerminalUserInterface ui(console, options, 0ms);
    ui.OpenProgress(2);
    ui.SetProgressName(u"a.txt");
    ui.StepProgress();
    ui.ShowMessage(u"ファイルが壊れています。 [a.txt]");
    ui.SetProgressName(u"表示\\b\x1b.txt");
    ui.StepProgress();
    ui.CloseProgress();
    ui.ShowMessage(u"展開終了");
    EXPECT_EQ(console.err,
              "\r\x1b[K1/2 a.txt\r\x1b[Kファイルが壊れています。 [a.txt]\n"
              "\r\x1b[K2/2 表示\\b?.txt\r\x1b[K展開終了\n");

    FakeConsole file;
    cli::TerminalUserInterface quiet(file, options, 0ms);
    quiet.OpenProgress(1);
    quiet.SetProgressName(u"a.txt");
    quiet.CloseProgress();
    quiet.ShowMessage(u"展開終了");
    EXPECT_EQ(file.err, "展開終了\n");
}

// A stored name holding line ends or other controls cannot add lines to a question or
// message: the unsafe-path question keeps exactly its own three lines.
TEST(TerminalUiTest, NamesFromArchivesStayOnOneLineInQuestions) {
    cli::Options options;
    FakeConsole console;
    console.inputIsTerminal = true;
    console.answers = {"n"};
    cli::TerminalUserInterface ui(console, options, 0ms);
    const WString forged = u"a\nfake line\r\n\x1b[2J../../x";
    EXPECT_FALSE(ui.AskUnsafePath({forged, u"/dest/" + forged}));
    ASSERT_EQ(console.prompts.size(), 1u);
    const std::string& prompt = console.prompts[0].text;
    EXPECT_EQ(std::count(prompt.begin(), prompt.end(), '\n'), 2) << prompt;
    EXPECT_NE(prompt.find("a?fake line???[2J../../x"), std::string::npos) << prompt;
    // The skip that follows names it on one line too.
    EXPECT_EQ(std::count(console.err.begin(), console.err.end(), '\n'), 1) << console.err;
}

TEST(TerminalUiTest, ProgressWaitsForItsIntervalAndNamesAreCut) {
    const cli::Options options;
    FakeConsole console;
    console.errorIsTerminal = true;
    cli::TerminalUserInterface slow(console, options, 1h);
    slow.OpenProgress(3);
    for (int i = 0; i < 3; ++i)
        slow.SetProgressName(u"a.txt");
    slow.CloseProgress();
    EXPECT_EQ(console.err, "");

    cli::TerminalUserInterface fast(console, options, 0ms);
    fast.OpenProgress(1);
    fast.SetProgressName(WString(100, u'表'));
    const std::string expected = "\r\x1b[K1/1 " + [] {
        std::string s;
        for (std::size_t i = 0; i < cli::kProgressNameColumns / 2; ++i)
            s += "表";
        return s;
    }();
    EXPECT_EQ(console.err, expected);
}

TEST(TerminalUiTest, DestinationComesFromTheCommandLine) {
    cli::Options options;
    options.destination = "out/here";
    options.createFolder = true;
    options.useFolders = false;
    FakeConsole console;
    cli::TerminalUserInterface ui(console, options);
    DestinationValues values;
    values.folder = u"ignored";
    ASSERT_TRUE(ui.AskDestination(&values));
    // Relative to the folder the command was typed in.
    EXPECT_EQ(values.folder, platform::AbsolutePath(u"out\\here"));
    EXPECT_TRUE(platform::IsAbsolutePath(values.folder));
    EXPECT_EQ(values.createFolder, 1);
    EXPECT_EQ(values.useFolders, 0);
    // The dialogs the tool has no use for answer Cancel.
    SettingsValues settings;
    EXPECT_FALSE(ui.AskSettings(&settings));
    EXPECT_FALSE(ui.AskArchivePath({}, u"").has_value());
}

TEST(TerminalUiTest, TypedPasswordsStopAtTheDialogsLimit) {
    const cli::Options options;
    FakeConsole console;
    console.inputIsTerminal = true;
    cli::TerminalUserInterface ui(console, options);
    console.answers = {std::string(40, 'p'), "パスワード"};
    EXPECT_EQ(ui.AskPassword(u"m", false), WString(kPasswordDialogMaxChars, u'p'));
    EXPECT_TRUE(console.err.empty());
    EXPECT_EQ(ui.AskPassword(u"m", true), u"パスワード");
    EXPECT_EQ(console.err, "パスワードが違います。\n");     // the one before was wrong
    EXPECT_FALSE(ui.AskPassword(u"m", false).has_value());  // input ended: Cancel

    // No terminal: Cancel without a prompt, and protected members are skipped.
    FakeConsole file;
    cli::TerminalUserInterface noTerminal(file, options);
    EXPECT_FALSE(noTerminal.AskPassword(u"m", false).has_value());
    EXPECT_FALSE(noTerminal.AskYesNo(u"?"));
    EXPECT_TRUE(noTerminal.AskSkipEncrypted());
    EXPECT_TRUE(file.prompts.empty());
}

}  // namespace
}  // namespace quillory::testing
