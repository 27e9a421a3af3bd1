// The whole tool behind main(): parse the command line, open the archive through the
// document's start-up, then list it, test it or extract it, and turn the outcome into
// the exit status.
#pragma once

#include <span>
#include <string_view>

#include "cli/console.h"
#include "document/quillory_doc.h"

namespace quillory::cli {

// The document's exit statuses; a wrong command line is kExitNotOpened too.
using quillory::kExitBadMembers;
using quillory::kExitGood;
using quillory::kExitNotOpened;

// args excludes the program name.
int Run(std::span<const std::string_view> args, Console& console);

}  // namespace quillory::cli
