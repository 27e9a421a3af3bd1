// What the GUI tests share: a scratch settings store and home, the frame over a document
// with a user interface that records messages and the desktop's "open" instead of
// showing them, the sample archives, and answering a modal dialog once it is up.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "app/main_frame.h"
#include "app/qt_user_interface.h"
#include "app/settings_profile.h"
#include "document/front_end.h"

namespace quillory::testing {

// Messages and opened files, recorded; every dialog stays the real one.
class RecordingUi final : public QtUserInterface {
public:
    void ShowMessage(WStringView text) override;
    // The summary's text among the messages, and the folder it offers to open.
    void ShowRunSummary(const RunReport& report) override;
    void ShellOpen(WStringView path) override;

    QStringList messages;
    QStringList summaryFolders;
    QStringList opened;
};

// A scratch folder holding the settings store (QSettings' user scope), the desktop and
// documents folders and the cache folder for opened members. Clears the store.
class ScratchHome {
public:
    ScratchHome();
    QString path(const QString& relative = {}) const;

private:
    QTemporaryDir dir_;
};

// The objects the application makes, in its order, started without an archive.
struct Gui {
    explicit Gui(const ScratchHome& home);

    SettingsProfile profile;
    ApplicationSettings settings;
    RecordingUi ui;
    CQuilloryDoc doc{ui, settings, profile};
    CMainFrame frame{doc, ui};
};

QString SamplePath(const char* name);  // samples/<name>, host path

inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A dialog's control by its id.
template <class W>
W* Control(QWidget* dialog, int id) {
    return dialog->findChild<W*>(QStringLiteral("control%1").arg(id));
}

// Calls answer with the next modal widget as soon as one is active (polling the event
// loop); gives up after a few seconds. A dialog the answer left open is cancelled.
void AnswerNextModal(std::function<void(QWidget*)> answer);

}  // namespace quillory::testing
