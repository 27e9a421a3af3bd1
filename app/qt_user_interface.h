// The document layer's user interface in Qt: message boxes titled "Quillory" with the
// buttons the document asks for, the file-open dialog with the archive filters in Qt's
// syntax, the program's dialogs, the progress dialog, the frame's archive-name bar, and
// the desktop's "open" (QDesktopServices). Every call is modal or synchronous.
#pragma once

#include <QStringList>
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

    void ShowMessage(WStringView text) override;
    bool AskYesNo(WStringView text) override;
    bool AskUnsafePath(const UnsafePathQuestion& question) override;
    std::optional<WString> AskArchivePath(std::span<const texts::FileFilter> filters,
                                          WStringView initialFolder) override;
    bool AskDestination(DestinationValues* values) override;
    std::optional<WString> AskPassword(WStringView memberName) override;
    bool AskSettings(SettingsValues* values) override;
    void OpenProgress(int count) override;
    void SetProgressName(WStringView name) override;
    void StepProgress() override;
    void CloseProgress() override;
    void SetArchiveName(WStringView path) override;
    void RepaintActiveView() override;
    void ShellOpen(WStringView path) override;

    CProgressDialog* progress() const { return progress_.get(); }

private:
    QWidget* Owner() const;
    // A Yes/No box; Enter gives Yes or No as yesIsDefault says. True only for Yes.
    bool Ask(WStringView text, bool yesIsDefault);

    CMainFrame* frame_ = nullptr;
    std::unique_ptr<CProgressDialog> progress_;
};

// The filters as QFileDialog takes them: "description (pattern pattern)", with "*.*"
// written "*" so that it also shows names without a dot.
QStringList QtFileFilters(std::span<const texts::FileFilter> filters);

}  // namespace quillory
