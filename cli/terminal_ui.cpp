// The document's user interface on a terminal: messages on standard error, questions
// answered by the options or asked on the terminal, the password from the options or
// typed without echo, progress only on a terminal. File and settings dialogs answer
// Cancel; nothing is asked without a terminal.
#include "cli/terminal_ui.h"

#include "cli/display_text.h"
#include "document/extract_callback_impl.h"
#include "document/shown_name.h"
#include "platform/path.h"

namespace quillory::cli {
namespace {

// Clears the terminal line the cursor is on: carriage return, then "erase to end".
constexpr std::string_view kClearLine = "\r\x1b[K";

bool IsYes(std::string_view answer) {
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

}  // namespace

TerminalUserInterface::TerminalUserInterface(Console& console, const Options& options,
                                             std::chrono::milliseconds progressInterval)
    : console_(console),
      options_(options),
      drawProgress_(console.ErrorIsTerminal() && !options.quiet),
      progressInterval_(progressInterval) {}

void TerminalUserInterface::ShowMessage(WStringView text) {
    ClearProgress();
    console_.Err(OneLine(text) + "\n");
}

void TerminalUserInterface::ShowRunSummary(const RunReport& report) {
    // Each failed member has had its own message; the summary only counts them.
    if (options_.quiet) return;
    ShowMessage(report.text);
}

bool TerminalUserInterface::AskYesNo(WStringView text) {
    if (options_.answer != Answer::Ask) return options_.answer == Answer::Yes;
    if (!console_.InputIsTerminal()) return false;
    return AskOnTerminal(text);
}

bool TerminalUserInterface::AskUnsafePath(const UnsafePathQuestion& question) {
    // --yes is for overwrites: a member leaves the destination only on its own consent.
    const bool agreed =
        options_.allowUnsafePaths || (options_.answer != Answer::No && console_.InputIsTerminal() &&
                                      AskOnTerminal(QuestionText(question)));
    if (!agreed) {
        ClearProgress();
        WString skipped(kUnsafeSkippedBefore);
        AppendShownName(platform::DisplayPath(question.storedPath), &skipped);
        skipped.append(kUnsafeSkippedAfter);
        console_.Err(OneLine(skipped) + "\n");
        ++unsafeSkipped_;
    }
    return agreed;
}

bool TerminalUserInterface::AskOnTerminal(WStringView text) {
    ClearProgress();
    // The question keeps its line breaks on the terminal; only controls are replaced.
    std::string prompt;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(u'\n', start), text.size());
        if (start > 0) prompt += '\n';
        prompt += OneLine(text.substr(start, end - start));
        start = end + 1;
    }
    prompt += kYesNoPrompt;
    const std::optional<std::string> answer = console_.Ask(prompt, true);
    return answer && IsYes(*answer);
}

std::optional<WString> TerminalUserInterface::AskArchivePath(std::span<const texts::FileFilter>,
                                                             WStringView) {
    return std::nullopt;
}

bool TerminalUserInterface::AskDestination(DestinationValues* values) {
    // A terminal user means the folder below where the command was typed.
    values->folder = platform::AbsolutePath(platform::FromHostPath(options_.destination));
    values->createFolder = options_.createFolder ? 1 : 0;
    values->useFolders = options_.useFolders ? 1 : 0;
    return true;
}

std::optional<WString> TerminalUserInterface::AskPassword(WStringView memberName,
                                                          bool wrongBefore) {
    // --password is the answer each time, so a member it does not open fails as one with
    // a wrong password.
    if (options_.password) return platform::Utf8ToWide(*options_.password);
    if (!console_.InputIsTerminal()) return std::nullopt;
    ClearProgress();
    if (wrongBefore) console_.Err(OneLine(texts::kWrongPassword) + "\n");
    const std::string prompt = OneLine(kPasswordPrompt) + " [" + OneLine(memberName) + "]: ";
    const std::optional<std::string> typed = console_.Ask(prompt, false);
    if (!typed) return std::nullopt;
    // The dialog takes no more than its limit; neither does the terminal.
    const WString password = platform::Utf8ToWide(*typed);
    return WString(CutWithoutSplittingPairs(password, kPasswordDialogMaxChars));
}

bool TerminalUserInterface::AskSkipEncrypted() {
    // Without a terminal nobody cancelled: the protected members fail one by one.
    if (!console_.InputIsTerminal()) return true;
    return AskOnTerminal(WString(texts::kNoPassword) + WString(texts::kSkipEncrypted));
}

bool TerminalUserInterface::AskSettings(SettingsValues*) {
    return false;
}

void TerminalUserInterface::OpenProgress(int count) {
    progressTotal_ = count;
    progressCurrent_ = 0;
    lastDrawn_ = Clock::now();
}

void TerminalUserInterface::SetProgressName(WStringView name) {
    ++progressCurrent_;
    if (!drawProgress_) return;
    const Clock::time_point now = Clock::now();
    if (now - lastDrawn_ < progressInterval_) return;
    lastDrawn_ = now;
    std::string line(kClearLine);
    line += std::to_string(progressCurrent_) + "/" + std::to_string(progressTotal_) + " ";
    const std::string shown = OneLine(name);
    line += FitToWidth(shown, kProgressNameColumns);
    console_.Err(line);
    progressShown_ = true;
}

void TerminalUserInterface::CloseProgress() {
    ClearProgress();
    progressTotal_ = 0;
    progressCurrent_ = 0;
}

void TerminalUserInterface::ClearProgress() {
    if (!progressShown_) return;
    console_.Err(kClearLine);
    progressShown_ = false;
}

}  // namespace quillory::cli
