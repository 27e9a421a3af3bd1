// Finding an LZH archive appended to a self-extracting program (MS-DOS and Windows
// ".exe" and ".com", the Unix ".run", X68000 ".x" and Atari ".tos" ones): the first
// header that looks valid within the file's first 256 KiB. An archive at the very start
// of the file is not taken (that is a plain archive with a wrong name), and no candidate
// is checked with bytes outside the searched window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <optional>

#include "common/byte_source.h"
#include "platform/text.h"

namespace quillory::lzh {

// How far into the file the archive may start.
inline constexpr std::size_t kExeSearchWindowBytes = 256 * 1024;

// True when the text from the last "." of path names a self-extracting program: ".exe",
// ".com", ".run", ".x" or ".tos", in any case.
bool HasSelfExtractorExtension(WStringView path);

// Searches the window (read into a buffer from memory) and, on success, returns where the
// archive's first header starts.
std::optional<std::uint64_t> FindArchiveInExe(const ByteSource& source,
                                              std::pmr::memory_resource* memory);

}  // namespace quillory::lzh
