// A decoder's work areas, one set per thread that decodes: too large for a stack, so on
// the heap, made (zeroed) at the thread's first member and freed when the thread ends.
// Threads decoding at once each have their own set; on one thread a decoder is not
// re-entrant.
#pragma once

#include <memory>

namespace quillory::lzh {

template <class Workspace>
Workspace& ThreadWorkspace() {
    thread_local const std::unique_ptr<Workspace> workspace = std::make_unique<Workspace>();
    return *workspace;
}

}  // namespace quillory::lzh
