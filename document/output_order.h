// For members extracted side by side: which earlier member each must wait for, so that
// what they write meets on disk in the order of a one-thread run. Two members that
// write one path (the second asks whether to replace the first), or a file where
// another needs a folder, keep their order; members in different places do not wait.
// A path with a ".." level that climbs out may land anywhere: such a member waits for
// all before it and all after it wait for it. A folder that exists already is known by
// its identity (device and inode), so that two spellings of it (a link inside the
// destination, a file system that folds case) are one folder; the rest of a path is
// compared as the host spells it, ASCII letters without case, "." and empty levels
// dropped.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "platform/output_file.h"
#include "platform/text.h"

namespace quillory {

// The identity of the folder at a path, when it exists.
using FolderIdentify = std::function<std::optional<platform::FolderIdentity>(WStringView path)>;

// relativePaths: each member's path below destFolder as the reader writes it (a folder
// entry's ends with a separator; empty for a member that writes nothing). For each
// member, the last earlier position that must be finished before it starts (every
// position up to it, to keep the rule simple), or -1.
std::vector<int> OutputOrderBarriers(WStringView destFolder, std::span<const WString> relativePaths,
                                     const FolderIdentify& identify = platform::IdentityOfFolder);

}  // namespace quillory
