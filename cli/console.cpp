// The host console: standard output buffered in large pieces (a listing of 100,000
// members is some megabytes), standard error written at once. Once standard output
// fails (a reader that closed the pipe, as "| head" does) nothing more is written to
// it, and nothing is said about it: the exit status tells.
#include "cli/console.h"

#include "platform/terminal.h"

namespace quillory::cli {

Console::~Console() = default;

HostConsole::HostConsole()
    : inputIsTerminal_(platform::IsTerminal(platform::StandardStream::Input)),
      errorIsTerminal_(platform::IsTerminal(platform::StandardStream::Error)) {}

HostConsole::~HostConsole() {
    std::fflush(stdout);
}

void HostConsole::Out(std::string_view text) {
    if (std::ferror(stdout) != 0) return;
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void HostConsole::Err(std::string_view text) {
    // Output written so far comes first, as the user would read it on one terminal.
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::optional<std::string> HostConsole::Ask(std::string_view prompt, bool echo) {
    std::fflush(stdout);
    return platform::ReadTerminalLine(prompt, echo);
}

bool HostConsole::OutputOk() {
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}

}  // namespace quillory::cli
