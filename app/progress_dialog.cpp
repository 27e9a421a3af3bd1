// The progress dialog.
#include "app/progress_dialog.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_controls.h"

namespace quillory {
namespace {

// Often enough to look alive, rarely enough not to slow a run of many small members.
constexpr qint64 kRepaintIntervalMs = 50;

}  // namespace

CProgressDialog::CProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("進行状況"));
    auto* layout = new QVBoxLayout(this);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(ControlName(kProgressBar));
    progress_->setTextVisible(false);
    text_ = new QLineEdit(this);
    text_->setObjectName(ControlName(kTextEdit));
    text_->setReadOnly(true);
    text_->setMinimumWidth(320);
    auto* cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    cancel->setObjectName(ControlName(kCancelButton));
    cancel->hide();
    layout->addWidget(progress_);
    layout->addWidget(text_);
    layout->addWidget(cancel);
}

void CProgressDialog::Start(int count) {
    progress_->setRange(0, count);
    progress_->setValue(0);
    show();
    Refresh(true);
}

void CProgressDialog::SetText(const QString& text) {
    text_->setText(text);
    Refresh(false);
}

void CProgressDialog::Step() {
    progress_->setValue(progress_->value() + 1);
    Refresh(false);
}

void CProgressDialog::Refresh(bool force) {
    if (!force && sinceRefresh_.isValid() && sinceRefresh_.elapsed() < kRepaintIntervalMs) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceRefresh_.start();
}

}  // namespace quillory
