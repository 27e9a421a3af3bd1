// Application start-up.
#include "app/quillory_app.h"

#include <QStandardPaths>

#include "app/qt_text.h"
#include "platform/path.h"

namespace quillory {
namespace {

WString SpecialFolder(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    return folder.isEmpty() ? WString() : ProgramPathOf(folder);
}

}  // namespace

std::optional<WString> ArchiveArgument(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2 || arguments[1].empty()) return std::nullopt;
    // The name bar shows the full path, and the automatic extraction names its folder
    // after the file: a relative argument is taken from the current folder.
    return platform::AbsolutePath(platform::FromHostPath(arguments[1]));
}

CQuilloryApp::CQuilloryApp() : doc_(ui_, settings_, profile_), frame_(doc_, ui_) {}

bool CQuilloryApp::InitInstance(const std::vector<std::string>& arguments) {
    RemoveOldOpenedCopies();
    const StartupRequest request{SpecialFolder(QStandardPaths::DesktopLocation),
                                 SpecialFolder(QStandardPaths::DocumentsLocation),
                                 ArchiveArgument(arguments)};
    if (StartUp(doc_, request) == StartupResult::Quit) return false;
    frame_.UpdateCommandStates();
    frame_.show();
    frame_.repaint();
    return true;
}

}  // namespace quillory
