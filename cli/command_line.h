// The command line of quillory-cli: one command (list, test, extract), one archive and
// the options that stand for the destination dialog, the overwrite setting, the answers
// to questions and the password. Parsing never touches the file system; a command line
// it cannot take whole is refused with a message, never half obeyed.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace quillory::cli {

enum class Command { List, Test, Extract };

// How questions are answered when no one is asked.
enum class Answer { Ask, Yes, No };

// What l prints: the list's columns, one stored path per line, or JSON.
enum class ListFormat { Table, Names, Json };

struct Options {
    Command command = Command::List;
    std::string archive;                 // as given, a host path
    std::string destination = ".";       // -d, a host path (relative: to the current folder)
    bool createFolder = false;           // --create-folder
    bool useFolders = true;              // cleared by --no-folders
    std::optional<int> overwriteChoice;  // --overwrite: 0 ask, 1 newer, 2 always
    Answer answer = Answer::Ask;         // --yes (overwrite questions only), --no
    bool allowUnsafePaths = false;       // --allow-unsafe-paths
    std::optional<std::string> password;
    std::optional<std::string> codePage;        // --codepage: the names' encoding
    int threads = 0;                            // --threads: decoding threads, 0 one per core
    bool keepDamaged = false;                   // --keep-damaged
    ListFormat listFormat = ListFormat::Table;  // --names, --json
    bool quiet = false;                         // -q, --quiet: errors only
};

// What the command line asks for: a run, the help text, the version, or a refusal with
// its reason.
struct HelpRequest {};
struct VersionRequest {};
struct UsageError {
    std::string message;
};
using ParseResult = std::variant<Options, HelpRequest, VersionRequest, UsageError>;

// args excludes the program name.
ParseResult ParseCommandLine(std::span<const std::string_view> args);

// The text of --help.
std::string_view HelpText();

}  // namespace quillory::cli
