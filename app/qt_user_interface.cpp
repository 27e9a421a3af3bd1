// The Qt user interface.
#include "app/qt_user_interface.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "app/destination_dialog.h"
#include "app/dialog_controls.h"
#include "app/echo_mode.h"
#include "app/main_frame.h"
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
    ShowMessageBox(Owner(), ToQString(text));
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
    QPushButton* yes = box.addButton(QString::fromUtf8("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QString::fromUtf8("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yesIsDefault ? yes : no);
    box.exec();
    return box.clickedButton() == yes;
}

std::optional<WString> QtUserInterface::AskArchivePath(std::span<const texts::FileFilter> filters,
                                                       WStringView initialFolder) {
    QFileDialog dialog(Owner(), QString::fromUtf8("開く"), QtFilePath(initialFolder));
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

std::optional<WString> QtUserInterface::AskPassword(WStringView /*memberName*/) {
    CPasswordDialog dialog(Owner());
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
    progress_->Start(count);
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
    if (frame_) frame_->SetArchiveName(path.empty() ? QString() : HostPathText(path));
}

void QtUserInterface::RepaintActiveView() {
    if (frame_) frame_->view()->viewport()->repaint();
}

void QtUserInterface::ShellOpen(WStringView path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QtFilePath(path)));
}

}  // namespace quillory
