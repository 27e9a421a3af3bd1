// Runs over an archive's members as jobs, so that a front end can run them off its
// user-interface thread.
//
// Design. A command (extract all, extract selected, test, the automatic extraction,
// extract here, open one member) first decides everything that needs the user or the
// settings on the thread that runs the user interface: the destination dialog, the
// folder, the selection by entry index. That becomes a JobPlan, and a MemberJob holds it.
// The job makes the plan a member run (common/member_run.h: destination, modes, overwrite
// rule, its callback, its stop token, the remembered password), extracts each member of
// the read-only archive with it, classifies each failure (member_outcome.h), shows the
// failure messages and keeps the counts and the failed members for the summary. The run's
// stop token is the job's: the readers' outputs look at it with each piece of output, so
// a stopped member leaves nothing under its name, and the walk between members. Each job
// has its own callback object (questions, the "for all" answers of this run, the count of
// output bytes for the progress dialog).
//
// A JobHost runs jobs: Start(job, ui, on finished), RequestStop, Busy and Wait. The
// InlineJobHost here runs a job at once on the calling thread, so the command-line tool
// and the document's tests see the same order of calls as a plain loop would make. The
// GUI's host (app/) runs the job on a worker thread and hands it a user interface that
// carries every question and message to the GUI thread and waits for the answer, while
// progress is posted without waiting; "on finished" runs on the GUI thread, which shows
// the summary. While a host is busy the front end keeps the document's commands
// disabled, so nothing opens or closes the archive meanwhile (the member list only reads
// the entry table, which a run never changes).
//
// The readers know nothing of threads: a member is decoded on the thread that asks for
// it. With more than one thread (JobPlan::threads) the job decodes members on a pool of
// workers, each with a run of its own (member_pool.h), while its own thread stays the one
// that talks to the user, in member order, and keeps the counts.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include "document/member_outcome.h"
#include "document/user_interface.h"
#include "platform/text.h"

namespace quillory {

class CQuilloryDoc;

// What the user interface thread decided before the run.
struct JobPlan {
    RunKind kind = RunKind::Extract;
    // Entries by index, in this order; nothing: every entry in table order. Indices
    // outside the table are passed over (but still step the bar, which counts them).
    std::optional<std::vector<int>> selection;
    WString destFolder;  // extraction only
    int useFolders = 0;  // extraction only
    bool showProgress = true;
    // Failures are shown one by one (and counted); false leaves them to the caller.
    bool reportFailures = true;
    // When an existing file is asked about: the document's choice (RunJob fills it in).
    OverwriteRule overwrite = OverwriteRule::AskIfNewer;
    // Existing files are replaced without a question (the private copies of opened
    // members, which are the program's own).
    bool replaceExisting = false;
    // A damaged member's output is kept as "<name>.damaged" (the setting "KeepDamaged").
    bool keepDamaged = false;
    // Threads decoding members at once; 0: one per core of the machine. 1 decodes every
    // member on the job's own thread.
    int threads = 1;
};

// The threads a run with `requested` threads uses (0: the machine's cores), before it
// is limited to its member count.
int DecodingThreads(int requested);

struct JobResult {
    RunCounts counts;
    std::vector<MemberFailure> failures;  // every failed member, in order
    int lastFailureStatus = 0;            // the reader's status number for the last failure
    int total = 0;                        // the members the plan named
    // Each member's status number, in plan order (0 for a good one, and for a member not
    // reached), for front ends that report members one by one.
    std::vector<int> statuses;
};

class MemberJob {
public:
    // doc must outlive the job and keep its archive open while it runs.
    MemberJob(CQuilloryDoc& doc, JobPlan plan) : doc_(doc), plan_(std::move(plan)) {}

    // Walks the plan's members, talking to the user only through ui.
    JobResult Run(UserInterface& ui, std::stop_token stop);

private:
    template <class Archive>
    JobResult Run(const Archive& archive, UserInterface& ui, const std::stop_token& stop,
                  const std::function<bool(WStringView)>& moveToTrash);
    // The folders the run may write in, for confining its threads; nothing when a member
    // may be written elsewhere.
    template <class Archive>
    std::optional<std::vector<WString>> WritableFolders(const Archive& archive) const;

    CQuilloryDoc& doc_;
    JobPlan plan_;
};

class JobHost {
public:
    using Finished = std::function<void(JobResult)>;
    virtual ~JobHost();

    // Runs the job, which talks through ui; onFinished gets the result on the thread that
    // called Start once the job has ended (the inline host: before Start returns). Only
    // one job runs at a time: Start while Busy() is refused (onFinished is not called).
    virtual void Start(std::unique_ptr<MemberJob> job, UserInterface& ui, Finished onFinished) = 0;
    // Asks the running job to stop; it ends within one piece of output.
    virtual void RequestStop() = 0;
    virtual bool Busy() const = 0;
    // Returns once no job runs (and its onFinished has been called).
    virtual void Wait() = 0;
};

class InlineJobHost final : public JobHost {
public:
    void Start(std::unique_ptr<MemberJob> job, UserInterface& ui, Finished onFinished) override;
    void RequestStop() override;
    bool Busy() const override { return busy_; }
    void Wait() override {}

private:
    bool busy_ = false;
    std::stop_source stop_;
};

}  // namespace quillory
