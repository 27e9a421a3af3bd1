// A folder that belongs to the current user alone, for files the program hands to other
// applications (a member opened with the desktop's "open"). It lives below the user's
// runtime folder ($XDG_RUNTIME_DIR) or, without a usable one, below the user's cache
// folder ($XDG_CACHE_HOME, else ~/.cache), and has mode 0700. A folder at that place
// that is a link, or that belongs to someone else, is refused, never used; so is a base
// folder that is not the user's own.
#pragma once

#include <optional>
#include <string_view>

#include "platform/text.h"

namespace quillory::platform {

// The folder named `name` below the first usable base, created when missing and set to
// mode 0700; its program path ends with "\". Nothing when no base gives a private folder.
std::optional<WString> PrivateFolder(std::string_view name);

}  // namespace quillory::platform
