// The application object: the profile on QSettings, the settings, the Qt user
// interface, the document and the frame, created in that order, and the start-up that
// removes old copies of opened members, reads the desktop's special folders and the
// command line (an archive path as the host's bytes, perhaps with an action) and either
// shows the main window or, after an automatic extraction or an action, quits without
// ever showing it. Needs a QApplication.
#pragma once

#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/qt_user_interface.h"
#include "app/settings_profile.h"
#include "document/front_end.h"

namespace quillory {

class CQuilloryApp {
public:
    CQuilloryApp();

    // Start-up with the program's arguments as the host gave them, after QApplication has
    // taken its own (the first one is the program). True when the main window is shown
    // and the event loop should run; otherwise the program quits with exitStatus().
    bool InitInstance(const std::vector<std::string>& arguments);
    int exitStatus() const { return exitStatus_; }

    CQuilloryDoc& document() { return doc_; }
    CMainFrame& frame() { return frame_; }
    ApplicationSettings& settings() { return settings_; }
    QtUserInterface& ui() { return ui_; }

private:
    SettingsProfile profile_;
    ApplicationSettings settings_;
    QtUserInterface ui_;
    CQuilloryDoc doc_;
    CMainFrame frame_;
    int exitStatus_ = 0;
};

}  // namespace quillory
