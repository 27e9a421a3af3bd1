// The application object: the profile on QSettings, the settings, the Qt user
// interface, the document and the frame, created in that order, and the start-up that
// removes old copies of opened members, reads the desktop's special folders and the
// command line (one archive path, as the host's bytes) and either shows the main window
// or, after an automatic extraction, quits without ever showing it. Needs a
// QApplication.
#pragma once

#include <optional>
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

    // Start-up with the program's arguments as the host gave them (the first one is the
    // program). True when the main window is shown and the event loop should run.
    bool InitInstance(const std::vector<std::string>& arguments);

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

// The archive named by the arguments (the first after the program, made absolute from
// the current folder), if any.
std::optional<WString> ArchiveArgument(const std::vector<std::string>& arguments);

}  // namespace quillory
