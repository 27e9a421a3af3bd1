// Dialog 134 "進行状況", modeless: a bar over the run, the name of the member being
// processed, how many members and bytes are done, and "キャンセル". While the run's total
// size is known the bar moves with the bytes, so one long member moves it too, and the
// window title carries the percentage ("進行状況 42%") for the task bar. Cancel, Escape
// and closing the window ask for the run to stop (cancelRequested); the dialog goes when
// the run has ended. The run works on another thread: nothing here waits for it.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace quillory {

class CProgressDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kProgressBar = 1021;
    static constexpr int kTextEdit = 1001;
    static constexpr int kCountLabel = 1022;
    // Steps of the bar when it follows bytes.
    static constexpr int kByteSteps = 1000;
    // A run shorter than this never shows the dialog.
    static constexpr int kShowDelayMs = 300;

    explicit CProgressDialog(QWidget* parent = nullptr);

    // Range 0 .. count members; the window appears unless the run ends first.
    void Start(int count);
    void SetText(const QString& text);
    void Step();
    // Members through so far, counted as they finish (several decoded at once).
    void SetFinished(int finished);
    // Bytes of output so far over all members of the run.
    void SetBytes(std::uint64_t done, std::uint64_t total);

    int cancelled = 0;  // set once the user asked to stop

signals:
    void cancelRequested();

protected:
    void reject() override;  // Escape and the Cancel button
    void closeEvent(QCloseEvent* event) override;

private:
    void RequestCancel();
    void UpdateCounts();

    QProgressBar* progress_;
    QLineEdit* text_;
    QLabel* counts_;
    QPushButton* cancel_;
    int members_ = 0;
    int membersDone_ = 0;
    int membersFinished_ = 0;
    std::uint64_t bytesDone_ = 0;
    std::uint64_t bytesTotal_ = 0;
};

}  // namespace quillory
