// Dialog 130 "展開先の指定": the destination folder (shown and typed in the host's form),
// the two folder check boxes, and "参照", which asks the desktop's folder chooser. OK
// takes only an absolute folder: an empty or relative one is refused with a message and
// the dialog stays, for the program has no current folder of its own to resolve it
// against. The folder is kept as the program path it was given (or chosen), so a name
// that is no UTF-8 survives being shown and edited. Whether the folder can be created is
// the extraction's business.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "document/user_interface.h"

class QCheckBox;
class QLineEdit;

namespace quillory {

class CDestinationDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kFolderEdit = 1001;
    static constexpr int kCreateFolder = 1000;
    static constexpr int kUseFolders = 1002;
    static constexpr int kBrowse = 1027;

    // Asks for a folder, titled and owned as given, starting at a host path; nothing when
    // the user cancels. The default is the desktop's folder chooser.
    using FolderChooser = std::function<std::optional<QString>(QWidget* owner, const QString& title,
                                                               const QString& start)>;

    explicit CDestinationDialog(QWidget* parent = nullptr);

    // The members: folder is a program path, the edit's text with its edits applied.
    void setValues(const DestinationValues& values);
    DestinationValues values() const;

    // OK: only with an absolute folder.
    void accept() override;

    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    // The browse button: the chosen folder, with one trailing separator, into the edit.
    void Browse();

private:
    // Shows the folder readably in the edit and keeps it as the one shown.
    void ShowFolder(WString programPath);

    WString shownFolder_;
    QLineEdit* folder_;
    QCheckBox* createFolder_;
    QCheckBox* useFolders_;
    FolderChooser chooser_;
};

// The chosen folder as the edit shows it: one separator added unless the path already
// ends with one (a root such as "/" or "C:\").
QString FolderWithSeparator(const QString& hostFolder);

}  // namespace quillory
