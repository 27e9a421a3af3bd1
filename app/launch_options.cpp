// Parsing of the program's command line. A relative archive path is taken from the
// current folder, as the name bar shows the full path and the actions extract beside it;
// the archive's bytes are kept as the host gave them.
#include "app/launch_options.h"

#include <cstdio>

#include "document/version.h"
#include "platform/path.h"

namespace quillory {
namespace {

constexpr char kProgramName[] = "quillory";
constexpr int kExitUsage = 2;  // as quillory-cli's wrong command line

QString HelpText() {
    return QStringLiteral(R"(Usage:
  quillory [ARCHIVE]
  quillory --extract-here [ARCHIVE]
  quillory --test [ARCHIVE]
  quillory --help | --version

Opens an LZH or ZIP archive in Quillory's window, or shows the window empty.

Options:
  --extract-here     extract every member into the folder that holds ARCHIVE (into a
                     folder named after it when the settings say so), show the summary
                     and quit, without the main window
  --test             test every member, show the summary and quit, without the main
                     window
                     Without ARCHIVE, both ask for one with the open dialog.
  -h, --help         print this help and quit
  --version          print the version and quit

Qt's standard options, such as -platform and -style, are accepted too.
)");
}

LaunchReply Refusal(const QString& message) {
    return LaunchReply{QString::fromLatin1(kProgramName) + QStringLiteral(": ") + message +
                           QStringLiteral("\nTry '") + QString::fromLatin1(kProgramName) +
                           QStringLiteral(" --help'.\n"),
                       kExitUsage};
}

// --help and --version win wherever they stand before "--".
std::optional<LaunchReply> VersionOrHelp(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") return LaunchReply{HelpText(), 0};
        if (arg == "--version") {
            return LaunchReply{
                QString::fromLatin1(kProgramName) + u' ' + QString::fromLatin1(kVersion) + u'\n',
                0};
        }
    }
    return std::nullopt;
}

}  // namespace

std::variant<LaunchRequest, LaunchReply> ParseLaunchArguments(
    const std::vector<std::string>& arguments) {
    if (std::optional<LaunchReply> reply = VersionOrHelp(arguments)) return *reply;
    LaunchRequest request;
    std::optional<std::string> archive;
    bool operandsOnly = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (!operandsOnly && arg == "--") {
            operandsOnly = true;
        } else if (operandsOnly || !arg.starts_with('-') || arg == "-") {
            if (archive) return Refusal(QStringLiteral("more than one archive given"));
            archive = arg;
        } else if (arg == "--extract-here" || arg == "--test") {
            const StartupAction action =
                arg == "--test" ? StartupAction::Test : StartupAction::ExtractHere;
            if (request.action != StartupAction::Open && request.action != action) {
                return Refusal(QStringLiteral("--extract-here and --test exclude each other"));
            }
            request.action = action;
        } else {
            return Refusal(QStringLiteral("unknown option '") + QString::fromLocal8Bit(arg) +
                           u'\'');
        }
    }
    // An empty argument names no archive, as no argument does.
    if (archive && !archive->empty()) {
        request.archive = platform::AbsolutePath(platform::FromHostPath(*archive));
    }
    return request;
}

int PrintReply(const LaunchReply& reply) {
    std::FILE* stream = reply.exitStatus == 0 ? stdout : stderr;
    std::fputs(reply.text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
    return reply.exitStatus;
}

std::optional<int> AnswerVersionOrHelp(int argc, char** argv) {
    const std::optional<LaunchReply> reply =
        VersionOrHelp(std::vector<std::string>(argv, argv + argc));
    if (!reply) return std::nullopt;
    return PrintReply(*reply);
}

}  // namespace quillory
