// The application object: the profile on QSettings, the settings, the Qt user
// interface, the document and the frame, created in that order, and the start-up that
// reads the desktop's special folders and the command line (one archive path) and
// either shows the main window or, after an automatic extraction, quits without ever
// showing it. Needs a QApplication.
#pragma once

#include <QStringList>

#include "app/main_frame.h"
#include "app/qt_user_interface.h"
#include "app/settings_profile.h"
#include "document/front_end.h"

namespace quillory {

class CQuilloryApp {
public:
    CQuilloryApp();

    // Start-up with the program's arguments (the first one is the program). True when
    // the main window is shown and the event loop should run.
    bool InitInstance(const QStringList& arguments);

    CQuilloryDoc& document() { return doc_; }
    CMainFrame& frame() { return frame_; }
    ApplicationSettings& settings() { return settings_; }

private:
    SettingsProfile profile_;
    ApplicationSettings settings_;
    QtUserInterface ui_;
    CQuilloryDoc doc_;
    CMainFrame frame_;
};

// The archive named by the arguments (the first after the program, as an absolute
// path), if any.
std::optional<WString> ArchiveArgument(const QStringList& arguments);

}  // namespace quillory
