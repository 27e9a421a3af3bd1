// The pool of decoding threads behind a job's member walk (member_job.cpp). Workers
// claim the plan's members in order, a group of one folder's members at a time, and
// decode them at once, each with a run of its own (the job's decisions and answers, its
// own callback and work areas) over the one read-only archive. Everything the user sees
// stays on the job's thread and in member order:
// that thread (the coordinator) takes the members as they come out, in order, and
// reports each as a one-thread walk would; a worker whose member has a question hands it
// to the coordinator and waits, and the coordinator asks it once every earlier member is
// reported, so questions and messages interleave as they would on one thread.
//
// Refusals that keep the order of a one-thread run: members that write the same path,
// or a file where another needs a folder, wait for the earlier one (output_order.h).
// Encrypted members go to every worker, one member at a time in order: each worker
// tries its copy of the remembered password (key derivation and decryption run on every
// core), and the try counts only once no earlier member can still ask for a password,
// with the password a one-thread run would have tried then (a later answer is tried
// again, without a question); what a member's questions leave, asked in its turn,
// becomes every worker's password. So a password is asked once, a wrong one is asked
// again for the same member, and a second password is asked where a one-thread run asks
// for it. A stop (the job's token, a signal, the user's No, the user's choice to stop
// after a cancelled password) stops the pool's own token, which ends the members being
// decoded within a piece of output, withdraws questions not yet asked, wakes the workers
// waiting for their password's turn, and ends the claims; members that came out whole
// before are still reported (quietly). From a failure that will be shown until it is,
// and while the user is asked, no worker claims a new member (but the members of its
// group before that failure, which its report waits for), so that an answer that stops
// the run finds at most one member per worker done meanwhile.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/extract_callback.h"
#include "common/member_run.h"
#include "crypto/remembered_password.h"
#include "platform/stop_request.h"

namespace quillory {

// Walk: the job's walk over one archive, which the pool calls on the coordinator:
//   const Entry* EntryAt(int position)  - the member at a plan position, or null
//   bool Encrypted(const Entry&)        - its password may be asked for
//   void Arrive(int position)           - the member's turn (progress name)
//   void Finished(int members)          - members decoded so far, in any order
//   void Report(int position, const Done&, bool quietly) - counts, messages, the step
//   bool StoppedByUser()                - the user said No to going on
//   bool ShowsFailures()                - failures still go to the user one by one
//   bool MayShowFailure(const Done&)    - its report would show one (on any thread)
//   void Produced(std::uint64_t bytes)  - output so far, for the progress
template <class Archive, class Walk>
class MemberPool {
    using Entry =
        typename std::remove_cvref_t<decltype(std::declval<Archive>().entries())>::value_type;
    using Done = decltype(Extract(std::declval<const Archive&>(), std::declval<const Entry&>(),
                                  std::declval<MemberRun&>()));

public:
    MemberPool(const Archive& archive, Walk& walk, ExtractCallback& questions, int total,
               std::vector<int> barriers)
        : archive_(archive),
          walk_(walk),
          questions_(questions),
          total_(total),
          barriers_(std::move(barriers)),
          slots_(static_cast<std::size_t>(total)) {}

    // Runs the members with up to `threads` workers, each with a run made from base;
    // true when a stop ended it early.
    bool Run(int threads, const MemberRun& base, const std::stop_token& stop) {
        lanes_.resize(static_cast<std::size_t>(std::max(threads, 1)));
        groups_.resize(lanes_.size());
        std::vector<MemberRun> runs;
        for (auto& lane : lanes_) {
            lane = std::make_unique<LaneCallback>(*this);
            runs.push_back(base.ForWorker(lane.get()));
            runs.back().stop = stop_.get_token();
        }
        // Each worker has its own copy of the password; the pool keeps the run's.
        sharing_ = base.password != nullptr;
        if (sharing_) password_ = *base.password;
        std::vector<RememberedPassword> copies(sharing_ ? lanes_.size() : 0, password_);
        for (std::size_t k = 0; k < copies.size(); ++k)
            runs[k].password = &copies[k];
        for (int position = 0; position < total_; ++position)
            mayAsk_[static_cast<std::size_t>(position)] = IsEncrypted(position);
        active_ = static_cast<int>(lanes_.size());
        showsFailures_ = walk_.ShowsFailures();
        {
            const std::stop_callback forward(stop, [this] { stop_.request_stop(); });
            std::vector<std::jthread> workers;
            for (std::size_t k = 0; k < runs.size(); ++k) {
                workers.emplace_back([this, &runs, k] { Work(runs[k], k); });
            }
            Coordinate(stop);
        }
        walk_.Produced(produced_.load(std::memory_order_relaxed));
        if (sharing_) *base.password = password_;
        return stopping_;
    }

private:
    struct Slot {
        const std::function<void()>* question = nullptr;
        bool taken = false;     // the coordinator is asking it
        bool answered = false;  // and has
        bool done = false;
        bool withdrawn = false;    // never decoded or asked: the run stopped first
        bool holdsClaims = false;  // a failure to show: no claims until it is reported
        Done result;
    };

    // The reader's callback on a worker: questions go to the coordinator, output is
    // counted for everyone.
    class LaneCallback final : public ExtractCallback {
    public:
        explicit LaneCallback(MemberPool& pool) : pool_(pool) {}
        int position = 0;

        void ConfirmUnsafePath(WStringView storedPath, WStringView targetPath, int* proceed,
                               int* forAll) override {
            pool_.Ask(position, [&] {
                pool_.questions_.ConfirmUnsafePath(storedPath, targetPath, proceed, forAll);
            });
        }
        bool AskPassword(WStringView memberName, bool wrongBefore, WChar* password) override {
            bool given = false;
            pool_.Ask(position, [&] {
                given = pool_.questions_.AskPassword(memberName, wrongBefore, password);
            });
            return given;
        }
        void ConfirmOverwrite(WStringView name, WStringView outputPath, std::uint64_t memberSize,
                              FileTime memberTimeLocal, int* overwrite, int* forAll) override {
            pool_.Ask(position, [&] {
                pool_.questions_.ConfirmOverwrite(name, outputPath, memberSize, memberTimeLocal,
                                                  overwrite, forAll);
            });
        }
        void OutputProduced(std::size_t count) override {
            pool_.produced_.fetch_add(count, std::memory_order_relaxed);
        }
        void RefreshPassword(RememberedPassword& password) override {
            const std::lock_guard lock(pool_.mutex_);
            if (pool_.sharing_) password = pool_.password_;
        }
        bool PasswordOfTurn(RememberedPassword& password, bool accepted) override {
            return pool_.PasswordOfTurn(position, password, accepted);
        }
        void PasswordAnswered(const RememberedPassword& password) override {
            pool_.PasswordAnswered(position, password);
        }

    private:
        MemberPool& pool_;
    };

    Slot& SlotAt(int position) { return slots_[static_cast<std::size_t>(position)]; }

    // The next member for worker `lane`, or -1. Called under the lock. Each worker takes
    // a group of members at a time: consecutive members of one folder, so that two
    // workers mostly add names to different folders (the kernel lets one thread at a
    // time change a folder, and small files spend most of their time there), and few
    // enough packed bytes that large members still spread over every worker. An
    // encrypted member is a group of its own: a worker's password try waits for the
    // earlier members' tries, so those are taken in order, one at a time, by any worker.
    int Claim(std::size_t lane) {
        if (stopping_ || platform::StopRequested()) return -1;
        Group& group = groups_[lane];
        for (;;) {
            if (group.next < group.end) {
                claimed_[static_cast<std::size_t>(group.next)] = true;
                return group.next++;
            }
            if (nextGroup_ >= total_) return -1;
            group.next = nextGroup_;
            group.end = GroupEnd(nextGroup_);
            nextGroup_ = group.end;
        }
    }

    int GroupEnd(int start) {
        constexpr int kMaxGroupMembers = 256;
        constexpr std::uint64_t kMaxGroupBytes = std::uint64_t{1} << 20;
        const Entry* first = walk_.EntryAt(start);
        if (IsEncrypted(start)) return start + 1;
        std::uint64_t bytes = 0;
        int end = start;
        while (end < total_ && end - start < kMaxGroupMembers && bytes < kMaxGroupBytes) {
            const Entry* entry = walk_.EntryAt(end);
            if (end > start && (entry == nullptr || first == nullptr || IsEncrypted(end) ||
                                WStringView(entry->path) != WStringView(first->path))) {
                break;
            }
            if (entry != nullptr) bytes += entry->compressedSize;
            ++end;
        }
        return end;
    }

    bool IsEncrypted(int position) const {
        const Entry* entry = walk_.EntryAt(position);
        return entry != nullptr && walk_.Encrypted(*entry);
    }
    bool MayAsk(int position) const { return mayAsk_[static_cast<std::size_t>(position)]; }

    // Under the lock: the member asks nothing more about its password.
    void Settle(int position) {
        if (!MayAsk(position)) return;
        mayAsk_[static_cast<std::size_t>(position)] = false;
        if (turnWaiters_ > 0) workersWake_.notify_all();
    }

    // Under the lock: no member before position can still ask for a password.
    bool EarlierSettled(int position) {
        while (frontier_ < total_ && !MayAsk(frontier_))
            ++frontier_;
        return frontier_ >= position;
    }

    // On a worker, after a try of its password for the member at position: once the
    // earlier members have settled theirs, the run's password is the one a one-thread
    // run has in this member's turn. The worker's copy takes it (true: try again), or an
    // accepted try settles the member; a rejected one goes on to the questions. A stop
    // ends the wait: the questions are withdrawn then.
    bool PasswordOfTurn(int position, RememberedPassword& password, bool accepted) {
        std::unique_lock lock(mutex_);
        if (!sharing_) return false;
        ++turnWaiters_;
        workersWake_.wait(lock, [&] { return EarlierSettled(position) || stopping_; });
        --turnWaiters_;
        if (stopping_) return false;
        if (std::strcmp(password.Text(), password_.Text()) != 0) {
            password = password_;
            return true;
        }
        if (accepted) Settle(position);
        return false;
    }

    // On a worker: what the member's questions left becomes the run's password (unless a
    // stop withdrew one of them).
    void PasswordAnswered(int position, const RememberedPassword& password) {
        const std::lock_guard lock(mutex_);
        if (sharing_ && !SlotAt(position).withdrawn) password_ = password;
        Settle(position);
    }

    // Under the lock: whether worker `lane` may claim now. While a failure waits to be
    // shown, only the members of its group before that failure: they come out before it
    // is reported anyway, and the report waits for them.
    bool MayClaim(std::size_t lane) const {
        if (held_ == 0) return true;
        const Group& group = groups_[lane];
        return group.next < group.end && group.next < firstHeld_;
    }

    int BarrierOf(int position) const {
        return barriers_.empty() ? -1 : barriers_[static_cast<std::size_t>(position)];
    }

    void Work(MemberRun& run, std::size_t index) {
        platform::BlockStopSignals();
        LaneCallback& callback = *lanes_[index];
        std::unique_lock lock(mutex_);
        for (;;) {
            // No new member while the user is asked or a failure waits to be shown: the
            // answer may stop the run.
            workersWake_.wait(lock, [&] { return (!asking_ && MayClaim(index)) || stopping_; });
            const int position = Claim(index);
            if (position < 0) break;
            Slot& slot = SlotAt(position);
            // Wait for the earlier members this one's output must come after.
            if (BarrierOf(position) >= reported_) {
                ++blocked_;
                coordinatorWake_.notify_one();
                workersWake_.wait(lock,
                                  [&] { return reported_ > BarrierOf(position) || stopping_; });
                --blocked_;
            }
            if (stopping_) {
                slot.withdrawn = true;
                slot.done = true;
                Settle(position);
                break;
            }
            lock.unlock();
            Done result;
            if (const Entry* entry = walk_.EntryAt(position)) {
                callback.position = position;
                result = Extract(archive_, *entry, run);
            }
            lock.lock();
            if (slot.withdrawn) result = Done{};
            slot.result = result;
            slot.done = true;
            Settle(position);  // whether or not it came to its password
            if (!slot.withdrawn) ++finished_;
            if (showsFailures_ && walk_.MayShowFailure(result)) {
                slot.holdsClaims = true;
                ++held_;
                firstHeld_ = std::min(firstHeld_, position);
                coordinatorWake_.notify_one();
            }
            // The coordinator looks by itself often enough, unless someone waits for it.
            if (blocked_ > 0) coordinatorWake_.notify_one();
        }
        --active_;
        coordinatorWake_.notify_one();
    }

    // On a worker: has the coordinator run ask() in the member's turn and waits for it.
    // Once the run stops, a question not yet taken is withdrawn and answers nothing.
    void Ask(int position, const std::function<void()>& ask) {
        std::unique_lock lock(mutex_);
        Slot& slot = SlotAt(position);
        slot.question = &ask;
        slot.taken = slot.answered = false;
        ++blocked_;
        coordinatorWake_.notify_one();
        workersWake_.wait(lock, [&] { return slot.answered || (stopping_ && !slot.taken); });
        --blocked_;
        if (!slot.answered) slot.withdrawn = true;
        slot.question = nullptr;
    }

    // Under the lock: a stop from the token, a signal or the user's No stops the claims
    // and withdraws the questions not yet asked; the members being decoded look at the
    // pool's token, stopped here for the user's No.
    void NoticeStop(const std::stop_token& stop) {
        if (stopping_ ||
            !(stop.stop_requested() || platform::StopRequested() || walk_.StoppedByUser())) {
            return;
        }
        stopping_ = true;
        stop_.request_stop();
        workersWake_.notify_all();
    }

    void Coordinate(const std::stop_token& stop) {
        // Often enough for a smooth bar and a prompt stop; the workers wake it sooner only
        // when one of them waits for it.
        constexpr std::chrono::milliseconds kLookInterval{20};
        std::unique_lock lock(mutex_);
        while (reported_ < total_) {
            coordinatorWake_.wait_for(lock, kLookInterval, [&] {
                const Slot& slot = SlotAt(reported_);
                return slot.done || (slot.question != nullptr && !slot.taken) || active_ == 0;
            });
            NoticeStop(stop);
            Slot& slot = SlotAt(reported_);
            if (slot.question != nullptr && !slot.taken && !stopping_) {
                slot.taken = true;
                asking_ = true;
                const std::function<void()>& ask = *slot.question;
                lock.unlock();
                walk_.Arrive(reported_);
                ask();
                lock.lock();
                slot.answered = true;
                asking_ = false;
                workersWake_.notify_all();
                continue;
            }
            bool advanced = false;
            while (reported_ < total_ && SlotAt(reported_).done) {
                NoticeStop(stop);
                const Slot finished = SlotAt(reported_);
                lock.unlock();
                if (!finished.withdrawn) {
                    walk_.Arrive(reported_);
                    walk_.Produced(produced_.load(std::memory_order_relaxed));
                    walk_.Report(reported_, finished.result, stopping_);
                }
                lock.lock();
                NoticeStop(stop);  // before a held claim is let go: the answer may be No
                if (finished.holdsClaims) {
                    --held_;
                    // The next held failure, if any, comes later.
                    firstHeld_ = reported_ + 1;
                    while (held_ > 0 && !SlotAt(firstHeld_).holdsClaims)
                        ++firstHeld_;
                    if (held_ == 0) firstHeld_ = total_;
                    showsFailures_ = walk_.ShowsFailures();
                    workersWake_.notify_all();
                }
                ++reported_;
                advanced = true;
            }
            if (advanced && blocked_ > 0) workersWake_.notify_all();
            if (!advanced) {
                // The member next in turn is being decoded: its name shows meanwhile, and
                // the members finished after it count already.
                const bool started =
                    reported_ < total_ && claimed_[static_cast<std::size_t>(reported_)];
                const int finished = finished_;
                lock.unlock();
                if (started) walk_.Arrive(reported_);
                walk_.Finished(finished);
                walk_.Produced(produced_.load(std::memory_order_relaxed));
                lock.lock();
            }
            // Every worker has ended and the next member was never taken: a stop.
            if (active_ == 0 && reported_ < total_ && !SlotAt(reported_).done) break;
        }
        stopping_ = stopping_ || reported_ < total_;
        workersWake_.notify_all();
    }

    const Archive& archive_;
    Walk& walk_;
    ExtractCallback& questions_;
    const int total_;
    const std::vector<int> barriers_;
    std::vector<std::unique_ptr<LaneCallback>> lanes_;
    std::atomic<std::uint64_t> produced_{0};
    std::stop_source stop_;  // the workers' runs'

    std::mutex mutex_;
    std::condition_variable coordinatorWake_;
    std::condition_variable workersWake_;
    std::vector<Slot> slots_;
    struct Group {
        int next = 0;
        int end = 0;
    };
    std::vector<bool> claimed_ = std::vector<bool>(slots_.size());
    std::vector<Group> groups_;  // each worker's members being claimed
    int nextGroup_ = 0;          // the first member of no worker's group yet
    // The password: the run's (a copy of the base run's, given back at the end), shared
    // only when the base run has one; which members may still ask for one, the first of
    // them, and the workers waiting for the earlier ones.
    bool sharing_ = false;
    RememberedPassword password_;
    std::vector<bool> mayAsk_ = std::vector<bool>(slots_.size());
    int frontier_ = 0;
    int turnWaiters_ = 0;
    int reported_ = 0;  // members reported, in order
    int blocked_ = 0;   // workers waiting for the coordinator
    int active_ = 0;    // workers still running
    int finished_ = 0;  // members decoded, in any order
    bool stopping_ = false;
    // No claims while the coordinator asks, or a failure that it will show is not yet
    // reported (held_ counts those, firstHeld_ is the first of them or total_;
    // showsFailures_ is the walk's, as of the last one).
    bool asking_ = false;
    int held_ = 0;
    int firstHeld_ = total_;
    bool showsFailures_ = true;
};

}  // namespace quillory
