// The modeless progress dialog: the bar (by bytes while the total is known, else by
// members), the member's name, the counts and the percentage in the title. Cancel,
// Escape and closing only request a stop; the run, on another thread, is never waited for
// here.
#include "app/progress_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialog_controls.h"
#include "app/qt_text.h"
#include "document/member_list.h"

namespace quillory {
namespace {

// A function, not a constant: the translator is installed after static initialisation.
QString Title() {
    return Tr("進行状況");
}

}  // namespace

CProgressDialog::CProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Title());
    auto* layout = new QVBoxLayout(this);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(ControlName(kProgressBar));
    progress_->setTextVisible(false);
    text_ = new QLineEdit(this);
    text_->setObjectName(ControlName(kTextEdit));
    text_->setReadOnly(true);
    text_->setMinimumWidth(360);
    counts_ = new QLabel(this);
    counts_->setObjectName(ControlName(kCountLabel));
    cancel_ = new QPushButton(Tr("キャンセル"), this);
    cancel_->setObjectName(ControlName(kCancelButton));
    connect(cancel_, &QPushButton::clicked, this, &CProgressDialog::RequestCancel);
    layout->addWidget(progress_);
    layout->addWidget(text_);
    layout->addWidget(counts_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
}

void CProgressDialog::Start(int count) {
    members_ = count;
    progress_->setRange(0, count);
    progress_->setValue(0);
    UpdateCounts();
    // A short run (one small member opened from the list) comes and goes unseen.
    QTimer::singleShot(kShowDelayMs, this, [this] { show(); });
}

void CProgressDialog::SetText(const QString& text) {
    text_->setText(text);
}

void CProgressDialog::Step() {
    ++membersDone_;
    if (bytesTotal_ == 0) progress_->setValue(std::min(membersDone_, progress_->maximum()));
    UpdateCounts();
}

void CProgressDialog::SetFinished(int finished) {
    membersFinished_ = std::max(membersFinished_, finished);
    UpdateCounts();
}

void CProgressDialog::SetBytes(std::uint64_t done, std::uint64_t total) {
    bytesDone_ = done;
    bytesTotal_ = total;
    if (total == 0) return;
    progress_->setRange(0, kByteSteps);
    const std::uint64_t shown = std::min(done, total);
    // In whole steps without overflowing: total may be far beyond 32 bits.
    const int steps =
        static_cast<int>(static_cast<double>(shown) / static_cast<double>(total) * kByteSteps);
    progress_->setValue(steps);
    setWindowTitle(Title() + QStringLiteral(" %1%").arg(steps / 10));
    UpdateCounts();
}

void CProgressDialog::UpdateCounts() {
    const int done = std::min(std::max(membersDone_, membersFinished_), members_);
    QString line = QStringLiteral("%1 / %2").arg(done).arg(members_) + Tr(" ファイル");
    if (bytesTotal_ > 0) {
        line += QStringLiteral("    ") + ToQString(GroupDigits(bytesDone_)) +
                QStringLiteral(" / ") + ToQString(GroupDigits(bytesTotal_)) + Tr(" バイト");
    }
    counts_->setText(line);
}

void CProgressDialog::RequestCancel() {
    if (cancelled != 0) return;
    cancelled = 1;
    cancel_->setEnabled(false);
    text_->setText(Tr("中止しています..."));
    emit cancelRequested();
}

void CProgressDialog::reject() {
    RequestCancel();
}

void CProgressDialog::closeEvent(QCloseEvent* event) {
    // The window goes when the run has stopped, not before.
    event->ignore();
    RequestCancel();
}

}  // namespace quillory
