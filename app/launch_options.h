// The program's command line: an archive to open, one of the desktop entry's two actions
// (--extract-here, --test) on an archive or, without one, on the archive the open dialog
// then asks for, or --version and --help, which are answered on
// standard output before Qt looks for a display. Qt's own options (-platform, -style ...)
// are taken out by QApplication before the rest is read. A command line that cannot be
// taken whole is refused with a message and status 2, never half obeyed.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "document/startup.h"

namespace quillory {

// What to start with.
struct LaunchRequest {
    StartupAction action = StartupAction::Open;
    std::optional<WString> archive;  // an absolute program path
};

// What to print instead, and the exit status: 0 on standard output (--version, --help),
// otherwise on standard error.
struct LaunchReply {
    QString text;
    int exitStatus = 0;
};

// arguments as the host gave them, after QApplication has taken its own, the program
// first: the archive's bytes stay exactly as they are (QApplication::arguments() would
// decode them, losing a name that is no UTF-8).
std::variant<LaunchRequest, LaunchReply> ParseLaunchArguments(
    const std::vector<std::string>& arguments);

// Prints a reply where it belongs and returns its exit status.
int PrintReply(const LaunchReply& reply);

// --version and --help answered from main()'s own arguments, before QApplication exists,
// so that they work without a display; nothing when the program should start.
std::optional<int> AnswerVersionOrHelp(int argc, char** argv);

}  // namespace quillory
