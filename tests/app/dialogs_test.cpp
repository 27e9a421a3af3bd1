// The dialogs on their own and the user interface's message boxes: the destination
// dialog's browse result, the password limit, the progress dialog, the about box, the
// open dialog's filters, the answers of the questions, and the settings store.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTreeWidget>
#include <QtTest>

#include "app/about_dialog.h"
#include "app/desktop_applications.h"
#include "app/destination_dialog.h"
#include "app/dialog_controls.h"
#include "app/help_dialog.h"
#include "app/open_with.h"
#include "app/password_dialog.h"
#include "app/progress_dialog.h"
#include "app/qt_text.h"
#include "app/settings_dialog.h"
#include "gui_harness.h"

namespace quillory::testing {
namespace {

// Clicks the message box's button with the text.
void ClickButton(QWidget* modal, const QString& text) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    QVERIFY(box != nullptr);
    for (QAbstractButton* button : box->buttons())
        if (button->text() == text) return button->click();
    QFAIL("no such button");
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void browseAddsOneSeparatorUnlessThePathEndsWithOne() {
        CDestinationDialog dialog;
        QLineEdit* edit = Control<QLineEdit>(&dialog, CDestinationDialog::kFolderEdit);
        QString titleAsked;
        std::optional<QString> answer;
        QString startAsked;
        dialog.setFolderChooser([&](QWidget*, const QString& title, const QString& start) {
            titleAsked = title;
            startAsked = start;
            return answer;
        });
        dialog.setValues({u"\\home\\user\\Desktop\\", 1, 0});
        QCOMPARE(edit->text(), QStringLiteral("/home/user/Desktop/"));
        answer = U("/tmp/展開先");
        dialog.Browse();
        QCOMPARE(titleAsked, U("フォルダの選択"));
        QCOMPARE(startAsked, QStringLiteral("/home/user/Desktop/"));
        QCOMPARE(edit->text(), U("/tmp/展開先/"));
        answer = QStringLiteral("/");
        dialog.Browse();
        QCOMPARE(edit->text(), QStringLiteral("/"));
        answer = QStringLiteral("C:\\");
        dialog.Browse();
        QCOMPARE(edit->text(), QStringLiteral("C:\\"));
        answer = QStringLiteral("/srv/data/");
        dialog.Browse();
        QCOMPARE(edit->text(), QStringLiteral("/srv/data/"));
        // Cancelling the chooser leaves the edit as it was.
        answer.reset();
        dialog.Browse();
        QCOMPARE(edit->text(), QStringLiteral("/srv/data/"));

        const DestinationValues values = dialog.values();
        QCOMPARE(ToQString(values.folder), QStringLiteral("\\srv\\data\\"));
        QCOMPARE(values.createFolder, 1);
        QCOMPARE(values.useFolders, 0);
        QCOMPARE(Control<QPushButton>(&dialog, CDestinationDialog::kBrowse)->text(), U("参照"));
        QCOMPARE(dialog.windowTitle(), U("展開先の指定"));
    }

    // OK takes only an absolute folder; a folder named in Shift-JIS by an old tool reads
    // as written and stays those bytes when shown, edited and handed back.
    void destinationTakesOnlyAbsoluteFoldersAndKeepsEveryName() {
        CDestinationDialog dialog;
        QLineEdit* edit = Control<QLineEdit>(&dialog, CDestinationDialog::kFolderEdit);
        const WString sjis = u"\\old\\\xDC93\xDCFA\xDC96{";  // the host bytes 93 FA 96 7B
        dialog.setValues({sjis, 0, 1});
        QCOMPARE(edit->text(), U("/old/日本"));
        QVERIFY(dialog.values().folder == sjis);
        edit->end(false);
        QTest::keyClicks(edit, "/sub");
        QVERIFY(dialog.values().folder == sjis + u"\\sub");
        for (const char* typed : {"", "relative/dir"}) {
            edit->setText(QString::fromUtf8(typed));
            QString message;
            AnswerNextModal([&](QWidget* modal) {
                message = qobject_cast<QMessageBox*>(modal)->text();
                ClickButton(modal, QStringLiteral("OK"));
            });
            dialog.accept();
            QCOMPARE(message, U("展開先のフォルダを絶対パスで指定してください。"));
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        edit->setText(QStringLiteral("/abs/dir"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void destinationCancelLeavesTheValuesAlone() {
        QtUserInterface ui;
        DestinationValues values{u"\\tmp\\", 0, 1};
        AnswerNextModal([](QWidget* modal) {
            Control<QLineEdit>(modal, CDestinationDialog::kFolderEdit)->setText("/elsewhere/");
            static_cast<QDialog*>(modal)->reject();
        });
        QVERIFY(!ui.AskDestination(&values));
        QCOMPARE(ToQString(values.folder), QStringLiteral("\\tmp\\"));
        AnswerNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
        QVERIFY(ui.AskDestination(&values));
        QCOMPARE(values.useFolders, 1);
    }

    void passwordStopsAtThirtyTwoCharactersAndIsMasked() {
        CPasswordDialog dialog;
        QLineEdit* edit = Control<QLineEdit>(&dialog, CPasswordDialog::kPasswordEdit);
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        const QString typed = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456");  // 33
        QCOMPARE(typed.size(), 33);
        QTest::keyClicks(edit, typed);
        QCOMPARE(dialog.password(), typed.left(32));
        edit->clear();
        edit->insert(typed + typed);  // pasting is cut the same way
        QCOMPARE(dialog.password().size(), 32);
    }

    void passwordAnswersThroughTheUserInterfaceAndNamesArchiveAndMember() {
        QtUserInterface ui;
        ui.SetArchiveName(u"\\home\\u\\秘密.zip");
        QString subject;
        bool wrongShown = true;
        AnswerNextModal([&](QWidget* modal) {
            subject = Control<QLabel>(modal, CPasswordDialog::kSubjectLabel)->text();
            wrongShown = !Control<QLabel>(modal, CPasswordDialog::kWrongLabel)->isHidden();
            Control<QLineEdit>(modal, CPasswordDialog::kPasswordEdit)->insert(U("秘密pass"));
            static_cast<QDialog*>(modal)->accept();
        });
        QCOMPARE(ToQString(ui.AskPassword(u"docs\\a.txt", false).value()), U("秘密pass"));
        QCOMPARE(subject, U("書庫：/home/u/秘密.zip\nファイル：docs/a.txt"));
        QVERIFY(!wrongShown);
        QString wrongText;
        AnswerNextModal([&](QWidget* modal) {
            const QLabel* wrong = Control<QLabel>(modal, CPasswordDialog::kWrongLabel);
            if (!wrong->isHidden()) wrongText = wrong->text();
            QTest::keyClicks(Control<QLineEdit>(modal, CPasswordDialog::kPasswordEdit), "x");
            static_cast<QDialog*>(modal)->reject();
        });
        QVERIFY(!ui.AskPassword(u"a.txt", true).has_value());
        QCOMPARE(wrongText, U("パスワードが違います。"));
    }

    void progressIsModelessCountsPastSixteenBitsFollowsBytesAndCancels() {
        QtUserInterface ui;
        int stops = 0;
        ui.setStopHandler([&] { ++stops; });
        ui.OpenProgress(70000);
        CProgressDialog* dialog = ui.progress();
        QVERIFY(dialog != nullptr);
        // A run shorter than the delay never shows it; a longer one does.
        QVERIFY(!dialog->isVisible());
        QTRY_VERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->windowTitle(), U("進行状況"));
        QVERIFY(Control<QPushButton>(dialog, kCancelButton)->isVisible());
        ui.SetProgressName(u"資料\\報告書.txt");
        for (int i = 0; i < 66000; ++i)
            ui.StepProgress();
        auto* bar = Control<QProgressBar>(dialog, CProgressDialog::kProgressBar);
        QCOMPARE(bar->maximum(), 70000);
        QCOMPARE(bar->value(), 66000);
        QCOMPARE(Control<QLineEdit>(dialog, CProgressDialog::kTextEdit)->text(),
                 U("資料\\報告書.txt"));
        QCOMPARE(dialog->cancelled, 0);

        // Bytes take the bar over, and the title carries the percentage; sizes beyond
        // 32 bits too.
        ui.SetProgressBytes(std::uint64_t{42} << 32, std::uint64_t{100} << 32);
        QCOMPARE(dialog->windowTitle(), U("進行状況 42%"));
        QCOMPARE(bar->maximum(), CProgressDialog::kByteSteps);
        QCOMPARE(bar->value(), 420);
        QVERIFY(Control<QLabel>(dialog, CProgressDialog::kCountLabel)
                    ->text()
                    .contains(U("180,388,626,432 / 429,496,729,600 バイト")));

        // Escape, the button and closing the window each ask for the stop, once; the
        // window stays until the run has ended.
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCOMPARE(stops, 1);
        QCOMPARE(dialog->cancelled, 1);
        dialog->close();
        QVERIFY(dialog->isVisible());
        QCOMPARE(stops, 1);
        ui.CloseProgress();
        QCOMPARE(ui.progress(), nullptr);
        ui.StepProgress();  // after the run: nothing to step, no crash
        ui.OpenProgress(1);
        QTest::mouseClick(Control<QPushButton>(ui.progress(), kCancelButton), Qt::LeftButton);
        QCOMPARE(stops, 2);
        ui.CloseProgress();
    }

    void overwriteQuestionShowsBothFilesAndAnswersForAll() {
        QtUserInterface ui;
        OverwriteQuestion question{u"a.txt", u"\\d\\a.txt", 1234, kNoFileTime, 99, kNoFileTime};
        const std::pair<OverwriteAnswer, QString> answers[] = {
            {OverwriteAnswer::Yes, U("はい(&Y)")},
            {OverwriteAnswer::YesToAll, U("すべてはい(&A)")},
            {OverwriteAnswer::No, U("いいえ(&N)")},
            {OverwriteAnswer::NoToAll, U("すべていいえ(&L)")},
        };
        for (const auto& [answer, label] : answers) {
            QString text, details;
            AnswerNextModal([&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box != nullptr);
                text = box->text();
                details = box->informativeText();
                QAbstractButton* button =
                    box->findChild<QAbstractButton*>(QStringLiteral("answer%1").arg(int(answer)));
                QCOMPARE(button->text(), label);
                button->click();
            });
            QCOMPARE(ui.AskOverwrite(question), answer);
            QCOMPARE(text, U("既に[a.txt]が存在します。上書きしますか？"));
            QCOMPARE(details,
                     U("/d/a.txt\n既存のファイル：1,234 バイト\n新しいファイル：99 バイト"));
        }
    }

    void summaryListsEveryFailedMemberInAScrollingList() {
        QtUserInterface ui;
        RunReport report;
        report.text = u"展開終了\n不正ファイル数 40";
        for (int i = 0; i < 40; ++i)
            report.failures.push_back({u"docs\\m" + platform::AsciiToWide(std::to_string(i)),
                                       u"ファイルが壊れています。"});
        int rows = -1;
        bool scrolls = false;
        AnswerNextModal([&](QWidget* modal) {
            auto* list = modal->findChild<QTreeWidget*>(QStringLiteral("failedMembers"));
            QVERIFY(list != nullptr);
            rows = list->topLevelItemCount();
            QCOMPARE(list->topLevelItem(39)->text(0), U("docs/m39"));
            QCOMPARE(list->topLevelItem(39)->text(1), U("ファイルが壊れています。"));
            scrolls = list->verticalScrollBar()->maximum() > 0;
            static_cast<QDialog*>(modal)->accept();
        });
        ui.ShowRunSummary(report);
        QCOMPARE(rows, 40);
        QVERIFY(scrolls);

        // A test's list has its own heading; an extraction's summary says where the files
        // went and offers to open the folder.
        report.failuresTitle = texts::kUncheckedListTitle;
        report.folder = u"\\home\\u\\out";
        QString summary;
        QStringList labels;
        bool openFolder = false;
        AnswerNextModal([&](QWidget* modal) {
            summary = modal->findChild<QLabel*>(QStringLiteral("summaryText"))->text();
            for (const QLabel* label : modal->findChildren<QLabel*>())
                labels << label->text();
            openFolder = modal->findChild<QPushButton*>(QStringLiteral("openFolder")) != nullptr;
            static_cast<QDialog*>(modal)->accept();
        });
        ui.ShowRunSummary(report);
        QCOMPARE(summary, U("展開終了\n不正ファイル数 40\n展開先：/home/u/out"));
        QVERIFY(labels.contains(U("テストできなかったファイル")));
        QVERIFY(openFolder);
    }

    void aboutShowsTheVersionTheIconAndASecondLine() {
        CAboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), U("Quillory のバージョン情報"));
        QStringList texts;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (!label->text().isEmpty()) texts << label->text();
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts[0], QStringLiteral("Quillory Version 1.11"));
        QLabel* icon = dialog.findChild<QLabel*>(QStringLiteral("icon"));
        QVERIFY(!icon->pixmap().isNull());
        QVERIFY(icon->pixmap().width() >= 32);
    }

    void openDialogFiltersInQtSyntax() {
        QCOMPARE(
            QtFileFilters(texts::kArchiveFilters),
            (QStringList{
                U("すべての書庫 (*.lzh *.lha *.zip *.exe *.z[0-9][0-9] *.[0-9][0-9][0-9])"),
                U("LHA書庫 (*.lzh *.lha)"), U("ZIP書庫 (*.zip *.z[0-9][0-9] *.[0-9][0-9][0-9])"),
                U("自己解凍書庫 (*.exe)"), U("すべてのファイル (*)")}));
    }

    void questionsProceedOnlyOnYes() {
        QtUserInterface ui;
        QString text;
        QStringList buttons;
        AnswerNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            text = box->text();
            for (QAbstractButton* b : box->buttons())
                buttons << b->text();
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->windowTitle(), QStringLiteral("Quillory"));
            ClickButton(modal, U("はい(&Y)"));
        });
        QVERIFY(ui.AskYesNo(u"上書きしますか？"));
        QCOMPARE(text, U("上書きしますか？"));
        buttons.sort();
        QCOMPARE(buttons, (QStringList{U("いいえ(&N)"), U("はい(&Y)")}));
        AnswerNextModal([](QWidget* modal) { ClickButton(modal, U("いいえ(&N)")); });
        QVERIFY(!ui.AskYesNo(u"上書きしますか？"));
        // Closing the box is not Yes either.
        AnswerNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        QVERIFY(!ui.AskYesNo(u"展開しますか？"));
        // The unsafe-path question shows where the member would go; Enter answers No.
        AnswerNextModal([&](QWidget* modal) {
            text = qobject_cast<QMessageBox*>(modal)->text();
            QTest::keyClick(modal, Qt::Key_Return);
        });
        QVERIFY(!ui.AskUnsafePath({u"../x.txt", u"\\home\\u\\x.txt"}));
        QCOMPARE(text,
                 U("書庫内のファイル[../x.txt]が意図しないフォルダに展開される可能性があります。"
                   "\n展開先：/home/u/x.txt\n展開しますか？"));
    }

    void messagesHaveOnlyAnOkButton() {
        QtUserInterface ui;
        QStringList buttons;
        AnswerNextModal([&](QWidget* modal) {
            for (QAbstractButton* b : qobject_cast<QMessageBox*>(modal)->buttons())
                buttons << b->text();
            ClickButton(modal, QStringLiteral("OK"));
        });
        ui.ShowMessage(u"展開終了\n不正ファイル数 1");
        QCOMPARE(buttons, QStringList{QStringLiteral("OK")});
    }

    void settingsDialogShowsAndReturnsTheValuesAndNoneForOutOfRange() {
        CSettingsDialog dialog;
        SettingsValues values;
        values.OverwriteInquire = 7;  // stored by hand: no button
        values.ExtractFolder = kExtractToDesktop;
        values.AutoExtract = 1;
        dialog.setValues(values);
        for (int id : {CSettingsDialog::kOverwriteAlways, CSettingsDialog::kOverwriteNewer,
                       CSettingsDialog::kOverwriteNever})
            QVERIFY(!Control<QAbstractButton>(&dialog, id)->isChecked());
        QVERIFY(Control<QAbstractButton>(&dialog, CSettingsDialog::kExtractDesktop)->isChecked());
        dialog.accept();
        QCOMPARE(dialog.values().OverwriteInquire, -1);
        QCOMPARE(dialog.values().ExtractFolder, kExtractToDesktop);
        QCOMPARE(dialog.values().AutoExtract, 1);
        QCOMPARE(dialog.windowTitle(), U("設定"));
    }

    // Every control of every dialog is reached with Tab, and Enter has a button to press.
    void everyDialogIsReachedByTabAndHasADefaultButton() {
        const QString file = QDir::temp().filePath(QStringLiteral("quillory-tab.qdata"));
        {
            QFile data(file);
            QVERIFY(data.open(QIODevice::WriteOnly));
        }
        const auto check = [](QWidget* dialog, const char* name) {
            dialog->show();
            QStringList unreachable;
            bool hasDefault = false;
            for (QWidget* control : dialog->findChildren<QWidget*>()) {
                if (!control->isVisible() || !control->isEnabled()) continue;
                const bool input = qobject_cast<QAbstractButton*>(control) != nullptr ||
                                   qobject_cast<QLineEdit*>(control) != nullptr ||
                                   (qobject_cast<QAbstractItemView*>(control) != nullptr &&
                                    qobject_cast<QHeaderView*>(control) == nullptr);
                if (input && !(control->focusPolicy() & Qt::TabFocus))
                    unreachable << control->objectName() + u'/' +
                                       QString::fromLatin1(control->metaObject()->className());
                if (auto* button = qobject_cast<QPushButton*>(control);
                    button && button->isDefault())
                    hasDefault = true;
            }
            if (auto* box = qobject_cast<QMessageBox*>(dialog); box && box->defaultButton())
                hasDefault = true;
            QVERIFY2(unreachable.isEmpty(),
                     qPrintable(QString::fromLatin1(name) + QStringLiteral(": ") +
                                unreachable.join(u' ')));
            QVERIFY2(hasDefault, name);
        };
        const auto modal = [&](const char* name, const std::function<void()>& open) {
            AnswerNextModal([&](QWidget* widget) { check(widget, name); });
            open();
        };
        QtUserInterface ui;
        CDestinationDialog destination;
        check(&destination, "destination");
        CPasswordDialog password;
        check(&password, "password");
        CSettingsDialog settings;
        check(&settings, "settings");
        CAboutDialog about;
        check(&about, "about");
        CHelpDialog help;
        check(&help, "help");
        CProgressDialog progress;
        progress.Start(2);
        check(&progress, "progress");
        modal("overwrite", [&] {
            ui.AskOverwrite({u"a.txt", u"\\tmp\\a.txt", 1, kNoFileTime, 2, kNoFileTime});
        });
        modal("skip encrypted", [&] { ui.AskSkipEncrypted(); });
        modal("yes/no", [&] { ui.AskYesNo(u"展開しますか？"); });
        RunReport report;
        report.text = u"展開終了";
        report.folder = u"\\tmp";
        modal("summary", [&] { ui.ShowRunSummary(report); });
        modal("no application",
              [&] { OfferOtherApplication(nullptr, file, InstalledApplications()); });
        modal("chooser", [&] {
            ChooseApplication(nullptr, file, ChooserApplications(file, InstalledApplications()));
        });
        QFile::remove(file);
    }

    void execLinesBecomeTheCommandForAFile() {
        const QString file = QStringLiteral("/tmp/a b.txt");
        const struct {
            const char* exec;
            QStringList command;
        } rows[] = {
            {"eog %U", {"eog", "file:///tmp/a%20b.txt"}},
            {"\"/opt/My App/run\" --file=%f %i %c",
             {"/opt/My App/run", "--file=/tmp/a b.txt", "--icon", "viewer", "ビューア"}},
            {"sh -c \"echo \\\"\\$1\\\"\" sh %F", {"sh", "-c", "echo \"$1\"", "sh", file}},
            {"app 100%% %d", {"app", "100%", file}},  // no file named: it goes at the end
            {"app \"open", {}},
            {"vim %F", {"x-terminal-emulator", "-e", "vim", file}},
        };
        for (const auto& row : rows) {
            DesktopApplication app;
            app.exec = U(row.exec);
            app.icon = QStringLiteral("viewer");
            app.name = U("ビューア");
            app.terminal = row.command.startsWith(QStringLiteral("x-terminal-emulator"));
            if (app.terminal) {
                // Debian's terminal, where the system has one; nothing to start otherwise.
                const QString terminal =
                    QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
                QCOMPARE(CommandFor(app, file), terminal.isEmpty()
                                                    ? QStringList()
                                                    : QStringList{terminal} + row.command.mid(1));
                continue;
            }
            QCOMPARE(CommandFor(app, file), row.command);
        }
    }

    // The desktop's applications for a type: the user's default first, those declaring
    // the type or a parent, none removed; with none, the user is told and may pick one,
    // which is started with the file.
    void membersWithoutAnApplicationOfferAnother() {
        ScratchHome home;
        const QString apps = home.path(QStringLiteral("data/applications"));
        QDir().mkpath(apps + QStringLiteral("/kde"));
        const auto entry = [&](const QString& name, const QString& keys) {
            QFile file(apps + u'/' + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(("[Desktop Entry]\nType=Application\n" + keys).toUtf8());
        };
        const QString out = home.path(QStringLiteral("started"));
        entry(QStringLiteral("editor.desktop"),
              QStringLiteral("Name=Editor\nName[ja]=エディタ\nMimeType=text/plain;\n"
                             "Exec=sh -c \"echo \\\"$1\\\" > %1\" sh %f\n")
                  .arg(out));
        entry(QStringLiteral("kde/viewer.desktop"),
              QStringLiteral("Name=Viewer\nMimeType=text/x-c++src;text/plain;\nExec=viewer\n"));
        entry(QStringLiteral("gone.desktop"),
              QStringLiteral("Name=Gone\nMimeType=text/plain;\nExec=gone\n"));
        entry(QStringLiteral("hidden.desktop"),
              QStringLiteral("Name=Hidden\nNoDisplay=true\nMimeType=text/plain;\nExec=h\n"));
        QDir().mkpath(home.path(QStringLiteral("xdgconfig")));
        QFile list(home.path(QStringLiteral("xdgconfig/mimeapps.list")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(
            "[Default Applications]\ntext/x-c++src=kde-viewer.desktop;\n"
            "[Removed Associations]\ntext/plain=gone.desktop;\n");
        list.close();
        const QByteArray data = home.path(QStringLiteral("data")).toUtf8();
        const QByteArray config = home.path(QStringLiteral("xdgconfig")).toUtf8();
        qputenv("XDG_DATA_HOME", data);
        // The system's folders stay for its MIME database; its applications are passed
        // over below.
        qputenv("XDG_DATA_DIRS", data + ":/usr/local/share:/usr/share");
        qputenv("XDG_CONFIG_HOME", config);
        qputenv("XDG_CONFIG_DIRS", config);
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");

        // Names in the user's language: ja_JP takes Name[ja].
        const QLocale locale;
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(locale); });
        const QMimeDatabase types;
        const auto ids = [&](const char* type) {
            QStringList found;
            for (const DesktopApplication& app : ApplicationsFor(
                     types.mimeTypeForName(QString::fromLatin1(type)), InstalledApplications()))
                if (app.file.startsWith(apps)) found << app.id;
            return found;
        };
        QCOMPARE(ids("text/x-c++src"), (QStringList{"kde-viewer.desktop", "editor.desktop"}));
        QCOMPARE(ids("text/plain"), (QStringList{"editor.desktop", "kde-viewer.desktop"}));
        QCOMPARE(ids("image/png"), QStringList());

        // Bytes of no known type: no application of the test's opens them.
        const QString text = home.path(QStringLiteral("a.txt"));
        const QString image = home.path(QStringLiteral("a.qdata"));
        for (const QString& path : {text, image}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(path == text ? QByteArray("text") : QByteArray("\x01\x02\x00\xff", 4));
        }
        QVERIFY(DesktopOpens(text, InstalledApplications()));
        QVERIFY(DesktopOpens(home.path(), InstalledApplications()));
        if (DesktopOpens(image, InstalledApplications()))
            QSKIP("an application of this system opens any file");

        QtUserInterface ui;
        QString message;
        QStringList listed;
        AnswerNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            message = box->text();
            QCOMPARE(box->defaultButton()->text(), U("別のアプリケーションで開く..."));
            AnswerNextModal([&](QWidget* chooser) {
                auto* names = chooser->findChild<QListWidget*>(QStringLiteral("applications"));
                for (int row = 0; row < names->count(); ++row)
                    listed << names->item(row)->text();
                names->setCurrentRow(static_cast<int>(listed.indexOf(U("エディタ"))));
                static_cast<QDialog*>(chooser)->accept();
            });
            box->defaultButton()->click();
        });
        ui.ShellOpen(ProgramPathOf(image));
        QCOMPARE(message, U("このファイルを開くアプリケーションが見つかりません。\na.qdata"));
        // None is for the type: every application is offered, by name.
        QVERIFY(listed.contains(U("エディタ")) && listed.contains(U("Viewer")));
        QVERIFY(!listed.contains(QStringLiteral("Hidden")));
        QTRY_VERIFY(QFile::exists(out));
        QFile started(out);
        QVERIFY(started.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(started.readAll()).trimmed(), image);
    }

    void storeReadsDefaultsForMissingOrMistypedValues() {
        ScratchHome home;
        SettingsProfile profile;
        QCOMPARE(profile.GetInt(u"Option", u"AutoExtract", 5), 5);
        profile.settings().setValue("Option/AutoExtract", "yes");
        QCOMPARE(profile.GetInt(u"Option", u"AutoExtract", 5), 5);
        profile.WriteInt(u"Option", u"AutoExtract", 1);
        QCOMPARE(profile.GetInt(u"Option", u"AutoExtract", 5), 1);
        QCOMPARE(ToQString(profile.GetString(u"LastFolder", u"Extract", u"\\def\\")),
                 QStringLiteral("\\def\\"));
        profile.WriteString(u"LastFolder", u"Extract", u"\\資料\\");
        profile.settings().sync();
        QSettings again(kOrganisationName, kApplicationName);
        QCOMPARE(again.value("LastFolder/Extract").toString(), U("\\資料\\"));
        QVERIFY(again.fileName().endsWith(QStringLiteral("Ostrella Software/Quillory.conf")));
        // A folder whose name is no UTF-8 comes back exactly.
        const WString sjis = u"\\old\\\xDC93\xDCFA\xDC96{\\";
        profile.WriteString(u"LastFolder", u"Startup", sjis);
        profile.settings().sync();
        QVERIFY(SettingsProfile().GetString(u"LastFolder", u"Startup", u"") == sjis);
    }
};

}  // namespace quillory::testing

QTEST_MAIN(quillory::testing::DialogsTest)
#include "dialogs_test.moc"
