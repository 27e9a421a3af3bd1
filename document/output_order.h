// For members extracted side by side: which earlier member each must wait for, so that
// what they write meets on disk in the order of a one-thread run. Two members that
// write one path (the second asks whether to replace the first), or a file where
// another needs a folder, keep their order; members in different places do not wait.
// A path with a ".." level or a leading separator may land anywhere: such a member
// waits for all before it and all after it wait for it. Names are compared as the host
// spells them, ASCII letters without case (some file systems fold it), "." and empty
// levels dropped; it never reads the file system.
#pragma once

#include <span>
#include <vector>

#include "platform/text.h"

namespace quillory {

// relativePaths: each member's path below the destination as the reader writes it (a
// folder entry's ends with a separator; empty for a member that writes nothing). For
// each member, the last earlier position that must be finished before it starts (every
// position up to it, to keep the rule simple), or -1.
std::vector<int> OutputOrderBarriers(std::span<const WString> relativePaths);

}  // namespace quillory
