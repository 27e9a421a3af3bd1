// Quitting on a signal: interrupt, termination and hang-up only request a stop, and a
// timer on the GUI thread then dismisses open questions and dialogs and closes the main
// window once no run is going on, so no half-written member is left under its name.
#include "app/stop_watch.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "platform/stop_request.h"

namespace quillory {

void InstallStopWatch(QWidget& mainWindow) {
    platform::InstallStopSignalHandlers();
    // Often enough to feel immediate, rarely enough to cost nothing while idle.
    constexpr int kWatchMilliseconds = 200;
    auto* watch = new QTimer(&mainWindow);
    QObject::connect(watch, &QTimer::timeout, &mainWindow, [&mainWindow] {
        // A run the user cancelled raises the request too, without a signal: that one
        // ends the run only.
        if (!platform::StopRequested() || platform::StopSignal() == 0) return;
        // Before the window is shown (the automatic extraction) start-up ends by itself.
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        } else if (mainWindow.isVisible()) {
            mainWindow.close();
        }
    });
    watch->start(kWatchMilliseconds);
}

}  // namespace quillory
