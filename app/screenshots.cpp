// Pictures of the windows for the documentation.
#include "app/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/destination_dialog.h"
#include "app/progress_dialog.h"
#include "app/quillory_app.h"
#include "app/quillory_view.h"
#include "app/settings_dialog.h"

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

void TakeAll(CQuilloryApp& app, const QString& folder) {
    QDir().mkpath(folder);
    CMainFrame& frame = app.frame();
    CQuilloryView* view = frame.view();
    if (view->model()->rowCount() > 1)
        view->selectionModel()->select(view->model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Save(frame, folder, "main-window");

    const ApplicationSettings& s = app.settings();
    CSettingsDialog settings(&frame);
    settings.setValues({s.OverwriteInquire, s.DisplayFolder, s.CreateFolder, s.UseFolder,
                        s.AutoExtract, s.AutoExtractMethod, s.StartupFolder, s.ExtractFolder});
    Save(settings, folder, "settings");

    CDestinationDialog destination(&frame);
    destination.setValues({s.lastExtractFolder, s.CreateFolder, s.UseFolder});
    Save(destination, folder, "destination");

    CProgressDialog progress(&frame);
    progress.Start(10);
    progress.SetText(QString::fromUtf8("資料/写真/花.png"));
    for (int i = 0; i < 4; ++i)
        progress.Step();
    Save(progress, folder, "progress");

    CAboutDialog about(&frame);
    Save(about, folder, "about");
    QApplication::quit();
}

}  // namespace

QString ScreenshotFolder() {
    return qEnvironmentVariable("QUILLORY_SCREENSHOTS");
}

void ScheduleScreenshots(CQuilloryApp& app, const QString& folder) {
    QTimer::singleShot(0, qApp, [&app, folder] { TakeAll(app, folder); });
}

}  // namespace quillory
