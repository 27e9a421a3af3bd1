// The controlling terminal as the command-line tool uses it: whether the standard streams
// are terminals, and one line read from the terminal after a prompt, optionally without
// echo. It never reads from a pipe or a file: without a terminal there is no answer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillory::platform {

enum class StandardStream { Input, Output, Error };

bool IsTerminal(StandardStream stream);

// Writes the prompt to the controlling terminal and reads one line from it (without the
// line end). With echo off the typed text is not shown, and the terminal's settings are
// restored afterwards, also when the process is interrupted while waiting. Nothing when
// there is no controlling terminal, it ends before a line was read, or a stop was
// requested while waiting (platform/stop_request.h).
std::optional<std::string> ReadTerminalLine(std::string_view prompt, bool echo);

}  // namespace quillory::platform
