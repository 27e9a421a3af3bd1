// The settings dialog's check boxes and radio groups and their exchange with
// SettingsValues (a radio group's value is its checked button's index, -1 for none). It
// writes nothing to the profile: the document stores the values on OK.
#include "app/settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/dialog_controls.h"
#include "app/qt_text.h"

namespace quillory {
namespace {

struct Choice {
    int id;
    const char* text;
};

// One row of radio buttons; a button's index in the row is its value.
QButtonGroup* AddRadioRow(QDialog* dialog, QVBoxLayout* layout,
                          std::initializer_list<Choice> choices) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 0, 0, 0);
    auto* group = new QButtonGroup(dialog);
    int index = 0;
    for (const Choice& choice : choices) {
        auto* button = new QRadioButton(Tr(choice.text), dialog);
        button->setObjectName(ControlName(choice.id));
        group->addButton(button, index++);
        row->addWidget(button);
    }
    row->addStretch();
    layout->addLayout(row);
    return group;
}

QCheckBox* AddCheckBox(QDialog* dialog, QVBoxLayout* layout, int id, const char* text) {
    auto* box = new QCheckBox(Tr(text), dialog);
    box->setObjectName(ControlName(id));
    layout->addWidget(box);
    return box;
}

void AddLabel(QDialog* dialog, QVBoxLayout* layout, const char* text) {
    layout->addWidget(new QLabel(Tr(text), dialog));
}

// A value outside the group's buttons checks none of them.
void SetGroup(QButtonGroup* group, int value) {
    if (QAbstractButton* button = group->button(value)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

}  // namespace

CSettingsDialog::CSettingsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr("設定"));
    auto* layout = new QVBoxLayout(this);
    autoExtract_ = AddCheckBox(this, layout, kAutoExtract, "自動展開");
    autoExtractMethod_ = AddRadioRow(
        this, layout,
        {{kAutoExtractDesktop, "デスクトップ"}, {kAutoExtractMyDocuments, "My Documents"}});
    createFolder_ = AddCheckBox(this, layout, kCreateFolder, "書庫と同名のフォルダを作成");
    useFolder_ = AddCheckBox(this, layout, kUseFolder, "フォルダ付きで展開");
    displayFolder_ = AddCheckBox(this, layout, kDisplayFolder, "一覧でフォルダを表示する");
    openFolder_ = AddCheckBox(this, layout, kOpenFolder, "展開後にフォルダを開く");
    keepDamaged_ =
        AddCheckBox(this, layout, kKeepDamaged, "壊れたファイルを「.damaged」として残す");
    AddLabel(this, layout, "上書き確認");
    overwriteInquire_ = AddRadioRow(this, layout,
                                    {{kOverwriteAlways, "常にする"},
                                     {kOverwriteNewer, "新しいファイルのみ"},
                                     {kOverwriteNever, "しない"}});
    AddLabel(this, layout, "書庫選択フォルダ");
    startupFolder_ = AddRadioRow(
        this, layout,
        {{kStartupMyDocuments, "My Documents"}, {kStartupLast, "最後に開いたフォルダ"}});
    AddLabel(this, layout, "書庫展開フォルダ");
    extractFolder_ = AddRadioRow(this, layout,
                                 {{kExtractMyDocuments, "My Documents"},
                                  {kExtractLast, "最後に開いたフォルダ"},
                                  {kExtractDesktop, "デスクトップ"}});
    layout->addWidget(OkCancelButtons(this));
    // "My Documents" reads as the desktop's own name of the Documents folder
    // ("ドキュメント", "Documents"), where it has one.
    const QString documents =
        QFileInfo(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).fileName();
    for (const int id : {kAutoExtractMyDocuments, kStartupMyDocuments, kExtractMyDocuments}) {
        auto* button = findChild<QAbstractButton*>(ControlName(id));
        if (button != nullptr && !documents.isEmpty()) button->setText(documents);
    }
    ToControls();
}

void CSettingsDialog::setValues(const SettingsValues& values) {
    values_ = values;
    ToControls();
}

void CSettingsDialog::accept() {
    FromControls();
    QDialog::accept();
}

void CSettingsDialog::ToControls() {
    autoExtract_->setChecked(values_.AutoExtract != 0);
    SetGroup(autoExtractMethod_, values_.AutoExtractMethod);
    createFolder_->setChecked(values_.CreateFolder != 0);
    useFolder_->setChecked(values_.UseFolder != 0);
    displayFolder_->setChecked(values_.DisplayFolder != 0);
    openFolder_->setChecked(values_.OpenFolder != 0);
    keepDamaged_->setChecked(values_.KeepDamaged != 0);
    SetGroup(overwriteInquire_, values_.OverwriteInquire);
    SetGroup(startupFolder_, values_.StartupFolder);
    SetGroup(extractFolder_, values_.ExtractFolder);
}

void CSettingsDialog::FromControls() {
    values_.AutoExtract = autoExtract_->isChecked() ? 1 : 0;
    values_.AutoExtractMethod = autoExtractMethod_->checkedId();
    values_.CreateFolder = createFolder_->isChecked() ? 1 : 0;
    values_.UseFolder = useFolder_->isChecked() ? 1 : 0;
    values_.DisplayFolder = displayFolder_->isChecked() ? 1 : 0;
    values_.OpenFolder = openFolder_->isChecked() ? 1 : 0;
    values_.KeepDamaged = keepDamaged_->isChecked() ? 1 : 0;
    values_.OverwriteInquire = overwriteInquire_->checkedId();
    values_.StartupFolder = startupFolder_->checkedId();
    values_.ExtractFolder = extractFolder_->checkedId();
}

}  // namespace quillory
