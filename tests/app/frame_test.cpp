// The main frame and the list view as a user meets them: menus, command bar,
// accelerators, enabling, the archive-name bar, the open dialog, the list's rows and
// columns, double-click and extract selected, and the settings command with the store.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "app/destination_dialog.h"
#include "app/dialog_controls.h"
#include "app/progress_dialog.h"
#include "app/qt_text.h"
#include "app/qt_translations.h"
#include "app/quillory_view.h"
#include "app/settings_dialog.h"
#include "gui_harness.h"
#include "platform/file.h"
#include "platform/stop_request.h"
#include "tests/support/test_support.h"
#include "tests/zip/zip_builder.h"

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
        QCOMPARE(titles, (QStringList{U("ファイル(&F)"), U("操作(&A)"), U("表示(&V)"),
                                      U("文字コード(&K)"), U("オプション(&O)"), U("ヘルプ(&H)")}));
        const QList<QAction*> menus = gui->frame.menuBar()->actions();
        QCOMPARE(Describe(menus[0]->menu()->actions()),
                 (QStringList{U("書庫を開く(&O)...\tCtrl+O=57601"), U("書庫を閉じる(&C)=57602"),
                              U("最近使った書庫(&R)=0"), U("-"),
                              U("アプリケーションの終了(&X)=57665")}));
        QCOMPARE(
            Describe(menus[1]->menu()->actions()),
            (QStringList{U("すべてのファイルを展開(&E)...=32771"),
                         U("選択ファイルを展開(&S)...=32774"), U("-"), U("テスト(&T)=32773")}));
        QCOMPARE(Describe(menus[2]->menu()->actions()),
                 (QStringList{U("フォルダごとに表示(&F)=0"), U("絞り込み(&S)=0"),
                              U("上のフォルダへ(&U)=0")}));
        QCOMPARE(
            Describe(menus[3]->menu()->actions()),
            (QStringList{U("自動判別(&A)=32780"), U("-"), U("日本語 (CP932)(&J)=32781"),
                         U("Unicode (UTF-8)(&U)=32782"), U("簡体字中国語 (GBK)(&S)=32783"),
                         U("繁体字中国語 (Big5)(&T)=32784"), U("韓国語 (CP949)(&K)=32785"),
                         U("西ヨーロッパ言語 (CP1252)(&W)=32786"), U("DOS (CP437)(&D)=32787")}));
        QCOMPARE(Describe(menus[4]->menu()->actions()), (QStringList{U("設定(&C)...=32775")}));
        QCOMPARE(Describe(menus[5]->menu()->actions()),
                 (QStringList{U("Quillory のヘルプ(&H)=0"),
                              U("Quillory のバージョン情報(&A)...=57664")}));
        QCOMPARE(gui->frame.windowTitle(), QStringLiteral("Quillory"));
        // The encodings are radio items of one group.
        QActionGroup* encodings = gui->frame.action(kCommandEncodingUtf8)->actionGroup();
        QVERIFY(encodings != nullptr && encodings->isExclusive());
        QCOMPARE(encodings->actions().size(), 8);
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
        const QMap<QString, int> expected{{"Ctrl+N", 57600},
                                          {"Ctrl+O", 57601},
                                          {"Ctrl+S", 57603},
                                          {"Ctrl+Z", 57643},
                                          {"Ctrl+X", 57635},
                                          {"Ctrl+C", 57634},
                                          {"Ctrl+V", 57637},
                                          {"Alt+Backspace", 57643},
                                          {"Shift+Del", 57635},
                                          {"Ctrl+Ins", 57634},
                                          {"Shift+Ins", 57637},
                                          {"F6", 57680},
                                          {"Shift+F6", 57681},
                                          // The window's own keys, which are no document commands.
                                          {"Backspace", 0},
                                          {"Alt+Up", 0},
                                          {"Ctrl+F", 0},
                                          {"F1", 0},
                                          // Keys of desktop archive programs.
                                          {"Ctrl+E", 32771},
                                          {"Ctrl+Shift+E", 32774},
                                          {"Ctrl+T", 32773},
                                          {"Ctrl+W", 57602},
                                          {"Ctrl+Q", 57665}};
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
        QCOMPARE(
            filters,
            (QStringList{
                U("すべての書庫 (*.lzh *.lha *.zip *.exe *.z[0-9][0-9] *.[0-9][0-9][0-9])"),
                U("LHA書庫 (*.lzh *.lha)"), U("ZIP書庫 (*.zip *.z[0-9][0-9] *.[0-9][0-9][0-9])"),
                U("自己解凍書庫 (*.exe)"), U("すべてのファイル (*)")}));
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
        // The size columns show 14-digit sizes whole.
        const int sizes = std::max(75, SizeColumnWidth(gui->frame.view()->fontMetrics()));
        QVERIFY(sizes > gui->frame.view()->fontMetrics().horizontalAdvance(
                            QStringLiteral("99,999,999,999,999")));
        const int widths[] = {190, sizes, sizes, 60, 135, 45};
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
        QTRY_COMPARE(gui->ui.opened.size(), 1);
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
        QTRY_COMPARE(gui->ui.messages, QStringList{U("展開終了")});
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
            for (int id : {1000, 1002, 1003, 1004, 1007, 1008})
                shown << QString::number(Control<QCheckBox>(modal, id)->isChecked());
            for (int id : {1005, 1006, 1018, 1019, 1010, 1022, 1023, 1024, 1025, 1026})
                shown << QString::number(Control<QRadioButton>(modal, id)->isChecked());
            static_cast<QDialog*>(modal)->accept();
        });
        gui->frame.OnCommand(kCommandSettings);
        // 自動展開 off, デスクトップ, both folder boxes on, 一覧でフォルダ off, フォルダを開く
        // off, 「.damaged」 off, 新しいファイルのみ, 最後に開いたフォルダ twice.
        QCOMPARE(shown.join(""), QStringLiteral("0110001001001010"));
        store.sync();
        QCOMPARE(store.childGroups(), QStringList{QStringLiteral("Option")});
        store.beginGroup(QStringLiteral("Option"));
        QCOMPARE(store.allKeys().size(), 10);
        QCOMPARE(store.value("OpenFolder").toInt(), 0);
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

    // F1 shows the help window with the keys; Ctrl+W closes the archive; Delete on the
    // list does nothing to it.
    void keysOfADesktopArchiveProgram() {
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(SamplePath("sample.lzh"))), 1);
        gui->doc.UpdateAllViews();
        ShowActive();
        gui->frame.view()->setFocus();
        QTest::keyClick(gui->frame.view(), Qt::Key_Delete);
        QCOMPARE(gui->doc.isOpen, 1);
        QCOMPARE(gui->frame.view()->model()->rowCount(), 6);
        QTest::keyClick(&gui->frame, Qt::Key_F1);
        auto* help = gui->frame.findChild<QDialog*>(QStringLiteral("helpWindow"));
        QVERIFY(help != nullptr && help->isVisible());
        auto* keys = help->findChild<QTreeWidget*>(QStringLiteral("helpKeys"));
        QVERIFY(keys->topLevelItemCount() >= 10);
        QCOMPARE(keys->topLevelItem(1)->text(1), U("すべてのファイルを展開"));
        help->close();
        gui->frame.activateWindow();
        QTest::keyClick(&gui->frame, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(gui->doc.isOpen, 0);
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
        gui->frame.OnCommand(kCommandAppExit);
        QVERIFY(!gui->frame.isVisible());
    }

    // A long member runs on the worker: the GUI thread's loop keeps turning (a timer
    // fires at least every 100 ms), the bar and the title move with the bytes, the
    // commands wait, Cancel ends the run within a second leaving nothing, and the summary
    // says so. Exit during a run stops it and closes without a summary.
    void longMemberKeepsTheWindowAliveAndCancelEndsItAtOnce() {
        const QString archive = home->path(QStringLiteral("big.zip"));
        WriteBigArchive(archive);
        // Writes go at 16 MB/s: the run takes seconds whatever the disk.
        platform::SetIoFaultHook([](platform::IoKind kind, std::size_t count) {
            if (kind == platform::IoKind::Write) QThread::msleep(1 + count / 16384);
            return count;
        });
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(archive)), 1);
        gui->doc.UpdateAllViews();
        const QString out = home->path(QStringLiteral("out"));

        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(10);
        connect(&ticker, &QTimer::timeout, [&] {
            if (sinceTick.isValid()) longestGap = std::max(longestGap, sinceTick.elapsed());
            sinceTick.start();
        });
        ticker.start();
        StartExtractAllInto(out);
        QVERIFY(gui->frame.jobHost().Busy());
        QVERIFY(!gui->frame.action(kCommandExtractAll)->isEnabled());
        QVERIFY(!gui->frame.action(kCommandFileOpen)->isEnabled());
        QVERIFY(gui->frame.action(kCommandAppAbout)->isEnabled());
        QTRY_VERIFY(gui->ui.progress() != nullptr && gui->ui.progress()->isVisible());
        CProgressDialog* progress = gui->ui.progress();
        auto* bar = Control<QProgressBar>(progress, CProgressDialog::kProgressBar);
        QTRY_VERIFY(bar->value() > 0);
        QVERIFY(progress->windowTitle().startsWith(U("進行状況 ")));
        QVERIFY(progress->windowTitle().endsWith(u'%'));
        QCOMPARE(Control<QLineEdit>(progress, CProgressDialog::kTextEdit)->text(),
                 QStringLiteral("big.bin"));

        QElapsedTimer sinceCancel;
        sinceCancel.start();
        QTest::mouseClick(Control<QPushButton>(progress, kCancelButton), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!gui->frame.jobHost().Busy(), 1000);
        QVERIFY(sinceCancel.elapsed() < 1000);
        ticker.stop();
        QVERIFY2(longestGap < 100, qPrintable(QString::number(longestGap)));
        // Nothing under the member's name and no temporary beside it.
        QVERIFY(
            QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
        QCOMPARE(gui->ui.messages, QStringList{U("中止しました。\n処理済みファイル数 0")});
        QCOMPARE(gui->ui.progress(), nullptr);
        QVERIFY(gui->frame.action(kCommandExtractAll)->isEnabled());
        QVERIFY(!platform::StopRequested());

        // Exit in the middle of a run: it stops, and the window closes without a word.
        ShowActive();
        gui->ui.messages.clear();
        StartExtractAllInto(out);
        QTRY_VERIFY(gui->ui.progress() != nullptr);
        gui->frame.OnCommand(kCommandAppExit);
        QVERIFY(gui->frame.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!gui->frame.isVisible(), 1000);
        QVERIFY(gui->ui.messages.isEmpty());
        platform::SetIoFaultHook(nullptr);
    }

    // By folder: the pane holds the archive's folders, choosing one lists its files, the
    // name bar's path goes back along it, Backspace and Alt+Up go up; the flat list is
    // one menu item away.
    void foldersShowAsFoldersWithAPathAndKeysThatGoUp() {
        gui->frame.folderViewAction()->setChecked(true);
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(SamplePath("sample.lzh"))), 1);
        gui->doc.UpdateAllViews();
        QTreeWidget* pane = gui->frame.folderPane();
        QVERIFY(pane->isVisibleTo(&gui->frame));
        QCOMPARE(pane->topLevelItemCount(), 1);
        QTreeWidgetItem* top = pane->topLevelItem(0);
        QCOMPARE(top->text(0), U("sample.lzh"));
        QCOMPARE(top->childCount(), 2);  // 資料 and データ
        const QAbstractItemModel& model = *gui->frame.view()->model();
        const auto names = [&] {
            QStringList shown;
            for (int row = 0; row < model.rowCount(); ++row)
                shown << model.index(row, 0).data().toString();
            return shown;
        };
        const auto path = [&] {
            QStringList steps;
            for (const QToolButton* step : gui->frame.folderPath()->findChildren<QToolButton*>())
                steps << step->text();
            return steps;
        };
        QCOMPARE(names(), QStringList{U("はじめにお読みください.txt")});
        QTreeWidgetItem* papers =
            top->child(0)->text(0) == U("資料") ? top->child(0) : top->child(1);
        pane->setCurrentItem(papers->child(papers->child(0)->text(0) == U("写真") ? 0 : 1));
        QCOMPARE(names(), QStringList{U("花.png")});
        QCOMPARE(path(), (QStringList{U("sample.lzh"), U("資料"), U("写真")}));
        ShowActive();
        gui->frame.view()->setFocus();
        QTest::keyClick(gui->frame.view(), Qt::Key_Backspace);
        QCOMPARE(names(), (QStringList{U("予定表.txt"), U("報告書.txt")}));
        QCOMPARE(pane->currentItem(), papers);
        QTest::keyClick(gui->frame.view(), Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(path(), QStringList{U("sample.lzh")});
        QVERIFY(!gui->frame.upAction()->isEnabled());
        pane->setCurrentItem(papers);
        gui->frame.folderPath()->findChildren<QToolButton*>().first()->click();
        QCOMPARE(names(), QStringList{U("はじめにお読みください.txt")});

        gui->frame.folderViewAction()->setChecked(false);
        QVERIFY(!pane->isVisibleTo(&gui->frame));
        QCOMPARE(model.rowCount(), 6);  // every file, as before
        QVERIFY(QSettings(kOrganisationName, kApplicationName)
                    .contains(QStringLiteral("View/Folders")));
    }

    // Each name has its type's icon, looked up once per type, protected members a locked
    // one; sizes read as "1.2 KB" in their tool tip; the status bar counts the files
    // listed and the selection.
    void iconsSizesAndTheStatusBarSpeakToPeople() {
        const QString archive = QString::fromStdString(
            (testing::FixturesDir() / "document" / "mixed-passwords.zip").string());
        QCOMPARE(gui->doc.OpenArchive(ProgramPathOf(archive)), 1);
        gui->doc.UpdateAllViews();
        const QAbstractItemModel& model = *gui->frame.view()->model();
        QCOMPARE(model.rowCount(), 5);  // a, b, c (protected), d (protected), e
        const auto icon = [&](int row) {
            return model.index(row, 0).data(Qt::DecorationRole).value<QIcon>();
        };
        QVERIFY(!icon(0).isNull());
        QCOMPARE(icon(0).cacheKey(), icon(1).cacheKey());   // one type, one icon
        QVERIFY(icon(2).cacheKey() != icon(0).cacheKey());  // the lock mark
        QCOMPARE(icon(2).cacheKey(), icon(3).cacheKey());
        QCOMPARE(model.index(0, 1).data(Qt::ToolTipRole).toString(),
                 ReadableSize(model.index(0, 1).data().toString().remove(u',').toULongLong()));
        QVERIFY(model.index(0, 1).data().toString() != model.index(0, 1).data(Qt::ToolTipRole));
        QLabel* summary = gui->frame.listSummary();
        QVERIFY(summary->text().startsWith(U("5 個のファイル、合計 ")));
        QVERIFY(!summary->text().contains(U("選択")));
        gui->frame.view()->selectionModel()->select(
            model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(summary->text().contains(U("（選択 1 個、")));

        // Ctrl+F filters by name, case aside; Escape shows every row again.
        ShowActive();
        QTest::keyClick(&gui->frame, Qt::Key_F, Qt::ControlModifier);
        QLineEdit* filter = gui->frame.filterEdit();
        QVERIFY(filter->isVisible());
        QTRY_VERIFY(filter->hasFocus());
        QTest::keyClicks(filter, QStringLiteral("C.T"));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("c.txt"));
        QVERIFY(summary->text().startsWith(U("1 個のファイル")));
        QTest::keyClick(filter, Qt::Key_Escape);
        QVERIFY(!filter->isVisible());
        QCOMPARE(model.rowCount(), 5);
    }

    // Sorting by a header (folders first, numbers as numbers, a third click back to
    // table order), the context menu, Enter, the title and the recent archives.
    void listSortsOpensWithEnterAndTheFileMenuRemembers() {
        gui->settings.DisplayFolder = 1;
        const QString archive = SamplePath("sample.lzh");
        gui->doc.OpenChosen(ProgramPathOf(archive));
        QCOMPARE(gui->frame.windowTitle(), QStringLiteral("sample.lzh - Quillory"));
        CQuilloryView* view = gui->frame.view();
        const QAbstractItemModel& model = *view->model();
        const QStringList tableOrder = Column(model, 0);
        QTest::mouseClick(view->header()->viewport(), Qt::LeftButton, {},
                          QPoint(view->header()->sectionViewportPosition(1) + 5, 5));
        QStringList sizes = Column(model, 1);
        QCOMPARE(Column(model, 0).mid(0, 4), QStringList(4, QStringLiteral("<DIR>")));
        QStringList files = sizes.mid(4);
        for (int i = 1; i < files.size(); ++i) {
            QVERIFY(QString(files[i - 1]).remove(u',').toLongLong() <=
                    QString(files[i]).remove(u',').toLongLong());
        }
        view->sortByColumn(1, Qt::DescendingOrder);
        QCOMPARE(Column(model, 1).mid(4).first(), files.last());
        view->sortByColumn(-1, Qt::AscendingOrder);
        QCOMPARE(Column(model, 0), tableOrder);

        // The context menu holds extract selected, open and test; Enter opens the row.
        QStringList menu;
        for (QAction* a : view->actions())
            menu << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(menu, (QStringList{U("選択ファイルを展開(&S)..."), U("開く(&O)"), U("-"),
                                    U("テスト(&T)")}));
        ShowActive();
        view->setFocus();
        view->setCurrentIndex(model.index(FindRow(model, U("報告書.txt")), 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_COMPARE(gui->ui.opened.size(), 1);
        QVERIFY(gui->ui.opened[0].endsWith(U("/報告書.txt")));

        // The recent archives: newest first, each opens (with the close question).
        gui->frame.FillRecentMenu();
        QList<QAction*> recent = gui->frame.recentMenu()->actions();
        QCOMPARE(recent.size(), 1);
        QCOMPARE(recent[0]->text(), QStringLiteral("&1 ") + archive);
        AnswerNextModal([](QWidget* modal) {
            for (QAbstractButton* button : qobject_cast<QMessageBox*>(modal)->buttons())
                if (button->text() == U("はい(&Y)")) button->click();
        });
        recent[0]->trigger();
        QCOMPARE(gui->doc.isOpen, 1);
        gui->frame.OnCommand(kCommandFileClose);
        QCOMPARE(gui->frame.windowTitle(), QStringLiteral("Quillory"));
    }

    // An archive dropped on the window opens; members dragged out are extracted first.
    void dropOpensAnArchiveAndDraggedMembersBecomeFiles() {
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(SamplePath("sample.zip"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, {});
        QApplication::sendEvent(&gui->frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, {});
        QApplication::sendEvent(&gui->frame, &drop);
        QTRY_COMPARE(gui->doc.isOpen, 1);
        QCOMPARE(gui->frame.archiveNameEdit()->text(), SamplePath("sample.zip"));
        QMimeData folder;
        folder.setUrls({QUrl::fromLocalFile(home->path())});
        QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &folder, Qt::LeftButton, {});
        QApplication::sendEvent(&gui->frame, &refused);
        QVERIFY(!refused.isAccepted());

        CQuilloryView* view = gui->frame.view();
        const QAbstractItemModel& model = *view->model();
        for (const char* name : {"報告書.txt", "花.png"})
            view->selectionModel()->select(model.index(FindRow(model, U(name)), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QList<QUrl> urls = view->ExtractForDrag();
        // Both live below "資料": the folder is handed over, holding just those two.
        QCOMPARE(urls.size(), 1);
        const QString staged = urls[0].toLocalFile();
        QVERIFY(staged.startsWith(home->path(QStringLiteral("cache"))));
        QVERIFY(QFile::exists(staged + U("/報告書.txt")));
        QVERIFY(QFile::exists(staged + U("/写真/花.png")));
        QVERIFY(!QFile::exists(staged + U("/予定表.txt")));
    }

    // The window's size and the columns' widths come back at the next start.
    void windowSizeAndColumnsAreRemembered() {
        gui->frame.resize(700, 400);
        gui->frame.view()->header()->resizeSection(0, 321);
        gui->frame.close();
        gui.reset();
        gui = std::make_unique<Gui>(*home);
        QCOMPARE(gui->frame.size(), QSize(700, 400));
        QCOMPARE(gui->frame.view()->header()->sectionSize(0), 321);
    }

    // Tool-bar images are drawn afresh at 200 %, one sharp 2 x 2 block per pixel.
    void toolBarImagesStaySharpAtTwiceTheSize() {
        for (QAction* a : gui->frame.commandBar()->actions()) {
            if (a->isSeparator()) continue;
            const QImage small = a->icon().pixmap(16, 16).toImage();
            const QImage large = a->icon().pixmap(32, 32).toImage();
            QCOMPARE(large.size(), QSize(32, 32));
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    for (const QPoint d : {QPoint(0, 0), QPoint(1, 1)})
                        QCOMPARE(large.pixel(2 * x + d.x(), 2 * y + d.y()), small.pixel(x, y));
        }
    }

    // The catalogue installed for English: menus, the list's columns and the status bar
    // speak English; without it everything is Japanese again, as the source has it.
    void windowSpeaksEnglishWithTheCatalogue() {
        SetLanguage(Language::English);
        QTranslator* english =
            InstallProgramTranslation(Language::English, QStringLiteral(QUILLORY_TRANSLATIONS_DIR));
        QVERIFY(english != nullptr);
        gui.reset();
        gui = std::make_unique<Gui>(*home);
        const QList<QAction*> menus = gui->frame.menuBar()->actions();
        QStringList titles;
        for (QAction* menu : menus)
            titles << menu->text();
        QCOMPARE(titles,
                 (QStringList{"&File", "&Actions", "&View", "&Encoding", "&Options", "&Help"}));
        QCOMPARE(Describe(menus[0]->menu()->actions()),
                 (QStringList{"&Open Archive...\tCtrl+O=57601", "&Close Archive=57602",
                              "&Recent Archives=0", "-", "E&xit=57665"}));
        QCOMPARE(gui->frame.view()->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Name"));
        QCOMPARE(gui->frame.statusBar()->currentMessage(), QStringLiteral("Ready"));

        QCoreApplication::removeTranslator(english);
        delete english;
        SetLanguage(Language::Japanese);
        gui.reset();
        gui = std::make_unique<Gui>(*home);
        QCOMPARE(gui->frame.menuBar()->actions()[0]->text(), U("ファイル(&F)"));
        QCOMPARE(gui->frame.view()->model()->headerData(0, Qt::Horizontal).toString(),
                 U("ファイル名"));
    }

    void qtDialogsSpeakJapanese() {
        QTranslator* installed = InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan));
        if (installed == nullptr) QSKIP("Qt's translations are not installed");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), U("キャンセル"));
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }

private:
    static QStringList Column(const QAbstractItemModel& model, int column) {
        QStringList cells;
        for (int row = 0; row < model.rowCount(); ++row)
            cells << model.index(row, column).data().toString();
        return cells;
    }

    // One stored member of 64 MiB.
    static void WriteBigArchive(const QString& path) {
        const std::vector<std::uint8_t> archive =
            ZipBuilder()
                .Add(StoredMember("big.bin", std::vector<std::uint8_t>(64 << 20, 'x')))
                .Build();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(archive.data()), qint64(archive.size()));
    }

    void StartExtractAllInto(const QString& out) {
        AnswerNextModal([out](QWidget* modal) {
            Control<QLineEdit>(modal, CDestinationDialog::kFolderEdit)->setText(out);
            Control<QCheckBox>(modal, CDestinationDialog::kCreateFolder)->setChecked(false);
            static_cast<QDialog*>(modal)->accept();
        });
        gui->frame.OnCommand(kCommandExtractAll);
    }

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
