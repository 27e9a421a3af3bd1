// The extraction's output: a stop request first, then the file, then the progress.
#include "common/member_output.h"

#include "platform/stop_request.h"

namespace quillory {

MemberOutput::Taken FileOutput::Put(const std::uint8_t* data, std::size_t size) {
    if (platform::StopRequested()) return Taken::Stopped;
    if (file_ != platform::kInvalidFileHandle && platform::WriteFile(file_, data, size) != size) {
        return Taken::Failed;
    }
    if (progress_ != nullptr) progress_->OutputProduced(size);
    return Taken::Ok;
}

}  // namespace quillory
