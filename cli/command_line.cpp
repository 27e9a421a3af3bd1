// Parsing of the command line: the command first, then the archive and the options in
// any order; "--" ends the options. Each option is allowed only with the commands it
// means something to.
#include "cli/command_line.h"

#include <array>

namespace quillory::cli {
namespace {

// Which commands an option belongs to, one bit per Command.
constexpr unsigned Bit(Command c) {
    return 1u << static_cast<unsigned>(c);
}
constexpr unsigned kTestOrExtract = Bit(Command::Test) | Bit(Command::Extract);
constexpr unsigned kAnyCommand = Bit(Command::List) | kTestOrExtract;
constexpr unsigned kExtractOnly = Bit(Command::Extract);
constexpr unsigned kListOnly = Bit(Command::List);

std::optional<Command> CommandOf(std::string_view word) {
    if (word == "l") return Command::List;
    if (word == "t") return Command::Test;
    if (word == "x") return Command::Extract;
    return std::nullopt;
}

std::optional<int> OverwriteChoiceOf(std::string_view word) {
    if (word == "ask") return 0;
    if (word == "newer") return 1;
    if (word == "always") return 2;
    return std::nullopt;
}

// A thread count: a whole number from 1 up to a bound no machine needs more than.
std::optional<int> ThreadCountOf(std::string_view word) {
    constexpr int kMostThreads = 1024;
    if (word.empty() || word.size() > 4) return std::nullopt;
    int count = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        count = count * 10 + (c - '0');
    }
    if (count < 1 || count > kMostThreads) return std::nullopt;
    return count;
}

UsageError Error(std::string message) {
    return UsageError{std::move(message)};
}

// Walks the arguments after the command, one option or operand at a time.
class Parser {
public:
    Parser(Command command, std::span<const std::string_view> args) : args_(args) {
        options_.command = command;
    }

    ParseResult Run() {
        bool operandsOnly = false;
        bool haveArchive = false;
        while (next_ < args_.size()) {
            const std::string_view arg = args_[next_++];
            if (!operandsOnly && arg == "--") {
                operandsOnly = true;
                continue;
            }
            if (operandsOnly || arg.empty() || arg[0] != '-' || arg == "-") {
                if (haveArchive) return Error("more than one archive given");
                options_.archive = std::string(arg);
                haveArchive = true;
                continue;
            }
            if (std::optional<UsageError> error = Option(arg)) return *error;
        }
        if (!haveArchive) return Error("no archive given");
        if (options_.archive.empty()) return Error("the archive's name is empty");
        return options_;
    }

private:
    // "--name=value" or "--name value" (and "-d value").
    std::optional<UsageError> Option(std::string_view arg) {
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (arg.starts_with("--")) {
            if (const std::size_t eq = arg.find('='); eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        const auto allowed = [&](unsigned commands) -> std::optional<UsageError> {
            if ((commands & Bit(options_.command)) != 0) return std::nullopt;
            return Error("option '" + std::string(name) + "' does not go with this command");
        };
        const auto flag = [&](unsigned commands) -> std::optional<UsageError> {
            if (inlineValue) return Error("option '" + std::string(name) + "' takes no value");
            return allowed(commands);
        };
        std::string_view value;
        const auto takeValue = [&](unsigned commands) -> std::optional<UsageError> {
            if (std::optional<UsageError> error = allowed(commands)) return error;
            if (inlineValue) {
                value = *inlineValue;
            } else if (next_ < args_.size()) {
                value = args_[next_++];
            } else {
                return Error("option '" + std::string(name) + "' needs a value");
            }
            return std::nullopt;
        };

        if (name == "-d") {
            if (auto error = takeValue(kExtractOnly)) return error;
            if (value.empty()) return Error("the destination folder is empty");
            options_.destination = std::string(value);
        } else if (name == "--create-folder") {
            if (auto error = flag(kExtractOnly)) return error;
            options_.createFolder = true;
        } else if (name == "--no-folders") {
            if (auto error = flag(kExtractOnly)) return error;
            options_.useFolders = false;
        } else if (name == "--overwrite") {
            if (auto error = takeValue(kExtractOnly)) return error;
            options_.overwriteChoice = OverwriteChoiceOf(value);
            if (!options_.overwriteChoice) {
                return Error("--overwrite takes ask, newer or always, not '" + std::string(value) +
                             "'");
            }
        } else if (name == "--yes" || name == "--no") {
            if (auto error = flag(kExtractOnly)) return error;
            const Answer answer = name == "--yes" ? Answer::Yes : Answer::No;
            if (options_.answer != Answer::Ask && options_.answer != answer) {
                return Error("--yes and --no exclude each other");
            }
            options_.answer = answer;
        } else if (name == "--allow-unsafe-paths") {
            if (auto error = flag(kExtractOnly)) return error;
            options_.allowUnsafePaths = true;
        } else if (name == "--keep-damaged") {
            if (auto error = flag(kExtractOnly)) return error;
            options_.keepDamaged = true;
        } else if (name == "--password") {
            if (auto error = takeValue(kTestOrExtract)) return error;
            options_.password = std::string(value);
        } else if (name == "--threads") {
            if (auto error = takeValue(kTestOrExtract)) return error;
            const std::optional<int> threads = ThreadCountOf(value);
            if (!threads) {
                return Error("--threads takes a number from 1 to 1024, not '" + std::string(value) +
                             "'");
            }
            options_.threads = *threads;
        } else if (name == "--names" || name == "--json") {
            if (auto error = flag(kListOnly)) return error;
            const ListFormat format = name == "--names" ? ListFormat::Names : ListFormat::Json;
            if (options_.listFormat != ListFormat::Table && options_.listFormat != format) {
                return Error("--names and --json exclude each other");
            }
            options_.listFormat = format;
        } else if (name == "-q" || name == "--quiet") {
            if (auto error = flag(kAnyCommand)) return error;
            options_.quiet = true;
        } else if (name == "--codepage") {
            if (auto error = takeValue(kAnyCommand)) return error;
            if (value.empty()) return Error("the code page is empty");
            options_.codePage = std::string(value);
        } else {
            return Error("unknown option '" + std::string(name) + "'");
        }
        return std::nullopt;
    }

    std::span<const std::string_view> args_;
    std::size_t next_ = 0;
    Options options_;
};

}  // namespace

ParseResult ParseCommandLine(std::span<const std::string_view> args) {
    if (args.empty()) return Error("no command given");
    for (const std::string_view arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") return HelpRequest{};
        if (arg == "--version") return VersionRequest{};
    }
    const std::optional<Command> command = CommandOf(args[0]);
    if (!command) return Error("unknown command '" + std::string(args[0]) + "'");
    return Parser(*command, args.subspan(1)).Run();
}

std::string_view HelpText() {
    return R"(Usage:
  quillory-cli l ARCHIVE [--names | --json] [-q] [--codepage NAME]
  quillory-cli t ARCHIVE [-q] [--password PW] [--threads N] [--codepage NAME]
  quillory-cli x ARCHIVE [-d DEST] [--create-folder] [--no-folders]
               [--overwrite ask|newer|always] [--yes | --no] [--allow-unsafe-paths]
               [--keep-damaged] [-q] [--password PW] [--threads N] [--codepage NAME]
  quillory-cli --help | --version

Lists, tests or extracts an LZH or ZIP archive. A name ending in .lzh or .zip says
the kind unless the file's first bytes say otherwise; any other name is read as LZH
first (only where its first header checks out), then as ZIP. ARCHIVE "-" is standard
input; it and other streams (pipes, FIFOs) are read once into a private temporary.
ARCHIVE may be any part of a split set (NAME.z01 ... NAME.zip, NAME.zip.001 ...).
An archive cut short (or a set missing a part) opens with a warning and the members
that are there; the run then ends with status 1.
  l   prints the member list (name, sizes, ratio, time, attributes, path),
      folder entries included.
  t   decodes every member and checks it without writing anything.
  x   extracts every member.

Options of l:
  --names            print each member's stored path alone, one a line, folders
                     ending in "/" (as unzip -Z1)
  --json             print the members as JSON: name, path, folder, size,
                     compressed_size, method, time (ISO 8601), encrypted, crc

Options of x:
  -d DEST            extract into DEST (default: the current folder)
  --create-folder    extract into a folder named after the archive, below DEST
  --no-folders       put every member directly into DEST, without its folders
  --overwrite WHEN   what to do with a file that exists already: ask = always ask;
                     newer (the default) = replace it without asking when it is older
                     than the member or as old, and ask when it is newer; always =
                     replace it without asking. A replaced file is gone, not kept.
  --yes              replace existing files without asking (answers the overwrite
                     question only, never the unsafe-path question)
  --no               answer every question no
  --allow-unsafe-paths
                     write members whose stored path climbs out of DEST with "..", or
                     passes through a link in DEST that leads out of it, without
                     asking: they may land outside DEST (a path that starts at the
                     root always lands below DEST, without a question)
  --keep-damaged     keep what a damaged member decoded as NAME.damaged beside it
                     (never over an existing file); without it nothing is kept
Options of t and x:
  --password PW      the password of encrypted ZIP members
  --threads N        decode up to N members at once (default: one thread per core;
                     1 decodes one member after the other); questions, messages and
                     the summary come in member order all the same
Options of every command:
  -q, --quiet        print errors only: no summary, no progress line
  --codepage NAME    read the names the archive stores without saying their encoding
                     (and passwords) in NAME: CP932 (the default), UTF-8, CP936, CP950,
                     CP949, CP1252, CP437 or another iconv name; without it, ZIP names
                     that are all valid UTF-8 are read as UTF-8
Other options:
  -h, --help         print this help and quit
  --version          print the version and quit
  --                 end the options: an archive named "-x" can follow

Questions are asked on the terminal when standard input is one; otherwise they are
answered by the options above, and no when none applies. A member with an unsafe path
that is not written is named on standard error. Without --password the password is
asked on the terminal (not shown while typed), or left empty. Messages go to standard
error, one line each, in English when the locale asks for it (LANGUAGE, LC_ALL,
LC_MESSAGES, LANG), else in Japanese. Output to a pipe closed early (| head) ends the
run quietly.

Exit status: 0 every member was extracted (or tested) and is good; 1 some member was
damaged, unsupported, had a path too long for this system, or was skipped for its
unsafe path; 2 the archive could not be opened, DEST could not be used, or the
command line is wrong; 128 + the signal when interrupted (the member being written
then leaves nothing behind).
)";
}

}  // namespace quillory::cli
