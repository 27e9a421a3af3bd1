// The GUI's job host: runs a document job (document/member_job.h) on a worker thread so
// that the window keeps repainting, moving and answering during a run. The job talks to
// a stand-in user interface that carries each call to the GUI thread: questions and
// messages as a queued call that the worker waits for (a stop request ends the wait with
// "no" / "cancel"), progress as a queued call that it does not wait for. The job's end
// comes back to the GUI thread, which joins the worker, calls "on finished" and tells
// the frame (finished()). One job at a time; a reader decodes a member on whichever
// thread asks for it and keeps nothing of it.
#pragma once

#include <QObject>
#include <stop_token>
#include <thread>

#include "document/member_job.h"

namespace quillory {

class QtJobHost final : public QObject, public JobHost {
    Q_OBJECT

public:
    explicit QtJobHost(QObject* parent = nullptr);
    // Stops a job still running and waits for its worker.
    ~QtJobHost() override;

    void Start(std::unique_ptr<MemberJob> job, UserInterface& ui, Finished onFinished) override;
    void RequestStop() override;
    bool Busy() const override { return busy_; }
    // Runs the GUI thread's events until the job has ended (start-up's runs).
    void Wait() override;

signals:
    // A job started or ended (after its "on finished").
    void busyChanged(bool busy);

private:
    void Finish(JobResult result, const Finished& onFinished);

    bool busy_ = false;
    std::stop_source stop_;
    std::thread worker_;
};

}  // namespace quillory
