// Screenshot mode for the documentation script: with QUILLORY_SCREENSHOTS set to a
// folder, the running program saves PNG pictures of its main window, the settings,
// destination, progress and about dialogs into that folder, then quits.
#pragma once

#include <QString>

namespace quillory {

class CQuilloryApp;

// The folder named by QUILLORY_SCREENSHOTS, or empty.
QString ScreenshotFolder();
// Takes the pictures once the event loop runs, then quits the application.
void ScheduleScreenshots(CQuilloryApp& app, const QString& folder);

}  // namespace quillory
