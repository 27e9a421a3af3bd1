// The member loop of a job, and the inline host. One walk serves extract all, extract
// selected, the test, the automatic extraction, extract here and opening one member:
// each member through the reader in turn, every failure classified, reported and kept
// for the summary. A failing member never stops the walk; a stop (the token, an
// interrupt, or the user's No after too many failure messages) ends it after the member
// being decoded, which leaves nothing behind.
#include "document/member_job.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "common/output_files.h"
#include "document/extract_callback_impl.h"
#include "document/member_pool.h"
#include "document/output_order.h"
#include "document/quillory_doc.h"
#include "document/shown_name.h"
#include "document/texts.h"
#include "platform/output_file.h"
#include "platform/sandbox.h"
#include "platform/stop_request.h"

namespace quillory {
namespace {

// The member at a plan position, or null for an index outside the table.
template <class Archive>
const auto* PlanEntry(const JobPlan& plan, const Archive& archive, int position) {
    const int index =
        plan.selection ? (*plan.selection)[static_cast<std::size_t>(position)] : position;
    const auto& entries = archive.entries();
    return index < 0 || index >= static_cast<int>(entries.size())
               ? nullptr
               : &entries[static_cast<std::size_t>(index)];
}

// The member's path below the destination: its folders too when they are recreated.
template <class Entry>
WString RelativePathOf(int useFolders, const Entry& entry) {
    WString relative(WStringView(entry.name));
    if (useFolders != 0) relative.insert(0, WStringView(entry.path));
    return relative;
}

// Where a member was to be written, for the message when its file could not be made.
template <class Entry>
WString OutputPathOf(WStringView destFolder, int useFolders, const Entry& entry) {
    const WString relative = RelativePathOf(useFolders, entry);
    WString path(destFolder);
    if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += u'\\';
    return path.append(WithoutLeadingSeparators(relative));
}

// The state of one walk over an archive's members, and the reporting of each member's
// outcome: the same for the one-thread loop and the pool (member_pool.h).
template <class Archive>
class Walk {
public:
    using Entry =
        typename std::remove_cvref_t<decltype(std::declval<Archive>().entries())>::value_type;
    using Done = decltype(Extract(std::declval<const Archive&>(), std::declval<const Entry&>(),
                                  std::declval<MemberRun&>()));

    Walk(const JobPlan& plan, const Archive& archive, UserInterface& ui,
         CExtractCallbackImpl& callback, JobResult& result)
        : plan_(plan),
          archive_(archive),
          ui_(ui),
          callback_(callback),
          result_(result),
          tableSize_(static_cast<int>(archive.entries().size())),
          messagesBeforeAsking_(ui.FailureMessagesBeforeAsking()) {
        result_.total = plan_.selection ? static_cast<int>(plan_.selection->size()) : tableSize_;
        result_.statuses.assign(static_cast<std::size_t>(result_.total), 0);
    }

    int total() const { return result_.total; }

    // The member at a plan position, or null for an index outside the table.
    const Entry* EntryAt(int position) const { return PlanEntry(plan_, archive_, position); }

    // Encrypted ZIP members (bit 0 of the general-purpose flags): the only ones that may
    // ask for a password.
    static bool Encrypted(const LzhEntry&) { return false; }
    static bool Encrypted(const ZipEntry& entry) { return (entry.flags & 1) != 0; }

    // Where each member writes, for the pool's ordering; nothing to order in a test.
    std::vector<WString> RelativePaths() const {
        std::vector<WString> paths;
        if (plan_.kind != RunKind::Extract) return paths;
        for (int position = 0; position < total(); ++position) {
            const Entry* entry = EntryAt(position);
            paths.push_back(entry == nullptr ? WString()
                                             : RelativePathOf(plan_.useFolders, *entry));
        }
        return paths;
    }

    // The member's turn: its name on the progress dialog, once.
    void Arrive(int position) {
        if (arrived_ == position) return;
        arrived_ = position;
        const Entry* entry = EntryAt(position);
        if (plan_.showProgress && entry != nullptr) ui_.SetProgressName(ShownName(entry->name));
    }

    // Counts, classifies and reports the member's outcome, then steps the bar. quietly:
    // the run is stopping, failures go to the summary only.
    void Report(int position, const Done& done, bool quietly) {
        result_.statuses[static_cast<std::size_t>(position)] = static_cast<int>(done.status);
        if (const Entry* entry = EntryAt(position)) Count(*entry, done, quietly);
        if (plan_.showProgress) {
            callback_.ReportProgress(false);
            ui_.StepProgress();
        }
    }

    // Members through the reader so far, before their turn to be reported.
    void Finished(int members) {
        if (plan_.showProgress && members > finishedShown_) {
            finishedShown_ = members;
            ui_.SetProgressFinished(members);
        }
    }

    bool StoppedByUser() const { return stoppedByUser_ || callback_.StopAsked(); }
    // Whether failures are still shown one by one (not after the user chose to go on
    // quietly); on the coordinator.
    bool ShowsFailures() const { return plan_.reportFailures && !quiet_; }
    // Whether the member's report would show a failure (or ask to go on) while failures
    // are shown; reads nothing that changes, so any worker may call it.
    bool MayShowFailure(const Done& done) const {
        if (done.ok() || !plan_.reportFailures) return false;
        const FailureClass kind = ClassifyFailure(done.status, plan_.kind);
        return kind != FailureClass::Unsupported && kind != FailureClass::Ignored;
    }
    void Produced(std::uint64_t bytes) {
        callback_.SetProduced(bytes);
        callback_.ReportProgress(false);
    }

private:
    void Count(const Entry& entry, const Done& done, bool quietly) {
        RunCounts& counts = result_.counts;
        const WStringView name(entry.name);
        ++counts.members;
        if (done.ok() || !IsStopped(done.status)) ++counts.finished;
        if (done.ok()) {
            // A folder entry has no file name, as in the list.
            if (!name.empty()) ++counts.goodFiles;
            callback_.TakePasswordCancelled();
            return;
        }
        MemberFailure failure;
        failure.kind = ClassifyFailure(done.status, plan_.kind);
        failure.passwordCancelled = callback_.TakePasswordCancelled();
        // The user who cancelled and then chose to skip or stop knows why: no message.
        if (failure.passwordCancelled && (callback_.SkippingEncrypted() || callback_.StopAsked())) {
            quietly = true;
        }
        result_.lastFailureStatus = static_cast<int>(done.status);
        switch (failure.kind) {
            case FailureClass::Unsupported:
                CountUnsupported(entry);
                return;
            case FailureClass::Ignored:
                // A test reports damage only, but the caller still learns of members it
                // could not check (the tool's exit status).
                if (plan_.kind == RunKind::Test &&
                    ClassifyFailure(done.status, RunKind::Extract) == FailureClass::Unsupported) {
                    CountUnsupported(entry);
                }
                return;
            default:
                break;
        }
        // A test could not check a member it had no password for: that is no damage.
        if (failure.kind == FailureClass::WrongPassword && plan_.kind == RunKind::Test) {
            ++counts.unchecked;
        } else {
            ++counts.damaged;
        }
        failure.name = WString(name);
        failure.storedPath = WString(WStringView(entry.path)) + WString(name);
        failure.outputPath = OutputPathOf(plan_.destFolder, plan_.useFolders, entry);
        failure.error = done.error;
        if (plan_.reportFailures && !quiet_ && !quietly) {
            const WString text = FailureText(failure);
            if (messagesBeforeAsking_ > 0 && messagesShown_ >= messagesBeforeAsking_) {
                // Enough boxes: the user may go on without them, or stop.
                quiet_ = true;
                if (!ui_.AskYesNo(text + WString(texts::kGoOnQuietly))) stoppedByUser_ = true;
            } else {
                ui_.ShowMessage(text);
                ++messagesShown_;
            }
        }
        result_.failures.push_back(std::move(failure));
    }

    // One more unsupported member, and its method for the summary (each once).
    void CountUnsupported(const Entry& entry) {
        RunCounts& counts = result_.counts;
        ++counts.unsupported;
        WString reason = UnsupportedReason(entry);
        auto& reasons = counts.unsupportedReasons;
        if (!reason.empty() && std::find(reasons.begin(), reasons.end(), reason) == reasons.end())
            reasons.push_back(std::move(reason));
    }

    const JobPlan& plan_;
    const Archive& archive_;
    UserInterface& ui_;
    CExtractCallbackImpl& callback_;
    JobResult& result_;
    const int tableSize_;
    const int messagesBeforeAsking_;
    int messagesShown_ = 0;
    bool quiet_ = false;
    bool stoppedByUser_ = false;
    int arrived_ = -1;
    int finishedShown_ = 0;
};

// Moves to the Trash for a confined run: its threads may not write outside the
// destination, where the Trash lies, so they hand each move to the thread that started
// the run, which is not confined and waits for them meanwhile.
class TrashBroker {
public:
    // On a run's thread: the move, done by Serve, and whether it succeeded.
    bool Move(WStringView path) {
        std::promise<bool> done;
        std::future<bool> result = done.get_future();
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back({WString(path), std::move(done)});
        }
        wake_.notify_all();
        return result.get();
    }
    // On the starting thread: does the moves asked for until Close.
    void Serve(UserInterface& ui) {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return !requests_.empty() || closed_; });
            if (requests_.empty()) return;
            Request request = std::move(requests_.front());
            requests_.pop_front();
            lock.unlock();
            request.done.set_value(ui.MoveToTrash(request.path));
            lock.lock();
        }
    }
    void Close() {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
        }
        wake_.notify_all();
    }

private:
    struct Request {
        WString path;
        std::promise<bool> done;
    };
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> requests_;
    bool closed_ = false;
};

}  // namespace

int DecodingThreads(int requested) {
    if (requested > 0) return requested;
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

JobResult MemberJob::Run(UserInterface& ui, std::stop_token stop) {
    return doc_.WithReader([&](const auto& archive) {
        const std::optional<std::vector<WString>> writable = WritableFolders(archive);
        const auto direct = [&ui](WStringView path) { return ui.MoveToTrash(path); };
        if (!writable) return Run(archive, ui, stop, direct);
        // The run's threads are confined to writing where it writes, on a thread of
        // their own: the caller's thread (the program's main one in quillory-cli) stays
        // free to save settings and the like afterwards, and moves replaced files to the
        // Trash for them meanwhile.
        JobResult result;
        TrashBroker broker;
        std::thread confined([&] {
            platform::ConfineWritesTo(*writable);
            result =
                Run(archive, ui, stop, [&broker](WStringView path) { return broker.Move(path); });
            broker.Close();
        });
        broker.Serve(ui);
        confined.join();
        return result;
    });
}

template <class Archive>
std::optional<std::vector<WString>> MemberJob::WritableFolders(const Archive& archive) const {
    if (plan_.kind == RunKind::Test) return std::vector<WString>{};
    // A member that may be let out of the destination (a ".." that climbs out, a link on
    // its way that leads out) would be written where no confinement can foresee.
    const int total = plan_.selection ? static_cast<int>(plan_.selection->size())
                                      : static_cast<int>(archive.entries().size());
    std::unordered_set<WString> checkedFolders;
    for (int position = 0; position < total; ++position) {
        const auto* entry = PlanEntry(plan_, archive, position);
        if (entry == nullptr) continue;
        const WString relative = RelativePathOf(plan_.useFolders, *entry);
        if (IsUnsafePath(relative)) return std::nullopt;
        // Links are looked for once per folder: members mostly share theirs.
        if (plan_.useFolders == 0 ||
            !checkedFolders.insert(WString(WStringView(entry->path))).second)
            continue;
        if (platform::LeadsOutside(plan_.destFolder, relative)) return std::nullopt;
    }
    return std::vector<WString>{plan_.destFolder};
}

template <class Archive>
JobResult MemberJob::Run(const Archive& archive, UserInterface& ui, const std::stop_token& stop,
                         const std::function<bool(WStringView)>& moveToTrash) {
    CExtractCallbackImpl callback(ui);
    // The user's No to going on stops the members being decoded as their Cancel does.
    std::stop_source stopped;
    const std::stop_callback forward(stop, [&stopped] { stopped.request_stop(); });
    MemberRun run;
    run.testMode = plan_.kind == RunKind::Test;
    run.destFolder = plan_.destFolder;
    run.useFolders = plan_.useFolders != 0;
    run.overwrite = plan_.replaceExisting ? OverwriteRule::Never : plan_.overwrite;
    run.keepDamaged = plan_.keepDamaged;
    run.callback = &callback;
    run.stop = stopped.get_token();
    run.password = &doc_.password();
    // A file the user had, replaced, goes to the Trash when the front end has one; the
    // program's own copies (opened members) are simply refreshed.
    std::atomic<int> trashed{0};
    if (!plan_.replaceExisting && !run.testMode) {
        run.folders.SetKeeperOfReplaced([&moveToTrash, &trashed](WStringView path) {
            if (moveToTrash(path)) trashed.fetch_add(1, std::memory_order_relaxed);
        });
    }

    JobResult result;
    Walk<Archive> walk(plan_, archive, ui, callback, result);
    const int total = walk.total();
    RunCounts& counts = result.counts;
    counts.archiveDamaged = doc_.OpenWarning().has_value();
    if (plan_.showProgress) {
        ui.OpenProgress(total);
        std::uint64_t totalBytes = 0;
        for (int i = 0; i < total; ++i) {
            if (const auto* entry = walk.EntryAt(i)) totalBytes += entry->originalSize;
        }
        callback.StartProgress(totalBytes);
    }
    const auto stopAsked = [&] { return walk.StoppedByUser() || run.StopRequested(); };
    // With two encrypted members or more, a cancelled password asks about the others.
    int encrypted = 0;
    for (int i = 0; i < total && encrypted < 2; ++i) {
        if (const auto* entry = walk.EntryAt(i); entry != nullptr && walk.Encrypted(*entry)) {
            ++encrypted;
        }
    }
    callback.AskBeforeSkipping(encrypted > 1);
    const int threads = std::min(DecodingThreads(plan_.threads), total);
    if (threads > 1) {
        MemberPool<Archive, Walk<Archive>> pool(
            archive, walk, callback, total,
            OutputOrderBarriers(plan_.destFolder, walk.RelativePaths()));
        if (pool.Run(threads, run, run.stop)) counts.stopped = true;
    } else {
        for (int i = 0; i < total; ++i) {
            if (stopAsked()) {
                counts.stopped = true;
                break;
            }
            walk.Arrive(i);
            typename Walk<Archive>::Done done;
            if (const auto* entry = walk.EntryAt(i)) done = Extract(archive, *entry, run);
            walk.Report(i, done, false);
            if (walk.StoppedByUser()) stopped.request_stop();
        }
    }
    // A stop during the last member ends the run as much as one between members.
    if (stopAsked()) counts.stopped = true;
    counts.trashed = trashed.load(std::memory_order_relaxed);
    if (plan_.showProgress) {
        callback.ReportProgress(true);
        ui.CloseProgress();
    }
    return result;
}

JobHost::~JobHost() = default;

void InlineJobHost::Start(std::unique_ptr<MemberJob> job, UserInterface& ui, Finished onFinished) {
    if (busy_) return;
    busy_ = true;
    stop_ = std::stop_source();
    JobResult result = job->Run(ui, stop_.get_token());
    busy_ = false;
    if (onFinished) onFinished(std::move(result));
}

void InlineJobHost::RequestStop() {
    stop_.request_stop();
}

}  // namespace quillory
