// Everything the document, its commands, the start-up and the callback object show to
// the user or ask, as one interface that each front end implements: the Qt GUI with
// modal dialogs, the command-line tool with flags and the terminal, tests with a script.
// Every call is synchronous: a question returns the user's answer. Texts arrive exactly
// as the user must read them; paths arrive as program paths (UTF-16, "\" separators) and
// are returned the same way (platform/path.h converts, and shows them readably).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "document/questions.h"
#include "document/settings.h"
#include "document/texts.h"
#include "platform/text.h"

namespace quillory {

// The destination dialog's three values.
struct DestinationValues {
    WString folder;        // the destination as typed (edit 1001)
    int createFolder = 0;  // "書庫と同名のフォルダを作成" (1000)
    int useFolders = 0;    // "フォルダ付きで展開" (1002)
};

// The longest password the password dialog lets the user type.
inline constexpr int kPasswordDialogMaxChars = 32;

// The end of a run as a front end shows it: the summary message, and every member that
// failed with why (a front end may list them under the message).
struct RunReport {
    struct FailedMember {
        WString path;    // the member's stored path
        WString reason;  // "ファイルが壊れています。" ...
    };
    WString text;
    std::vector<FailedMember> failures;
    // The heading of the list of failed members: texts::kFailedListTitle, or for a test
    // texts::kUncheckedListTitle.
    WString failuresTitle = WString(texts::kFailedListTitle);
    // The folder the files went to, after an extraction that put some there (a front end
    // may say so and offer to open it); empty otherwise.
    WString folder;
};

class UserInterface {
public:
    virtual ~UserInterface();

    // A message box with the text and an OK button.
    virtual void ShowMessage(WStringView text) = 0;
    // A message box with Yes and No buttons and no icon; true only for Yes.
    virtual bool AskYesNo(WStringView text) = 0;
    // The unsafe-path question (QuestionText), Yes and No with No the default: a member
    // is written outside the destination only on a deliberate Yes. True only for Yes.
    virtual bool AskUnsafePath(const UnsafePathQuestion& question) = 0;

    // The overwrite question. The default asks QuestionText(question) with AskYesNo and
    // never answers for all.
    virtual OverwriteAnswer AskOverwrite(const OverwriteQuestion& question);

    // How many failure messages a run shows one by one before the next one comes with
    // the question whether to go on without them (AskYesNo; No stops the run). 0: never.
    virtual int FailureMessagesBeforeAsking() const;
    // The message that ends a run. The default shows report.text with ShowMessage.
    virtual void ShowRunSummary(const RunReport& report);

    // The file-open dialog: filters in order (the first one selected), the initial
    // folder. The chosen file's path, or nothing when cancelled.
    virtual std::optional<WString> AskArchivePath(std::span<const texts::FileFilter> filters,
                                                  WStringView initialFolder) = 0;
    // The destination dialog, showing *values; true on OK with *values as the user left
    // them, false on Cancel (then *values is not looked at).
    virtual bool AskDestination(DestinationValues* values) = 0;
    // The password dialog for a member (the name may be shown), saying "パスワードが違います。"
    // when wrongBefore (the password typed before for it was wrong); the typed password
    // (at most kPasswordDialogMaxChars characters), or nothing when cancelled.
    virtual std::optional<WString> AskPassword(WStringView memberName, bool wrongBefore) = 0;
    // After a cancelled password dialog, in a run with more protected members: true to
    // skip them all, false to stop the run. The default asks kSkipEncrypted with AskYesNo.
    virtual bool AskSkipEncrypted();
    // The settings dialog, showing *values; true on OK with the user's values. It writes
    // nothing itself: the document stores the values.
    virtual bool AskSettings(SettingsValues* values) = 0;

    // The modeless progress dialog of one run: opened with the bar's range 0 .. count
    // and a step of 1, the member's name before each member, one step after it, closed
    // at the end of the run. A front end that runs jobs on another thread may offer to
    // stop the run (JobHost::RequestStop).
    virtual void OpenProgress(int count) = 0;
    virtual void SetProgressName(WStringView name) = 0;
    // How far the run's data has got, in bytes of output over all of its members, now and
    // then while a member is decoded. Nothing by default.
    virtual void SetProgressBytes(std::uint64_t done, std::uint64_t total);
    // How many members are through, counted as they finish, when several are decoded at
    // once (so later ones finish before the steps reach them). Nothing by default.
    virtual void SetProgressFinished(int finished);
    virtual void StepProgress() = 0;
    virtual void CloseProgress() = 0;

    // The frame's archive-name bar: the open archive's full path, or empty.
    virtual void SetArchiveName(WStringView path) = 0;
    // Invalidate the active view (erasing its background) and repaint it at once.
    virtual void RepaintActiveView() = 0;
    // The desktop's "open" for a file, not waited for and not checked.
    virtual void ShellOpen(WStringView path) = 0;
    // A file an extraction is about to replace, moved to the desktop's Trash so that it
    // can be restored; true when it went there. Called on the thread that writes the
    // member, which may be any. By default nothing is moved: the file is replaced.
    virtual bool MoveToTrash(WStringView path);
};

}  // namespace quillory
