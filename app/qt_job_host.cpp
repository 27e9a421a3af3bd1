// The worker thread, and the stand-in user interface that carries a job's calls to the
// GUI thread.
#include "app/qt_job_host.h"

#include <QEventLoop>
#include <QPointer>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

namespace quillory {
namespace {

// The user interface a job sees on the worker: every call goes to target on the thread
// of context. Arguments are copied into the call, as the worker may give up waiting
// (a stop) while the GUI thread still shows the question.
class CrossThreadUserInterface final : public UserInterface {
public:
    CrossThreadUserInterface(UserInterface& target, QObject* context, std::stop_token stop)
        : target_(&target), context_(context), stop_(std::move(stop)) {}

    void ShowMessage(WStringView text) override {
        Wait<bool>(
            [ui = target_, t = WString(text)] {
                ui->ShowMessage(t);
                return true;
            },
            false);
    }
    bool AskYesNo(WStringView text) override {
        return Wait<bool>([ui = target_, t = WString(text)] { return ui->AskYesNo(t); }, false);
    }
    bool AskUnsafePath(const UnsafePathQuestion& question) override {
        return Wait<bool>([ui = target_, q = question] { return ui->AskUnsafePath(q); }, false);
    }
    OverwriteAnswer AskOverwrite(const OverwriteQuestion& question) override {
        return Wait<OverwriteAnswer>([ui = target_, q = question] { return ui->AskOverwrite(q); },
                                     OverwriteAnswer::No);
    }
    int FailureMessagesBeforeAsking() const override {
        return target_->FailureMessagesBeforeAsking();
    }
    void ShowRunSummary(const RunReport& report) override {
        Wait<bool>(
            [ui = target_, r = report] {
                ui->ShowRunSummary(r);
                return true;
            },
            false);
    }
    std::optional<WString> AskArchivePath(std::span<const texts::FileFilter> filters,
                                          WStringView initialFolder) override {
        return Wait<std::optional<WString>>(
            [ui = target_, filters, f = WString(initialFolder)] {
                return ui->AskArchivePath(filters, f);
            },
            std::nullopt);
    }
    bool AskDestination(DestinationValues* values) override {
        return AskForValues(values, &UserInterface::AskDestination);
    }
    std::optional<WString> AskPassword(WStringView memberName, bool wrongBefore) override {
        return Wait<std::optional<WString>>(
            [ui = target_, m = WString(memberName), wrongBefore] {
                return ui->AskPassword(m, wrongBefore);
            },
            std::nullopt);
    }
    bool AskSettings(SettingsValues* values) override {
        return AskForValues(values, &UserInterface::AskSettings);
    }

    void OpenProgress(int count) override {
        Post([ui = target_, count] { ui->OpenProgress(count); });
    }
    void SetProgressName(WStringView name) override {
        Post([ui = target_, n = WString(name)] { ui->SetProgressName(n); });
    }
    void SetProgressBytes(std::uint64_t done, std::uint64_t total) override {
        Post([ui = target_, done, total] { ui->SetProgressBytes(done, total); });
    }
    void SetProgressFinished(int finished) override {
        Post([ui = target_, finished] { ui->SetProgressFinished(finished); });
    }
    void StepProgress() override {
        Post([ui = target_] { ui->StepProgress(); });
    }
    void CloseProgress() override {
        Post([ui = target_] { ui->CloseProgress(); });
    }
    void SetArchiveName(WStringView path) override {
        Post([ui = target_, p = WString(path)] { ui->SetArchiveName(p); });
    }
    void RepaintActiveView() override {
        Post([ui = target_] { ui->RepaintActiveView(); });
    }
    // Straight to the target, on the thread that writes: moving a file to the Trash needs
    // nothing of the GUI thread, and the writer must not wait for it.
    bool MoveToTrash(WStringView path) override { return target_->MoveToTrash(path); }
    void ShellOpen(WStringView path) override {
        Post([ui = target_, p = WString(path)] { ui->ShellOpen(p); });
    }

private:
    // A call the worker waits for. The answer is kept beside a flag for the GUI thread
    // to see whether the worker still waits.
    template <class R>
    struct Pending {
        std::mutex mutex;
        std::condition_variable_any answered;
        std::optional<R> answer;
        bool abandoned = false;
    };

    template <class R, class F>
    R Wait(F call, R fallback) {
        if (stop_.stop_requested()) return fallback;
        auto pending = std::make_shared<Pending<R>>();
        QMetaObject::invokeMethod(
            context_,
            [pending, call = std::move(call)]() mutable {
                {
                    const std::lock_guard lock(pending->mutex);
                    if (pending->abandoned) return;  // the worker stopped waiting
                }
                R answer = call();
                const std::lock_guard lock(pending->mutex);
                pending->answer = std::move(answer);
                pending->answered.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(pending->mutex);
        pending->answered.wait(lock, stop_, [&] { return pending->answer.has_value(); });
        if (!pending->answer) {
            pending->abandoned = true;
            return fallback;
        }
        return std::move(*pending->answer);
    }

    // A dialog that shows *values and gives them back changed on OK.
    template <class Values>
    bool AskForValues(Values* values, bool (UserInterface::*dialog)(Values*)) {
        auto answer = Wait<std::optional<Values>>(
            [ui = target_, v = *values, dialog]() mutable -> std::optional<Values> {
                if (!(ui->*dialog)(&v)) return std::nullopt;
                return v;
            },
            std::nullopt);
        if (answer) *values = *answer;
        return answer.has_value();
    }

    template <class F>
    void Post(F call) {
        QMetaObject::invokeMethod(context_, std::move(call), Qt::QueuedConnection);
    }

    // Calls capture the target, not this object, which goes with the worker while posted
    // calls may still wait on the GUI thread.
    UserInterface* target_;
    QObject* context_;
    std::stop_token stop_;
};

}  // namespace

QtJobHost::QtJobHost(QObject* parent) : QObject(parent) {}

QtJobHost::~QtJobHost() {
    stop_.request_stop();
    if (worker_.joinable()) worker_.join();
}

void QtJobHost::Start(std::unique_ptr<MemberJob> job, UserInterface& ui, Finished onFinished) {
    if (busy_) return;
    if (worker_.joinable()) worker_.join();
    busy_ = true;
    stop_ = std::stop_source();
    auto stand_in = std::make_shared<CrossThreadUserInterface>(ui, this, stop_.get_token());
    emit busyChanged(true);
    const QPointer<QtJobHost> self(this);
    worker_ = std::thread([self, job = std::move(job), stand_in, token = stop_.get_token(),
                           onFinished = std::move(onFinished)]() mutable {
        JobResult result = job->Run(*stand_in, token);
        // The host outlives the worker (its destructor joins it), so self is still there.
        QMetaObject::invokeMethod(
            self.data(),
            [self, result = std::move(result), onFinished = std::move(onFinished)]() mutable {
                if (self) self->Finish(std::move(result), onFinished);
            },
            Qt::QueuedConnection);
    });
}

void QtJobHost::Finish(JobResult result, const Finished& onFinished) {
    if (worker_.joinable()) worker_.join();
    busy_ = false;
    if (onFinished) onFinished(std::move(result));
    emit busyChanged(false);
}

void QtJobHost::RequestStop() {
    if (busy_) stop_.request_stop();
}

void QtJobHost::Wait() {
    if (!busy_) return;
    QEventLoop loop;
    connect(this, &QtJobHost::busyChanged, &loop, [&loop](bool busy) {
        if (!busy) loop.quit();
    });
    loop.exec();
}

}  // namespace quillory
