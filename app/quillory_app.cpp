// The application object: profile, settings, user interface, document and frame made in
// that order, then start-up: old opened copies removed, the desktop's folders and the
// command line read, and either the main window shown or, after an automatic extraction
// or an action, the program ended without showing it.
#include "app/quillory_app.h"

#include <QStandardPaths>

#include "app/launch_options.h"
#include "app/qt_text.h"
#include "platform/path.h"

namespace quillory {
namespace {

WString SpecialFolder(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    return folder.isEmpty() ? WString() : ProgramPathOf(folder);
}

}  // namespace

CQuilloryApp::CQuilloryApp() : doc_(ui_, settings_, profile_), frame_(doc_, ui_) {}

bool CQuilloryApp::InitInstance(const std::vector<std::string>& arguments) {
    const auto launch = ParseLaunchArguments(arguments);
    if (const auto* reply = std::get_if<LaunchReply>(&launch)) {
        exitStatus_ = PrintReply(*reply);
        return false;
    }
    RemoveOldOpenedCopies();
    const LaunchRequest& asked = std::get<LaunchRequest>(launch);
    const StartupRequest request{SpecialFolder(QStandardPaths::DesktopLocation),
                                 SpecialFolder(QStandardPaths::DocumentsLocation), asked.archive,
                                 asked.action};
    if (StartUp(doc_, request, &exitStatus_) == StartupResult::Quit) return false;
    frame_.UpdateCommandStates();
    frame_.show();
    frame_.repaint();
    return true;
}

}  // namespace quillory
