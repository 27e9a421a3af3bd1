// Screenshot mode: with QUILLORY_SCREENSHOTS naming a folder, the program saves pictures
// of its main window and dialogs there as PNG files and quits. Without the variable it
// does nothing.
#include "app/screenshots.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/destination_dialog.h"
#include "app/help_dialog.h"
#include "app/open_with.h"
#include "app/progress_dialog.h"
#include "app/qt_user_interface.h"
#include "app/quillory_app.h"
#include "app/quillory_view.h"
#include "app/settings_dialog.h"
#include "document/member_outcome.h"
#include "platform/time.h"

namespace quillory {
namespace {

// Time for a window to be mapped and painted before it is grabbed.
constexpr int kSettleMs = 300;

void Settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kSettleMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Save(QWidget& window, const QString& folder, const char* name) {
    window.show();
    window.raise();
    Settle();
    window.grab().save(QDir(folder).filePath(QString::fromUtf8(name) + QStringLiteral(".png")));
}

// Grabs the modal dialog that the next call opens, then closes it.
template <class Call>
void SaveModal(const QString& folder, const char* name, Call call) {
    QTimer::singleShot(kSettleMs, qApp, [folder, name] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        modal->grab().save(QDir(folder).filePath(QString::fromUtf8(name) + QStringLiteral(".png")));
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    });
    call();
}

void TakeAll(CQuilloryApp& app, const QString& folder) {
    QDir().mkpath(folder);
    CMainFrame& frame = app.frame();
    CQuilloryView* view = frame.view();
    if (view->model()->rowCount() > 1)
        view->selectionModel()->select(view->model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Save(frame, folder, "main-window");

    // By folder, one level down (the path in the name bar), then every member at once.
    const std::vector<WString>& folders = view->memberModel().list().folders();
    if (view->folder() && !folders.empty()) {
        view->SetFolder(folders.front());
        Save(frame, folder, "folder-view");
        view->SetFolder(WString());
    }
    const bool byFolder = frame.folderViewAction()->isChecked();
    frame.folderViewAction()->setChecked(false);
    Save(frame, folder, "flat-view");
    // The filter over the flat list (Ctrl+F), typed in fullwidth letters.
    frame.filterEdit()->show();
    frame.filterEdit()->setText(QString::fromUtf8("ＴＸＴ"));
    Save(frame, folder, "filter");
    frame.filterEdit()->clear();
    frame.filterEdit()->hide();
    frame.folderViewAction()->setChecked(byFolder);

    const ApplicationSettings& s = app.settings();
    CSettingsDialog settings(&frame);
    settings.setValues({s.OverwriteInquire, s.DisplayFolder, s.CreateFolder, s.UseFolder,
                        s.AutoExtract, s.AutoExtractMethod, s.StartupFolder, s.ExtractFolder});
    Save(settings, folder, "settings");

    CDestinationDialog destination(&frame);
    destination.setValues({s.lastExtractFolder, s.CreateFolder, s.UseFolder});
    Save(destination, folder, "destination");

    // A long member half-way: the bar and the title follow its bytes.
    CProgressDialog progress(&frame);
    progress.Start(10);
    for (int i = 0; i < 4; ++i)
        progress.Step();
    progress.SetText(QString::fromUtf8("動画/発表会_2024.mp4"));
    progress.SetBytes(std::uint64_t{1'812'451'200}, std::uint64_t{4'294'967'296});
    Save(progress, folder, "progress");

    // The overwrite question, with both files.
    QtUserInterface& ui = app.ui();
    FileTime existing = 0, member = 0;
    platform::CalendarToFileTime({2024, 3, 28, 18, 5, 12, 0}, &existing);
    platform::CalendarToFileTime({2024, 4, 1, 9, 0, 0, 0}, &member);
    const OverwriteQuestion question{
        u"報告書.txt", s.myDocumentsFolder + u"sample\\資料\\報告書.txt", 180, existing, 190,
        member};
    SaveModal(folder, "overwrite", [&] { ui.AskOverwrite(question); });

    // The end of a run in which some members could not be written, its texts made as a
    // run makes them.
    RunCounts counts;
    counts.damaged = 4;
    RunReport report;
    report.text = ExtractSummaryText(counts);
    const platform::FileErrorInfo full{platform::FileError::DiskFull, 0};
    const auto failed = [](FailureClass kind, WStringView name, platform::FileErrorInfo error) {
        MemberFailure failure;
        failure.kind = kind;
        failure.name = WString(name);
        failure.error = error;
        return RunReport::FailedMember{WString(name), FailureReason(failure)};
    };
    report.failures = {
        failed(FailureClass::WriteFailed, u"動画\\発表会_2024.mp4", full),
        failed(FailureClass::CreateFailed, u"動画\\練習.mp4", full),
        failed(FailureClass::WrongPassword, u"資料\\予算.xlsx", {}),
        failed(FailureClass::Damaged, u"資料\\古い報告書.doc", {}),
    };
    SaveModal(folder, "failure-summary", [&] { ui.ShowRunSummary(report); });

    // A good extraction's end: where the files went, and the button that opens it.
    RunReport done;
    done.text = ExtractSummaryText({});
    done.folder = s.myDocumentsFolder + u"sample";
    SaveModal(folder, "extract-summary", [&] { ui.ShowRunSummary(done); });

    // A test that had no password for two members.
    RunCounts tested;
    tested.goodFiles = 4;
    tested.unchecked = 2;
    RunReport test;
    test.text = TestSummaryText(6, tested);
    test.failuresTitle = texts::kUncheckedListTitle;
    test.failures = {failed(FailureClass::WrongPassword, u"資料\\予算.xlsx", {}),
                     failed(FailureClass::WrongPassword, u"資料\\給与.xlsx", {})};
    SaveModal(folder, "test-summary", [&] { ui.ShowRunSummary(test); });

    // The password asked again after a wrong one, and the question after a cancel.
    SaveModal(folder, "password-again", [&] { ui.AskPassword(u"資料\\予算.xlsx", true); });
    SaveModal(folder, "skip-encrypted", [&] { ui.AskSkipEncrypted(); });

    // A member of a type no application opens, and the chooser offered for it.
    const QString unknown = QDir::temp().filePath(QStringLiteral("設計図.qdata"));
    if (QFile file(unknown); file.open(QIODevice::WriteOnly)) file.write(QByteArray(16, '\0'));
    const QList<DesktopApplication> installed = InstalledApplications();
    SaveModal(folder, "no-application", [&] { OfferOtherApplication(&frame, unknown, installed); });
    SaveModal(folder, "open-with",
              [&] { ChooseApplication(&frame, unknown, ChooserApplications(unknown, installed)); });
    QFile::remove(unknown);

    CAboutDialog about(&frame);
    Save(about, folder, "about");
    CHelpDialog help(&frame);
    Save(help, folder, "help");
    // exit, not quit: quit asks the windows to close, and one may decline.
    QApplication::exit(0);
}

}  // namespace

QString ScreenshotFolder() {
    return qEnvironmentVariable("QUILLORY_SCREENSHOTS");
}

void ScheduleScreenshots(CQuilloryApp& app, const QString& folder) {
    QTimer::singleShot(0, qApp, [&app, folder] { TakeAll(app, folder); });
}

}  // namespace quillory
