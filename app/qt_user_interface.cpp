// The document's user interface in Qt: message boxes, the overwrite and unsafe-path
// questions, the run summary with its failed members, the file-open and program dialogs,
// the progress dialog and the desktop's "open". Every call runs modally on the GUI
// thread; a worker's questions reach it through the job host.
#include "app/qt_user_interface.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/desktop_applications.h"
#include "app/destination_dialog.h"
#include "app/dialog_controls.h"
#include "app/echo_mode.h"
#include "app/main_frame.h"
#include "app/open_with.h"
#include "app/password_dialog.h"
#include "app/progress_dialog.h"
#include "app/qt_text.h"
#include "app/quillory_view.h"
#include "app/settings_dialog.h"

namespace quillory {

QStringList QtFileFilters(std::span<const texts::FileFilter> filters) {
    QStringList result;
    for (const texts::FileFilter& filter : filters) {
        QString description = ToQString(filter.description);
        // The description names its patterns in parentheses; Qt reads its own list there.
        if (const qsizetype open = description.lastIndexOf(QStringLiteral(" (")); open >= 0)
            description.truncate(open);
        QStringList patterns = ToQString(filter.patterns).split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
        }
        result << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return result;
}

QtUserInterface::QtUserInterface() = default;
QtUserInterface::~QtUserInterface() = default;

QWidget* QtUserInterface::Owner() const {
    return frame_;
}

void QtUserInterface::ShowMessage(WStringView text) {
    if (EchoMode()) return Echo(QStringLiteral("message: ") + ToQString(text));
    if (closing_) return;
    ShowMessageBox(Owner(), ToQString(text));
}

OverwriteAnswer QtUserInterface::AskOverwrite(const OverwriteQuestion& question) {
    if (EchoMode()) {
        Echo(QStringLiteral("question: ") + ToQString(QuestionText(question)));
        return OverwriteAnswer::No;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillory"),
                    ToQString(QuestionText(question)), QMessageBox::NoButton, Owner());
    box.setObjectName(QStringLiteral("overwriteQuestion"));
    box.setInformativeText(ToQString(DetailText(question)));
    const std::pair<const char*, OverwriteAnswer> buttons[] = {
        {"はい(&Y)", OverwriteAnswer::Yes},
        {"すべてはい(&A)", OverwriteAnswer::YesToAll},
        {"いいえ(&N)", OverwriteAnswer::No},
        {"すべていいえ(&L)", OverwriteAnswer::NoToAll},
    };
    std::vector<std::pair<QAbstractButton*, OverwriteAnswer>> made;
    for (const auto& [text, answer] : buttons) {
        const bool yes = answer == OverwriteAnswer::Yes || answer == OverwriteAnswer::YesToAll;
        QPushButton* button =
            box.addButton(Tr(text), yes ? QMessageBox::YesRole : QMessageBox::NoRole);
        button->setObjectName(QStringLiteral("answer%1").arg(static_cast<int>(answer)));
        made.emplace_back(button, answer);
        if (answer == OverwriteAnswer::Yes) box.setDefaultButton(button);
        // Escape and closing the box keep the file.
        if (answer == OverwriteAnswer::No) box.setEscapeButton(button);
    }
    box.exec();
    for (const auto& [button, answer] : made) {
        if (box.clickedButton() == button) return answer;
    }
    return OverwriteAnswer::No;  // closed without an answer
}

void QtUserInterface::ShowRunSummary(const RunReport& report) {
    if (closing_) return;
    const bool withFolder = !report.folder.empty();
    if ((report.failures.empty() && !withFolder) || EchoMode()) return ShowMessage(report.text);
    // The message, where the files went, then every member that failed and why, in a
    // list that scrolls.
    QDialog dialog(Owner());
    dialog.setObjectName(QStringLiteral("runSummary"));
    dialog.setWindowTitle(QStringLiteral("Quillory"));
    auto* layout = new QVBoxLayout(&dialog);
    QString message = ToQString(report.text);
    // The automatic extraction's message names its folder already.
    const QString folderLine = ToQString(texts::kDestinationLine);
    if (withFolder && !message.contains(folderLine)) {
        message += folderLine + HostPathText(report.folder);
    }
    auto* text = new QLabel(message, &dialog);
    text->setObjectName(QStringLiteral("summaryText"));
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    if (!report.failures.empty()) {
        layout->addWidget(new QLabel(ToQString(report.failuresTitle), &dialog));
        auto* list = new QTreeWidget(&dialog);
        list->setObjectName(QStringLiteral("failedMembers"));
        list->setRootIsDecorated(false);
        list->setHeaderLabels({Tr("ファイル"), Tr("理由")});
        for (const RunReport::FailedMember& failed : report.failures) {
            list->addTopLevelItem(
                new QTreeWidgetItem({HostPathText(failed.path), ToQString(failed.reason)}));
        }
        list->resizeColumnToContents(0);
        list->setMinimumSize(640, 200);
        layout->addWidget(list);
    }
    QDialogButtonBox* buttons = OkCancelButtons(&dialog, false);
    if (withFolder) {
        QPushButton* open =
            buttons->addButton(ToQString(texts::kOpenFolder), QDialogButtonBox::ActionRole);
        open->setObjectName(QStringLiteral("openFolder"));
        QObject::connect(open, &QPushButton::clicked, &dialog, [this, &dialog, &report] {
            ShellOpen(report.folder);
            dialog.accept();
        });
    }
    layout->addWidget(buttons);
    dialog.exec();
}

bool QtUserInterface::AskYesNo(WStringView text) {
    return Ask(text, true);
}

bool QtUserInterface::AskUnsafePath(const UnsafePathQuestion& question) {
    // Enter must not write a member outside the destination.
    return Ask(QuestionText(question), false);
}

bool QtUserInterface::Ask(WStringView text, bool yesIsDefault) {
    if (EchoMode()) {
        Echo(QStringLiteral("question: ") + ToQString(text));
        return false;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillory"), ToQString(text),
                    QMessageBox::NoButton, Owner());
    QPushButton* yes = box.addButton(Tr("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(Tr("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yesIsDefault ? yes : no);
    box.exec();
    return box.clickedButton() == yes;
}

std::optional<WString> QtUserInterface::AskArchivePath(std::span<const texts::FileFilter> filters,
                                                       WStringView initialFolder) {
    QFileDialog dialog(Owner(), Tr("開く"), QtFilePath(initialFolder));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(QtFileFilters(filters));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ProgramPathOf(dialog.selectedFiles().constFirst());
}

bool QtUserInterface::AskDestination(DestinationValues* values) {
    CDestinationDialog dialog(Owner());
    dialog.setValues(*values);
    if (dialog.exec() != QDialog::Accepted) return false;
    *values = dialog.values();
    return true;
}

std::optional<WString> QtUserInterface::AskPassword(WStringView memberName, bool wrongBefore) {
    CPasswordDialog dialog(Owner());
    dialog.setSubject(HostPathText(archivePath_), HostPathText(memberName));
    if (wrongBefore) dialog.setWrongBefore();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FromQString(dialog.password());
}

bool QtUserInterface::AskSettings(SettingsValues* values) {
    CSettingsDialog dialog(Owner());
    dialog.setValues(*values);
    if (dialog.exec() != QDialog::Accepted) return false;
    *values = dialog.values();
    return true;
}

void QtUserInterface::OpenProgress(int count) {
    progress_ = std::make_unique<CProgressDialog>(Owner());
    QObject::connect(progress_.get(), &CProgressDialog::cancelRequested, progress_.get(), [this] {
        if (stopHandler_) stopHandler_();
    });
    progress_->Start(count);
}

void QtUserInterface::SetProgressBytes(std::uint64_t done, std::uint64_t total) {
    if (progress_) progress_->SetBytes(done, total);
}

void QtUserInterface::SetProgressFinished(int finished) {
    if (progress_) progress_->SetFinished(finished);
}

void QtUserInterface::SetProgressName(WStringView name) {
    if (progress_) progress_->SetText(ToQString(name));
}

void QtUserInterface::StepProgress() {
    if (progress_) progress_->Step();
}

void QtUserInterface::CloseProgress() {
    progress_.reset();
}

void QtUserInterface::SetArchiveName(WStringView path) {
    archivePath_ = WString(path);
    if (frame_) frame_->SetArchiveName(path.empty() ? QString() : HostPathText(path));
}

void QtUserInterface::RepaintActiveView() {
    if (frame_) frame_->view()->viewport()->repaint();
}

bool QtUserInterface::MoveToTrash(WStringView path) {
    return QFile::moveToTrash(QtFilePath(path));
}

void QtUserInterface::ShellOpen(WStringView path) {
    const QString file = QtFilePath(path);
    // A folder goes to the file manager without reading the applications.
    if (QFileInfo(file).isDir()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
        return;
    }
    const QList<DesktopApplication> installed = InstalledApplications();
    if (DesktopOpens(file, installed) && QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        return;
    OfferOtherApplication(Owner(), file, installed);
}

}  // namespace quillory
