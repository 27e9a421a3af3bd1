// The GUI tests' shared pieces: a user interface that records messages and "open"
// instead of showing them, a scratch home and settings store, the frame over a document,
// and answering the next modal dialog once it is up.
#include "gui_harness.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QSettings>
#include <QTimer>

#include "app/qt_text.h"

namespace quillory::testing {

void RecordingUi::ShowMessage(WStringView text) {
    messages << ToQString(text);
}

void RecordingUi::ShowRunSummary(const RunReport& report) {
    if (closing()) return;
    ShowMessage(report.text);
    summaryFolders << HostPathText(report.folder);
}

void RecordingUi::ShellOpen(WStringView path) {
    opened << HostPathText(path);
}

ScratchHome::ScratchHome() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       path(QStringLiteral("config")));
    QSettings(kOrganisationName, kApplicationName).clear();
    QDir().mkpath(path(QStringLiteral("Desktop")));
    QDir().mkpath(path(QStringLiteral("Documents")));
    QDir().mkpath(path(QStringLiteral("cache")));
    QFile::setPermissions(path(QStringLiteral("cache")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CACHE_HOME", path(QStringLiteral("cache")).toUtf8());
}

QString ScratchHome::path(const QString& relative) const {
    return relative.isEmpty() ? dir_.path() : dir_.filePath(relative);
}

Gui::Gui(const ScratchHome& home) {
    // The tests of the flat list see every member at once (the folder view's own turn it
    // on); the store stays as a first run leaves it.
    frame.folderViewAction()->setChecked(false);
    QSettings(kOrganisationName, kApplicationName).remove(QStringLiteral("View"));
    StartUp(doc, {ProgramPathOf(home.path(QStringLiteral("Desktop"))),
                  ProgramPathOf(home.path(QStringLiteral("Documents"))), std::nullopt});
    frame.UpdateCommandStates();
}

QString SamplePath(const char* name) {
    return QStringLiteral(QUILLORY_SOURCE_DIR "/samples/") + QString::fromUtf8(name);
}

void AnswerNextModal(std::function<void(QWidget*)> answer) {
    // Polls rather than waits one interval, so a slow machine is not a failure.
    constexpr int kPollMs = 10;
    constexpr int kMaxPolls = 500;
    auto* timer = new QTimer(qApp);
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, polls, answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && ++*polls < kMaxPolls) return;
        timer->stop();
        timer->deleteLater();
        if (modal == nullptr) return;
        const QPointer<QWidget> guard(modal);
        answer(modal);
        // An answer that failed half-way must not leave the test waiting in exec().
        if (auto* dialog = qobject_cast<QDialog*>(guard.data()); dialog && dialog->isVisible())
            dialog->reject();
    });
    timer->start(kPollMs);
}

}  // namespace quillory::testing
