// Small helpers shared by the LZH tests: writing an archive to a scratch folder and
// opening it, and the fixed moment every fixture member is dated.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "lzh/lzh_archive.h"
#include "tests/support/test_support.h"

namespace quillory::testing {

// 2021-03-04 05:06:08 UTC as a file time.
inline constexpr FileTime kFixtureTime = (1614834368ull + kSecondsFrom1601To1970) * kTicksPerSecond;

inline WString WriteArchive(const TempDir& dir, const Bytes& bytes,
                            std::string_view name = "a.lzh") {
    WriteHostFile(dir.Host(name), bytes);
    return dir.Program(name);
}

inline std::string Utf8(WStringView text) {
    return platform::WideToUtf8(text);
}

inline std::u16string Wide(std::string_view ascii) {
    return platform::AsciiToWide(ascii);
}

}  // namespace quillory::testing
