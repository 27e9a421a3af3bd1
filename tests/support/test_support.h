// Helpers shared by the test executables: scratch folders, files, time zones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace quillory::testing {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder (or a path below it) as a program path: UTF-16, "\" separators.
    WString Program(std::string_view relative = {}) const;
    std::filesystem::path Host(std::string_view relative) const { return path_ / relative; }

private:
    std::filesystem::path path_;
};

// Sets TZ for the life of the object and restores the previous value.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::string previous_;
    bool hadPrevious_;
};

void WriteHostFile(const std::filesystem::path& path, const Bytes& data);
void WriteHostFile(const std::filesystem::path& path, std::string_view text);
Bytes ReadHostFile(const std::filesystem::path& path);
Bytes ToBytes(std::string_view text);

// Program path of a host path.
WString ProgramPath(const std::filesystem::path& host);

// Deterministic pseudo-random bytes (xorshift), for data that does not compress.
Bytes RandomBytes(std::size_t count, std::uint32_t seed);

// The folder holding committed fixtures (tests/fixtures).
std::filesystem::path FixturesDir();

}  // namespace quillory::testing
