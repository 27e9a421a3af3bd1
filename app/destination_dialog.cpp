// The destination dialog's controls and their exchange with DestinationValues, and the
// desktop's folder chooser behind "参照". OK refuses an empty or relative folder with a
// message and keeps the dialog up; the folder is kept as the program path it came as.
#include "app/destination_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialog_controls.h"
#include "app/qt_text.h"
#include "document/texts.h"
#include "platform/path.h"

namespace quillory {
namespace {

std::optional<QString> ChooseFolder(QWidget* owner, const QString& title, const QString& start) {
    const QString folder =
        QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

}  // namespace

QString FolderWithSeparator(const QString& hostFolder) {
    if (hostFolder.endsWith(u'/') || hostFolder.endsWith(u'\\')) return hostFolder;
    return hostFolder + u'/';
}

CDestinationDialog::CDestinationDialog(QWidget* parent) : QDialog(parent), chooser_(ChooseFolder) {
    setWindowTitle(Tr("展開先の指定"));
    auto* layout = new QGridLayout(this);
    folder_ = new QLineEdit(this);
    folder_->setObjectName(ControlName(kFolderEdit));
    folder_->setMinimumWidth(360);
    auto* browse = new QPushButton(Tr("参照"), this);
    browse->setObjectName(ControlName(kBrowse));
    browse->setAutoDefault(false);
    createFolder_ = new QCheckBox(Tr("書庫と同名のフォルダを作成"), this);
    createFolder_->setObjectName(ControlName(kCreateFolder));
    useFolders_ = new QCheckBox(Tr("フォルダ付きで展開"), this);
    useFolders_->setObjectName(ControlName(kUseFolders));
    layout->addWidget(folder_, 0, 0);
    layout->addWidget(browse, 0, 1);
    layout->addWidget(createFolder_, 1, 0, 1, 2);
    layout->addWidget(useFolders_, 2, 0, 1, 2);
    layout->addWidget(OkCancelButtons(this), 3, 0, 1, 2);
    connect(browse, &QPushButton::clicked, this, &CDestinationDialog::Browse);
    setValues({});
}

void CDestinationDialog::setValues(const DestinationValues& values) {
    ShowFolder(values.folder);
    createFolder_->setChecked(values.createFolder != 0);
    useFolders_->setChecked(values.useFolders != 0);
}

DestinationValues CDestinationDialog::values() const {
    return {platform::EditedPath(shownFolder_, FromQString(folder_->text())),
            createFolder_->isChecked() ? 1 : 0, useFolders_->isChecked() ? 1 : 0};
}

void CDestinationDialog::accept() {
    if (!platform::IsAbsolutePath(values().folder)) {
        ShowMessageBox(this, ToQString(texts::kDestinationNotAbsolute));
        folder_->setFocus();
        return;
    }
    QDialog::accept();
}

void CDestinationDialog::ShowFolder(WString programPath) {
    shownFolder_ = std::move(programPath);
    folder_->setText(HostPathText(shownFolder_));
}

void CDestinationDialog::Browse() {
    const std::optional<QString> folder =
        chooser_(this, Tr("フォルダの選択"), QtFilePath(values().folder));
    if (folder) ShowFolder(ProgramPathOf(FolderWithSeparator(*folder)));
}

}  // namespace quillory
