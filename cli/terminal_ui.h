// The document's user interface on a terminal: messages as lines on standard error, the
// destination dialog answered by the command line (-d taken from the current folder),
// questions asked on the terminal or answered by --yes/--no/--allow-unsafe-paths, the
// password from --password or typed without echo, and a progress line only when
// standard error is a terminal. Every member skipped for its unsafe path is named on
// standard error and counted. With --quiet only errors are written: no summary, no
// progress line. It never opens a file dialog or the settings dialog: those answer
// Cancel.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "cli/console.h"
#include "document/translation.h"
#include "document/user_interface.h"

namespace quillory::cli {

// The terminal's prompts: the password dialog's title and the Yes/No choice. Texts are
// read in the user's language where they are used (document/translation.h).
inline constexpr ShownText kPasswordPrompt = u"パスワードの入力";
inline constexpr std::string_view kYesNoPrompt = " [y/N] ";
// A member not written for its unsafe path: kUnsafeSkippedBefore + stored path +
// kUnsafeSkippedAfter, on standard error.
inline constexpr ShownText kUnsafeSkippedBefore = u"書庫内のファイル[";
inline constexpr ShownText kUnsafeSkippedAfter = u"]を展開しませんでした。";

// The progress line is redrawn at most this often, so that thousands of small members
// do not flood the terminal, and not at all for a run shorter than one interval.
inline constexpr std::chrono::milliseconds kProgressInterval{100};
// Columns the member name may take on the progress line.
inline constexpr std::size_t kProgressNameColumns = 60;

class TerminalUserInterface final : public UserInterface {
public:
    TerminalUserInterface(Console& console, const Options& options,
                          std::chrono::milliseconds progressInterval = kProgressInterval);

    void ShowMessage(WStringView text) override;
    void ShowRunSummary(const RunReport& report) override;
    bool AskYesNo(WStringView text) override;
    bool AskUnsafePath(const UnsafePathQuestion& question) override;
    std::optional<WString> AskArchivePath(std::span<const texts::FileFilter> filters,
                                          WStringView initialFolder) override;
    bool AskDestination(DestinationValues* values) override;
    std::optional<WString> AskPassword(WStringView memberName, bool wrongBefore) override;
    bool AskSkipEncrypted() override;
    bool AskSettings(SettingsValues* values) override;

    void OpenProgress(int count) override;
    void SetProgressName(WStringView name) override;
    void StepProgress() override {}
    void CloseProgress() override;

    void SetArchiveName(WStringView) override {}
    void RepaintActiveView() override {}
    void ShellOpen(WStringView) override {}

    // Members skipped so far because their unsafe path was not agreed to.
    int unsafeSkipped() const { return unsafeSkipped_; }

private:
    using Clock = std::chrono::steady_clock;

    // Removes a drawn progress line before anything else is written to the terminal.
    void ClearProgress();
    // Asks the question on the terminal, its line breaks kept; true only for yes.
    bool AskOnTerminal(WStringView text);

    Console& console_;
    const Options& options_;
    const bool drawProgress_;
    const std::chrono::milliseconds progressInterval_;
    int progressTotal_ = 0;
    int progressCurrent_ = 0;
    Clock::time_point lastDrawn_;
    bool progressShown_ = false;
    int unsafeSkipped_ = 0;
};

}  // namespace quillory::cli
