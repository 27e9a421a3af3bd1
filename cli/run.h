// The whole tool behind main(): parse the command line, open the archive through the
// document's start-up, then list it, test it or extract it, and turn the outcome into
// the exit status.
#pragma once

#include <span>
#include <string_view>

#include "cli/console.h"

namespace quillory::cli {

inline constexpr int kExitGood = 0;        // every member good
inline constexpr int kExitBadMembers = 1;  // some member damaged or unsupported
inline constexpr int kExitNotOpened = 2;   // archive not opened, or a wrong command line

// args excludes the program name.
int Run(std::span<const std::string_view> args, Console& console);

}  // namespace quillory::cli
