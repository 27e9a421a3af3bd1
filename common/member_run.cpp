// A run's copy for another worker, and the stop it answers to.
#include "common/member_run.h"

#include "platform/stop_request.h"

namespace quillory {

MemberRun MemberRun::ForWorker(ExtractCallback* workerCallback) const {
    MemberRun run;
    run.testMode = testMode;
    run.destFolder = destFolder;
    run.useFolders = useFolders;
    run.overwrite = overwrite;
    run.keepDamaged = keepDamaged;
    run.callback = workerCallback;
    run.stop = stop;
    run.password = password;
    run.answers = answers;
    run.folders = folders.ForWorker();
    return run;
}

bool MemberRun::StopRequested() const {
    return stop.stop_requested() || platform::StopRequested();
}

}  // namespace quillory
