// Dialog 134 "進行状況", modeless: a bar over the run's members and the name of the member
// being processed. Its "キャンセル" button is never shown, so a run cannot be stopped.
// The commands run on the one GUI thread; the dialog repaints itself while they do.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLineEdit;
class QProgressBar;

namespace quillory {

class CProgressDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kProgressBar = 1021;
    static constexpr int kTextEdit = 1001;

    explicit CProgressDialog(QWidget* parent = nullptr);

    // Range 0 .. count with a step of 1, and the window on screen.
    void Start(int count);
    void SetText(const QString& text);
    void Step();

    int cancelled = 0;  // nothing sets it

private:
    // Lets the window paint, at most every kRepaintIntervalMs, without taking user input.
    void Refresh(bool force);

    QProgressBar* progress_;
    QLineEdit* text_;
    QElapsedTimer sinceRefresh_;
};

}  // namespace quillory
