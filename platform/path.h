// Conversion between program paths and host paths, at the file-system boundary only.
// A program path is UTF-16 with "\" separating folders ("/" is accepted too, as the
// device accepts it); a host path is UTF-8 with "/". Nothing else converts paths.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace quillory::platform {

inline bool IsPathSeparator(WChar c) {
    return c == u'\\' || c == u'/';
}

// Each "\" or "/" becomes "/"; UTF-16 becomes UTF-8.
std::string ToHostPath(WStringView programPath);

// UTF-8 becomes UTF-16; each "/" becomes "\".
WString FromHostPath(std::string_view hostPath);

// The longest host path the file system takes, in bytes without the terminator.
// Longer paths are refused, never cut: a shortened path names a different file.
std::size_t MaxHostPathBytes();

// True when the path converts to a host path the file system accepts by length.
bool FitsHostPath(WStringView programPath);

}  // namespace quillory::platform
