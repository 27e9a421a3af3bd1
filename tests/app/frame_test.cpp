// The main frame and the list view as a user meets them: menus, command bar,
// accelerators, enabling, the archive-name bar, the open dialog, the list's rows and
// columns, double-click and extract selected, and the settings command with the store.
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QSettings>
#include <QToolBar>
#include <QtTest>
#include <memory>

#include "app/destination_dialog.h"
#include "app/qt_text.h"
#include "app/quillory_view.h"
#include "app/settings_dialog.h"
#include "gui_harness.h"

namespace quillory::testing {
namespace {

// "text=id" per item, "-" per separator.
QStringList Describe(const QList<QAction*>& actions) {
    QStringList result;
    for (QAction* a : actions)
        result << (a->isSeparator() ? QStringLiteral("-")
                                    : a->text() + u'=' + QString::number(a->data().toInt()));
    return result;
}

QStringList RowTexts(const QAbstractItemModel& model, int row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column)
        cells << model.index(row, column).data().toString();
    return cells;
}

int FindRow(const QAbstractItemModel& model, const QString& name) {
    for (int row = 0; row < model.rowCount(); ++row)
        if (model.index(row, 0).data().toString() == name) return row;
    return -1;
}

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        home = std::make_unique<ScratchHome>();
        gui = std::make_unique<Gui>(*home);
    }
    void cleanup() {
        gui.reset();
        home.reset();
    }

    void menusFollowTheResourceInOrder() {
        QStringList titles;
        for (QAction* menu : gui->frame.menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, (QStringList{U("ファイル(&F)"), U("操作(&A)"), U("文字コード(&K)"),
                                      U("オプション(&O)"), U("ヘルプ(&H)")}));
        const QList<QAction*> menus = gui->frame.menuBar()->actions();
        QCOMPARE(Describe(menus[0]->menu()->actions()),
                 (QStringList{U("書庫を開く(&O)...\tCtrl+O=57601"), U("書庫を閉じる(&C)=57602"),
                              U("-"), U("アプリケーションの終了(&X)=57665")}));
        QCOMPARE(
            Describe(menus[1]->menu()->actions()),
            (QStringList{U("すべてのファイルを展開(&E)...=32771"),
                         U("選択ファイルを展開(&S)...=32774"), U("-"), U("テスト(&T)=32773")}));
        QCOMPARE(
            Describe(menus[2]->menu()->actions()),
            (QStringList{U("自動判別(&A)=32780"), U("-"), U("日本語 (CP932)(&J)=32781"),
                         U("Unicode (UTF-8)(&U)=32782"), U("簡体字中国語 (GBK)(&S)=32783"),
                         U("繁体字中国語 (Big5)(&T)=32784"), U("韓国語 (CP949)(&K)=32785"),
                         U("西ヨーロッパ言語 (CP1252)(&W)=32786"), U("DOS (CP437)(&D)=32787")}));
        QCOMPARE(Describe(menus[3]->menu()->actions()), (QStringList{U("設定(&C)...=32775")}));
        QCOMPARE(Describe(menus[4]->menu()->actions()),
                 (QStringList{U("Quillory のバージョン情報(&A)...=57664")}));
        QCOMPARE(gui->frame.windowTitle(), QStringLiteral("Quillory"));
    }

    void commandBarHasSevenPositionsWithFourImages() {
        const QList<QAction*> bar = gui->frame.commandBar()->actions();
        QStringList ids;
        for (QAction* a : bar)
            ids << (a->isSeparator() ? QStringLiteral("-") : QString::number(a->data().toInt()));
        QCOMPARE(ids, (QStringList{"-", "57601", "32771", "32774", "-", "57664", "-"}));
        QSet<size_t> images;
        for (QAction* a : bar) {
            if (a->isSeparator()) continue;
            const QImage image = a->icon().pixmap(16, 16).toImage();
            QCOMPARE(image.size(), QSize(16, 16));
            images.insert(qHash(
                QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes())));
        }
        QCOMPARE(images.size(), 4);  // four different pictures
        // The buttons are the menu's commands: one action, one enabled state.
        QCOMPARE(bar[1], gui->frame.action(kCommandFileOpen));
    }

    void acceleratorsMapTheTableAndUnhandledOnesDoNothing() {
        QMap<QString, int> keys;
        for (QAction* a : gui->frame.actions())
            for (const QKeySequence& key : a->shortcuts())
                keys[key.toString()] = a->data().toInt();
        const QMap<QString, int> expected{
            {"Ctrl+N", 57600},   {"Ctrl+O", 57601},        {"Ctrl+S", 57603},
            {"Ctrl+Z", 57643},   {"Ctrl+X", 57635},        {"Ctrl+C", 57634},
            {"Ctrl+V", 57637},   {"Alt+Backspace", 57643}, {"Shift+Del", 57635},
            {"Ctrl+Ins", 57634}, {"Shift+Ins", 57637},     {"F6", 57680},
            {"Shift+F6", 57681}};
        QCOMPARE(keys, expected);

        ShowActive();
        for (const char* key : {"Ctrl+S", "Ctrl+Z", "Ctrl+C", "F6", "Shift+F6", "Ctrl+N"}) {
            QTest::keySequence(&gui->frame, QKeySequence(QString::fromUtf8(key)));
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        }
        QVERIFY(gui->ui.messages.isEmpty());
        QVERIFY(gui->frame.isVisible());
    }

    void commandsNeedingAnArchiveAreEnabledExactlyWhileOneIsOpen() {
        const int needing[] = {kCommandExtractAll, kCommandExtractSelected, kCommandTest,
                               kCommandFileClose,  kCommandEncodingAuto,    kCommandEncodingDos};
        const int always[] = {kCommandFileOpen, kCommandSettings, kCommandAppAbout,
                              kCommandAppExit};
        auto check = [&](bool open) {
            for (int id : needing)
                QCOMPARE(gui->frame.action(id)->isEnabled(), open);
            for (int id : always)
                QVERIFY(gui->frame.action(id)->isEnabled());
        };
        check(false);
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(SamplePath("sample.lzh"))), 1);
        gui->doc.UpdateAllViews();
        check(true);
        // The encoding in force has the mark, automatic until one is chosen.
        QVERIFY(gui->frame.action(kCommandEncodingAuto)->isChecked());
        gui->frame.OnCommand(kCommandEncodingUtf8);
        QVERIFY(gui->frame.action(kCommandEncodingUtf8)->isChecked());
        QVERIFY(!gui->frame.action(kCommandEncodingAuto)->isChecked());
        gui->frame.OnCommand(kCommandFileClose);
        check(false);
        QVERIFY(gui->frame.action(kCommandEncodingAuto)->isChecked());
        // A disabled command does nothing, also when asked for directly.
        gui->frame.OnCommand(kCommandExtractAll);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void nameBarShowsTheOpenArchiveOnly() {
        QLineEdit* name = gui->frame.archiveNameEdit();
        QVERIFY(name->isReadOnly());
        QCOMPARE(name->text(), QString());
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(SamplePath("sample.zip"))), 1);
        QCOMPARE(name->text(), SamplePath("sample.zip"));
        gui->frame.OnCommand(kCommandFileClose);
        QCOMPARE(name->text(), QString());
    }

    void ctrlOOpensTheOpenDialogAndTheChosenArchiveIsListed() {
        ShowActive();
        QStringList filters;
        AnswerNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            filters = dialog->nameFilters();
            // Typed, as the dialog's folder list fills in the background.
            auto* typed = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(typed != nullptr);
            typed->setText(SamplePath("sample.lzh"));
            static_cast<QDialog*>(dialog)->accept();
        });
        QTest::keySequence(&gui->frame, QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(filters,
                 (QStringList{U("すべての書庫 (*.lzh *.lha *.zip)"), U("LHA書庫 (*.lzh *.lha)"),
                              U("ZIP書庫 (*.zip)"), U("すべてのファイル (*)")}));
        QCOMPARE(gui->frame.archiveNameEdit()->text(), SamplePath("sample.lzh"));
        QCOMPARE(gui->frame.view()->model()->rowCount(), 6);
        QVERIFY(gui->frame.action(kCommandExtractAll)->isEnabled());
        // The folder is remembered in the store.
        QSettings store(kOrganisationName, kApplicationName);
        QCOMPARE(store.value("LastFolder/Startup").toString(),
                 ToQString(ProgramPathOf(SamplePath(""))));
    }

    void listShowsSevenColumnsAndTheMembersOfBothKinds() {
        const QAbstractItemModel& model = *gui->frame.view()->model();
        QHeaderView* header = gui->frame.view()->header();
        const char* titles[] = {"ファイル名",   "サイズ", "圧縮サイズ", "圧縮率",
                                "最終更新日時", "属性",   "パス"};
        const int widths[] = {190, 75, 75, 60, 135, 45};
        const bool right[] = {false, true, true, true, true, false, false};
        QCOMPARE(model.columnCount(), 7);
        for (int c = 0; c < 7; ++c) {
            QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), U(titles[c]));
            const auto align =
                model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
            QCOMPARE(bool(align & Qt::AlignRight), right[c]);
            if (c < 6) QCOMPARE(header->sectionSize(c), widths[c]);
        }
        QVERIFY(header->sectionSize(6) >= 215);
        QCOMPARE(gui->frame.view()->selectionMode(), QAbstractItemView::ExtendedSelection);

        for (const char* archive : {"sample.lzh", "sample.zip"}) {
            QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(SamplePath(archive))), 1);
            gui->doc.UpdateAllViews();
            QCOMPARE(model.rowCount(), 6);
            const int row = FindRow(model, U("報告書.txt"));
            QVERIFY2(row >= 0, archive);
            const QStringList cells = RowTexts(model, row);
            QCOMPARE(cells[1], QStringLiteral("190"));
            QCOMPARE(cells[4], QStringLiteral("2024/04/01 09:00:00"));
            QCOMPARE(cells[6], U("資料/"));
            QCOMPARE(RowTexts(model, FindRow(model, U("数値.csv")))[1], QStringLiteral("2,195"));
            QVERIFY(cells[3].endsWith(u'%'));
            QCOMPARE(cells[5], QStringLiteral("A"));
            QCOMPARE(model.index(row, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                         Qt::AlignRight,
                     Qt::AlignRight);
            gui->doc.OnFileClose();
            QCOMPARE(model.rowCount(), 0);
        }
    }

    void doubleClickOpensFilesButNotFolderRowsOrEmptySpace() {
        gui->settings.DisplayFolder = 1;
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(SamplePath("sample.lzh"))), 1);
        gui->doc.UpdateAllViews();
        ShowActive();
        CQuilloryView* view = gui->frame.view();
        const QAbstractItemModel& model = *view->model();
        QCOMPARE(model.rowCount(), 10);
        const int folderRow = FindRow(model, QStringLiteral("<DIR>"));
        QVERIFY(folderRow >= 0);
        auto doubleClick = [&](int row, QPoint offPoint = {}) {
            const QPoint at = row >= 0 ? view->visualRect(model.index(row, 0)).center() : offPoint;
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        };
        doubleClick(folderRow);
        doubleClick(-1, QPoint(10, view->viewport()->height() - 5));
        QVERIFY(gui->ui.opened.isEmpty());
        QVERIFY(gui->ui.messages.isEmpty());

        doubleClick(FindRow(model, U("報告書.txt")));
        QCOMPARE(gui->ui.opened.size(), 1);
        QVERIFY(gui->ui.opened[0].endsWith(U("/報告書.txt")));
        QFile opened(gui->ui.opened[0]);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(opened.readAll()).startsWith(U("四月の報告書")));
    }

    void extractSelectedTakesTheSelectedRowsIntoTheChosenFolder() {
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(SamplePath("sample.zip"))), 1);
        gui->doc.UpdateAllViews();
        CQuilloryView* view = gui->frame.view();
        const QAbstractItemModel& model = *view->model();
        for (const char* name : {"報告書.txt", "花.png"})
            view->selectionModel()->select(model.index(FindRow(model, U(name)), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QString target = home->path(QStringLiteral("out"));
        AnswerNextModal([&](QWidget* modal) {
            QVERIFY(qobject_cast<CDestinationDialog*>(modal) != nullptr);
            Control<QLineEdit>(modal, CDestinationDialog::kFolderEdit)->setText(target + u'/');
            Control<QCheckBox>(modal, CDestinationDialog::kCreateFolder)->setChecked(false);
            Control<QCheckBox>(modal, CDestinationDialog::kUseFolders)->setChecked(true);
            static_cast<QDialog*>(modal)->accept();
        });
        gui->frame.OnCommand(kCommandExtractSelected);
        QCOMPARE(gui->ui.messages, QStringList{U("展開終了")});
        QVERIFY(QFile::exists(target + U("/資料/報告書.txt")));
        QVERIFY(QFile::exists(target + U("/資料/写真/花.png")));
        QVERIFY(!QFile::exists(target + U("/資料/予定表.txt")));
        QCOMPARE(gui->ui.progress(), nullptr);  // the progress dialog went with the run
    }

    void settingsOnAFirstRunThenOkWritesAllEightAndNeverSurvivesARestart() {
        QSettings store(kOrganisationName, kApplicationName);
        QVERIFY(store.allKeys().isEmpty());
        QStringList shown;
        AnswerNextModal([&](QWidget* modal) {
            QVERIFY(qobject_cast<CSettingsDialog*>(modal) != nullptr);
            for (int id : {1000, 1002, 1003, 1004})
                shown << QString::number(Control<QCheckBox>(modal, id)->isChecked());
            for (int id : {1005, 1006, 1018, 1019, 1010, 1022, 1023, 1024, 1025, 1026})
                shown << QString::number(Control<QRadioButton>(modal, id)->isChecked());
            static_cast<QDialog*>(modal)->accept();
        });
        gui->frame.OnCommand(kCommandSettings);
        // 自動展開 off, デスクトップ, both folder boxes on, 一覧でフォルダ off,
        // 新しいファイルのみ, 最後に開いたフォルダ twice.
        QCOMPARE(shown.join(""), QStringLiteral("01101001001010"));
        store.sync();
        QCOMPARE(store.childGroups(), QStringList{QStringLiteral("Option")});
        store.beginGroup(QStringLiteral("Option"));
        QCOMPARE(store.allKeys().size(), 8);
        QCOMPARE(store.value("OverwriteInquire").toInt(), 1);
        QCOMPARE(store.value("CreateFolder").toInt(), 1);
        QCOMPARE(store.value("ExtractFolder").toInt(), 1);
        store.endGroup();

        AnswerNextModal([](QWidget* modal) {
            Control<QRadioButton>(modal, CSettingsDialog::kOverwriteNever)->setChecked(true);
            Control<QCheckBox>(modal, CSettingsDialog::kDisplayFolder)->setChecked(true);
            static_cast<QDialog*>(modal)->accept();
        });
        gui->frame.OnCommand(kCommandSettings);
        bool never = false;
        AnswerNextModal([&](QWidget* modal) {
            never = Control<QRadioButton>(modal, CSettingsDialog::kOverwriteNever)->isChecked();
            static_cast<QDialog*>(modal)->reject();
        });
        gui->frame.OnCommand(kCommandSettings);
        QVERIFY(never);
        // Cancel wrote nothing; a new start reads what OK stored.
        gui.reset();
        SettingsProfile profile;
        ApplicationSettings restarted;
        ReadSettings(profile, &restarted);
        QCOMPARE(restarted.OverwriteInquire, kOverwriteNever);
        QCOMPARE(restarted.DisplayFolder, 1);
    }

    void changingTheFolderSettingRebuildsTheListAtOnce() {
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(SamplePath("sample.lzh"))), 1);
        gui->doc.UpdateAllViews();
        QCOMPARE(gui->frame.view()->model()->rowCount(), 6);
        AnswerNextModal([](QWidget* modal) {
            Control<QCheckBox>(modal, CSettingsDialog::kDisplayFolder)->setChecked(true);
            static_cast<QDialog*>(modal)->accept();
        });
        gui->frame.OnCommand(kCommandSettings);
        QCOMPARE(gui->frame.view()->model()->rowCount(), 10);
    }

    void aboutAndExitGoWhereTheirCommandsBelong() {
        ShowActive();
        QString title;
        AnswerNextModal([&](QWidget* modal) {
            title = modal->windowTitle();
            static_cast<QDialog*>(modal)->accept();
        });
        QTest::mouseClick(
            gui->frame.commandBar()->widgetForAction(gui->frame.action(kCommandAppAbout)),
            Qt::LeftButton);
        QCOMPARE(title, U("Quillory のバージョン情報"));

        // While a run shows its progress the window refuses to close.
        gui->ui.OpenProgress(3);
        gui->frame.OnCommand(kCommandAppExit);
        QVERIFY(gui->frame.isVisible());
        gui->ui.CloseProgress();
        gui->frame.OnCommand(kCommandAppExit);
        QVERIFY(!gui->frame.isVisible());
    }

private:
    void ShowActive() {
        gui->frame.show();
        QApplication::setActiveWindow(&gui->frame);
        QVERIFY(QTest::qWaitForWindowActive(&gui->frame));
    }

    std::unique_ptr<ScratchHome> home;
    std::unique_ptr<Gui> gui;
};

}  // namespace quillory::testing

QTEST_MAIN(quillory::testing::FrameTest)
#include "frame_test.moc"
