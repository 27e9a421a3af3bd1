// The extraction's output: a stop request first, then the file, then the progress.
#include "common/member_output.h"

namespace quillory {

MemberOutput::Taken FileOutput::Put(const std::uint8_t* data, std::size_t size) {
    if (run_.StopRequested()) return Taken::Stopped;
    if (file_ != nullptr && file_->Write(data, size) != size) return Taken::Failed;
    if (run_.callback != nullptr) run_.callback->OutputProduced(size);
    return Taken::Ok;
}

}  // namespace quillory
