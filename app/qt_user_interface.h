// The document layer's user interface in Qt: message boxes titled "Quillory" with the
// buttons the document asks for, the overwrite question with its details and "for all"
// buttons, the summary with its list of failed members, the file-open dialog with the
// archive filters in Qt's syntax, the program's dialogs, the progress dialog (whose
// Cancel calls the stop handler), the frame's archive-name bar, and the desktop's "open"
// (QDesktopServices). Every call is modal or synchronous, on the GUI thread; a job on a
// worker reaches it through the job host (app/qt_job_host.h).
#pragma once

#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

#include "document/user_interface.h"

namespace quillory {

class CMainFrame;
class CProgressDialog;

class QtUserInterface : public UserInterface {
public:
    QtUserInterface();
    ~QtUserInterface() override;

    // The frame that owns the dialogs and shows the archive name; null before it exists.
    void setFrame(CMainFrame* frame) { frame_ = frame; }
    // What the progress dialog's Cancel does (stop the running job).
    void setStopHandler(std::function<void()> handler) { stopHandler_ = std::move(handler); }
    // While the window closes, the end of the run it stopped says nothing.
    void setClosing(bool closing) { closing_ = closing; }
    bool closing() const { return closing_; }

    // Failure messages shown one by one before the next offers to go on without them.
    static constexpr int kFailureMessagesBeforeAsking = 3;

    void ShowMessage(WStringView text) override;
    bool AskYesNo(WStringView text) override;
    bool AskUnsafePath(const UnsafePathQuestion& question) override;
    OverwriteAnswer AskOverwrite(const OverwriteQuestion& question) override;
    int FailureMessagesBeforeAsking() const override { return kFailureMessagesBeforeAsking; }
    void ShowRunSummary(const RunReport& report) override;
    std::optional<WString> AskArchivePath(std::span<const texts::FileFilter> filters,
                                          WStringView initialFolder) override;
    bool AskDestination(DestinationValues* values) override;
    std::optional<WString> AskPassword(WStringView memberName, bool wrongBefore) override;
    bool AskSettings(SettingsValues* values) override;
    void OpenProgress(int count) override;
    void SetProgressName(WStringView name) override;
    void StepProgress() override;
    void SetProgressBytes(std::uint64_t done, std::uint64_t total) override;
    void SetProgressFinished(int finished) override;
    void CloseProgress() override;
    void SetArchiveName(WStringView path) override;
    void RepaintActiveView() override;
    void ShellOpen(WStringView path) override;
    // QFile::moveToTrash: the freedesktop Trash of the file's own file system.
    bool MoveToTrash(WStringView path) override;

    CProgressDialog* progress() const { return progress_.get(); }

private:
    QWidget* Owner() const;
    // A Yes/No box; Enter gives Yes or No as yesIsDefault says. True only for Yes.
    bool Ask(WStringView text, bool yesIsDefault);

    CMainFrame* frame_ = nullptr;
    std::unique_ptr<CProgressDialog> progress_;
    std::function<void()> stopHandler_;
    bool closing_ = false;
    WString archivePath_;  // the open archive, named by the password dialog
};

// The filters as QFileDialog takes them: "description (pattern pattern)", with "*.*"
// written "*" so that it also shows names without a dot.
QStringList QtFileFilters(std::span<const texts::FileFilter> filters);

}  // namespace quillory
