// The commands on the document layer, as the GUI runs them, with settings that come only
// from the command line: a fresh memory profile holds the defaults and the few options
// the command line sets, and nothing is kept after the run.
#include "cli/run.h"

#include <string>

#include "cli/command_line.h"
#include "cli/member_listing.h"
#include "cli/member_records.h"
#include "cli/terminal_ui.h"
#include "document/front_end.h"
#include "document/member_outcome.h"
#include "document/version.h"
#include "platform/path.h"

namespace quillory::cli {
namespace {

constexpr std::string_view kProgramName = "quillory-cli";

int Usage(Console& console, const std::string& message) {
    console.Err(std::string(kProgramName) + ": " + message + "\n");
    console.Err("Try '" + std::string(kProgramName) + " --help'.\n");
    return kExitNotOpened;
}

// The options the command line decides, as the profile holds them; the rest keep their
// defaults (no automatic extraction, folders on, overwrite "ask only if newer").
void FillProfile(const Options& options, platform::MemoryProfile* profile) {
    // The list shows folder entries too.
    profile->SetInt(kOptionSection, u"DisplayFolder", 1);
    profile->SetInt(kOptionSection, u"AutoExtract", 0);
    profile->SetInt(kOptionSection, u"CreateFolder", options.createFolder ? 1 : 0);
    profile->SetInt(kOptionSection, u"UseFolder", options.useFolders ? 1 : 0);
    profile->SetInt(kOptionSection, u"KeepDamaged", options.keepDamaged ? 1 : 0);
    if (options.overwriteChoice) {
        profile->SetInt(kOptionSection, u"OverwriteInquire", *options.overwriteChoice);
    }
}

int RunCommand(const Options& options, Console& console) {
    TerminalUserInterface ui(console, options);
    ApplicationSettings settings;
    platform::MemoryProfile profile;
    FillProfile(options, &profile);
    CQuilloryDoc doc(ui, settings, profile);
    doc.SetDecodingThreads(options.threads);
    if (options.codePage && !doc.ChooseNameEncoding(*options.codePage)) {
        return Usage(console, "unknown code page '" + *options.codePage + "'");
    }

    StartupRequest request;
    request.archive = platform::FromHostPath(options.archive);
    StartUp(doc, request);
    if (doc.isOpen == 0) return kExitNotOpened;

    switch (options.command) {
        case Command::List: {
            const auto out = [&](std::string_view text) { console.Out(text); };
            // What could be listed of a damaged archive is not the whole of it.
            const int status = doc.OpenWarning() ? kExitBadMembers : kExitGood;
            if (options.listFormat != ListFormat::Table) {
                WriteMemberRecords(doc, options.listFormat, out);
                return status;
            }
            MemberList list;
            list.Rebuild(doc);
            WriteListing(list, out);
            return status;
        }
        case Command::Test:
            return ExitStatusOf(doc.OnTest());
        case Command::Extract: {
            const int status = ExitStatusOf(doc.OnExtractAll());
            // 0 only when every member was written: a skipped unsafe one was not.
            return status == kExitGood && ui.unsafeSkipped() > 0 ? kExitBadMembers : status;
        }
    }
    return kExitNotOpened;
}

}  // namespace

int Run(std::span<const std::string_view> args, Console& console) {
    const ParseResult parsed = ParseCommandLine(args);
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        return Usage(console, error->message);
    }
    if (std::holds_alternative<HelpRequest>(parsed)) {
        console.Out(HelpText());
        return kExitGood;
    }
    if (std::holds_alternative<VersionRequest>(parsed)) {
        console.Out(std::string(kProgramName) + " " + kVersion + "\n");
        return kExitGood;
    }
    return RunCommand(std::get<Options>(parsed), console);
}

}  // namespace quillory::cli
