// The help window: a paragraph on the program, one on the window, and the keys with what
// they do, in the user's language; OK (or Escape) closes it.
#include "app/help_dialog.h"

#include <QKeySequence>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialog_controls.h"
#include "app/qt_text.h"

namespace quillory {
namespace {

struct KeyHelp {
    const char* keys;  // in QKeySequence's portable form, shown in the native one
    const char* what;
};
constexpr KeyHelp kKeys[] = {
    {"Ctrl+O", "書庫を開く"},
    {"Ctrl+E", "すべてのファイルを展開"},
    {"Ctrl+Shift+E", "選択ファイルを展開"},
    {"Ctrl+T", "テスト"},
    {"Ctrl+W", "書庫を閉じる"},
    {"Ctrl+Q", "アプリケーションの終了"},
    {"Return", "選択したファイルを開く"},
    {"Ctrl+F", "ファイル名で絞り込む（Escで解除）"},
    {"Backspace", "上のフォルダへ"},
    {"Alt+Up", "上のフォルダへ"},
    {"F1", "このヘルプ"},
};

}  // namespace

CHelpDialog::CHelpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(Tr("Quillory のヘルプ"));
    auto* layout = new QVBoxLayout(this);
    auto* about = new QLabel(
        Tr("Quillory は LZH 書庫と ZIP 書庫を開き、一覧し、展開し、テストします。") +
            Tr("Windows で作られた書庫の日本語の名前も正しく展開します。") +
            QStringLiteral("\n\n") + Tr("左のフォルダを選ぶと、その中のファイルが一覧されます。") +
            Tr("表示メニューで全ファイルの一覧に切り替えられます。") +
            Tr("一覧のファイルはファイルマネージャーへドラッグして取り出せます。"),
        this);
    about->setWordWrap(true);
    layout->addWidget(about);
    auto* keys = new QTreeWidget(this);
    keys->setObjectName(QStringLiteral("helpKeys"));
    keys->setRootIsDecorated(false);
    keys->setHeaderLabels({Tr("キー"), Tr("操作")});
    for (const KeyHelp& key : kKeys) {
        keys->addTopLevelItem(new QTreeWidgetItem(
            {QKeySequence(QString::fromLatin1(key.keys)).toString(QKeySequence::NativeText),
             Tr(key.what)}));
    }
    keys->resizeColumnToContents(0);
    keys->setMinimumSize(420, 260);
    layout->addWidget(keys);
    layout->addWidget(OkCancelButtons(this, false));
}

}  // namespace quillory
