// What the file layer's two halves (file.cpp, output_file.cpp) share and nobody else
// uses: host paths, the umask, permission bits from attributes, times, error kinds and
// the test hook.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/file.h"

namespace quillory::platform::detail {

// The host path, or nothing when it cannot name the file exactly (an embedded NUL would
// cut it; an over-long path is refused rather than shortened).
std::optional<std::string> HostPath(WStringView path);
mode_t Umask();
// Permission bits after applying attributes to a file whose bits are now `mode`.
mode_t ModeWithAttributes(mode_t mode, std::uint32_t attributes);
timespec ToTimespec(FileTime t);
// The host's error number sorted into the kinds a user can act on.
FileErrorInfo ErrorOf(int code);
// How many of count bytes the test hook lets move.
std::size_t AllowedByHook(IoKind kind, std::size_t count);

}  // namespace quillory::platform::detail
