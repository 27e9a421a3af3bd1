// The command line: every option reaches its field, values inline or separate, and every
// command line the tool cannot take whole is refused with a reason.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillory::cli {
namespace {

ParseResult Parse(const std::vector<std::string_view>& args) {
    return ParseCommandLine(args);
}

Options Ok(const std::vector<std::string_view>& args) {
    const ParseResult result = Parse(args);
    if (const auto* error = std::get_if<UsageError>(&result)) {
        ADD_FAILURE() << "refused: " << error->message;
        return {};
    }
    EXPECT_TRUE(std::holds_alternative<Options>(result));
    return std::holds_alternative<Options>(result) ? std::get<Options>(result) : Options{};
}

std::string Refusal(const std::vector<std::string_view>& args) {
    const ParseResult result = Parse(args);
    const auto* error = std::get_if<UsageError>(&result);
    EXPECT_NE(error, nullptr);
    return error != nullptr ? error->message : std::string();
}

TEST(CommandLineTest, DefaultsMatchTheApplicationsDefaults) {
    const Options options = Ok({"x", "a.lzh"});
    EXPECT_EQ(options.command, Command::Extract);
    EXPECT_EQ(options.archive, "a.lzh");
    EXPECT_EQ(options.destination, ".");
    EXPECT_FALSE(options.createFolder);
    EXPECT_TRUE(options.useFolders);
    EXPECT_FALSE(options.overwriteChoice.has_value());
    EXPECT_EQ(options.answer, Answer::Ask);
    EXPECT_FALSE(options.password.has_value());
    EXPECT_EQ(Ok({"l", "a.zip"}).command, Command::List);
    EXPECT_EQ(Ok({"t", "a.zip"}).command, Command::Test);
}

TEST(CommandLineTest, EveryExtractOptionInAnyOrder) {
    const Options options =
        Ok({"x", "-d", "out dir", "--no-folders", "a.zip", "--create-folder", "--overwrite",
            "always", "--yes", "--password", "pw", "--allow-unsafe-paths"});
    EXPECT_EQ(options.archive, "a.zip");
    EXPECT_EQ(options.destination, "out dir");
    EXPECT_TRUE(options.createFolder);
    EXPECT_FALSE(options.useFolders);
    EXPECT_EQ(options.overwriteChoice, 2);
    EXPECT_EQ(options.answer, Answer::Yes);
    EXPECT_TRUE(options.allowUnsafePaths);
    EXPECT_EQ(options.password, "pw");
    EXPECT_FALSE(Ok({"x", "a.zip", "--yes"}).allowUnsafePaths);

    EXPECT_EQ(Ok({"x", "a.zip", "--overwrite=ask"}).overwriteChoice, 0);
    EXPECT_EQ(Ok({"x", "a.zip", "--overwrite", "newer"}).overwriteChoice, 1);
    EXPECT_EQ(Ok({"x", "a.zip", "--no"}).answer, Answer::No);
    // The same answer twice is no contradiction.
    EXPECT_EQ(Ok({"x", "a.zip", "--no", "--no"}).answer, Answer::No);
}

TEST(CommandLineTest, PasswordsAndNamesKeepEveryCharacter) {
    // An inline value keeps its own '='; an empty password is a password.
    EXPECT_EQ(Ok({"t", "a.zip", "--password=a=b"}).password, "a=b");
    EXPECT_EQ(Ok({"t", "a.zip", "--password="}).password, "");
    EXPECT_EQ(Ok({"t", "a.zip", "--password", "--yes"}).password, "--yes");
    // After "--" a name that starts with '-' is the archive; "-" alone is one anyway.
    EXPECT_EQ(Ok({"l", "--", "-odd.lzh"}).archive, "-odd.lzh");
    EXPECT_EQ(Ok({"l", "-"}).archive, "-");
    // Every command takes the names' encoding.
    EXPECT_EQ(Ok({"l", "a.zip", "--codepage", "UTF-8"}).codePage, "UTF-8");
    EXPECT_EQ(Ok({"x", "a.zip", "--codepage=cp437"}).codePage, "cp437");
    // The decoding threads: one per core unless given.
    EXPECT_EQ(Ok({"x", "a.zip"}).threads, 0);
    EXPECT_EQ(Ok({"t", "a.zip", "--threads", "1"}).threads, 1);
    EXPECT_EQ(Ok({"x", "a.zip", "--threads=16"}).threads, 16);
    // The listing's forms for scripts, and errors only for every command.
    EXPECT_EQ(Ok({"l", "a.zip"}).listFormat, ListFormat::Table);
    EXPECT_EQ(Ok({"l", "--names", "a.zip"}).listFormat, ListFormat::Names);
    EXPECT_EQ(Ok({"l", "a.zip", "--json", "--json"}).listFormat, ListFormat::Json);
    EXPECT_FALSE(Ok({"t", "a.zip"}).quiet);
    EXPECT_TRUE(Ok({"t", "a.zip", "-q"}).quiet);
    EXPECT_TRUE(Ok({"x", "--quiet", "a.zip"}).quiet);
    EXPECT_EQ(Ok({"l", "-q", "--", "-q"}).archive, "-q");
}

TEST(CommandLineTest, HelpWinsBeforeTheEndOfOptions) {
    EXPECT_TRUE(std::holds_alternative<HelpRequest>(Parse({"--help"})));
    EXPECT_TRUE(std::holds_alternative<HelpRequest>(Parse({"x", "a.zip", "-h"})));
    EXPECT_TRUE(std::holds_alternative<HelpRequest>(Parse({"bogus", "--help"})));
    EXPECT_EQ(Ok({"l", "--", "--help"}).archive, "--help");
    const std::string_view help = HelpText();
    for (const char* word : {"quillory-cli l ARCHIVE", "--create-folder", "--no-folders",
                             "--overwrite", "--yes", "--password", "Exit status"}) {
        EXPECT_NE(help.find(word), std::string_view::npos) << word;
    }
}

TEST(CommandLineTest, RefusesWhatItCannotTakeWhole) {
    EXPECT_EQ(Refusal({}), "no command given");
    EXPECT_EQ(Refusal({"e", "a.zip"}), "unknown command 'e'");
    EXPECT_EQ(Refusal({"x"}), "no archive given");
    EXPECT_EQ(Refusal({"x", ""}), "the archive's name is empty");
    EXPECT_EQ(Refusal({"x", "a.zip", "b.zip"}), "more than one archive given");
    EXPECT_EQ(Refusal({"x", "a.zip", "--force"}), "unknown option '--force'");
    EXPECT_EQ(Refusal({"x", "a.zip", "-d"}), "option '-d' needs a value");
    EXPECT_EQ(Refusal({"x", "a.zip", "-d", ""}), "the destination folder is empty");
    EXPECT_EQ(Refusal({"x", "a.zip", "--password"}), "option '--password' needs a value");
    EXPECT_EQ(Refusal({"x", "a.zip", "--overwrite", "never"}),
              "--overwrite takes ask, newer or always, not 'never'");
    EXPECT_EQ(Refusal({"x", "a.zip", "--yes", "--no"}), "--yes and --no exclude each other");
    EXPECT_EQ(Refusal({"x", "a.zip", "--yes=1"}), "option '--yes' takes no value");
    EXPECT_EQ(Refusal({"t", "a.zip", "--codepage="}), "the code page is empty");
    for (const char* count : {"0", "-1", "2x", "1025", ""}) {
        EXPECT_EQ(Refusal({"x", "a.zip", "--threads", count}),
                  "--threads takes a number from 1 to 1024, not '" + std::string(count) + "'");
    }
    EXPECT_EQ(Refusal({"l", "a.zip", "--names", "--json"}),
              "--names and --json exclude each other");
    EXPECT_EQ(Refusal({"l", "a.zip", "--quiet=1"}), "option '--quiet' takes no value");
    EXPECT_EQ(Refusal({"l", "a.zip", "--threads", "2"}),
              "option '--threads' does not go with this command");
}

TEST(CommandLineTest, OptionsOnlyGoWithTheCommandsTheyMeanSomethingTo) {
    for (const char* option : {"-d", "--overwrite"}) {
        EXPECT_EQ(Refusal({"t", "a.zip", option, "v"}),
                  "option '" + std::string(option) + "' does not go with this command");
    }
    for (const char* option : {"--create-folder", "--no-folders", "--yes", "--no"}) {
        EXPECT_EQ(Refusal({"l", "a.zip", option}),
                  "option '" + std::string(option) + "' does not go with this command");
    }
    for (const char* option : {"--names", "--json"}) {
        EXPECT_EQ(Refusal({"x", "a.zip", option}),
                  "option '" + std::string(option) + "' does not go with this command");
    }
    EXPECT_EQ(Refusal({"l", "a.zip", "--password", "pw"}),
              "option '--password' does not go with this command");
}

}  // namespace
}  // namespace quillory::cli
