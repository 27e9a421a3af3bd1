// The whole tool behind main(): parse the command line, open the archive through the
// document's start-up, then list it, test it or extract it, and turn the outcome into
// the exit status.
#pragma once

#include <span>
#include <string_view>

#include "cli/console.h"

namespace quillory::cli {

inline constexpr int kExitGood = 0;  // every member extracted (or tested) and good
// some member damaged, unsupported, with too long a path, or skipped for its unsafe path
inline constexpr int kExitBadMembers = 1;
// archive not opened, destination refused, or a wrong command line
inline constexpr int kExitNotOpened = 2;

// args excludes the program name.
int Run(std::span<const std::string_view> args, Console& console);

}  // namespace quillory::cli
