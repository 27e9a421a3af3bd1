// What one run over an archive's members decided before it started (extract or test,
// where to, with folders or not, the overwrite rule, who answers the questions, the stop
// token, the remembered password), the answers "for all" its questions gave, and what
// each worker of the run keeps for itself: the decoders' work areas. A reader's
// extraction reads the run and changes only its answers and work areas; an archive is
// never changed by a run, so several runs (one per worker) decode one archive at once.
#pragma once

#include <atomic>
#include <memory>
#include <stop_token>

#include "common/extract_callback.h"
#include "common/work_areas.h"
#include "platform/file.h"
#include "platform/output_file.h"
#include "platform/text.h"

namespace quillory {

class RememberedPassword;

// The setting "OverwriteInquire": when an existing file is asked about.
enum class OverwriteRule {
    AlwaysAsk = 0,   // for every existing file
    AskIfNewer = 1,  // only when it is newer than the member (or either has no time)
    Never = 2,       // never: always replace
};

// The answers "for all" given during a run, shared by all of its workers.
struct RunAnswers {
    std::atomic<bool> unsafePathsAllowed{false};
    std::atomic<bool> overwriteWithoutAsking{false};
};

// One member's result: its status and, where a file could not be read, made or written,
// the host's reason.
template <class Status>
struct Outcome {
    Status status{};
    platform::FileErrorInfo error;
    bool ok() const { return status == Status{}; }
};

class MemberRun {
public:
    MemberRun() = default;
    MemberRun(MemberRun&&) = default;
    MemberRun& operator=(MemberRun&&) = default;

    // What the run decided.
    bool testMode = false;   // decode and check only, write nothing
    WString destFolder;      // extraction: the folder the members go below
    bool useFolders = true;  // extraction: recreate the members' folders
    OverwriteRule overwrite = OverwriteRule::AskIfNewer;
    ExtractCallback* callback = nullptr;  // questions and progress; null answers every no
    std::stop_token stop;                 // the user's Cancel
    // A member that fails keeps what was decoded as "<name>.damaged", for recovery;
    // otherwise nothing of it stays.
    bool keepDamaged = false;
    // The password tried first for encrypted members and remembered when one is typed;
    // null for none. Not shared between threads: a pool gives each worker a copy and
    // keeps them as one (document/member_pool.h).
    RememberedPassword* password = nullptr;
    // Shared by the run's workers.
    std::shared_ptr<RunAnswers> answers = std::make_shared<RunAnswers>();

    // The same decisions and answers for another worker, with its own callback and work
    // areas.
    MemberRun ForWorker(ExtractCallback* workerCallback) const;

    // A stop asked for by the user (the token) or by a signal.
    bool StopRequested() const;

    // The worker's own: decoders' work areas, kept from member to member, and the folders
    // it writes in (which folders the run has cleared of leftovers is shared).
    WorkAreas work;
    platform::OutputFolders folders;
};

}  // namespace quillory
