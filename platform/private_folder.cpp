// The user's private folder: candidates in order of preference, each checked for owner,
// kind and permissions with lstat, so that a planted link or a foreign folder is refused.
#include "platform/private_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/path.h"

namespace quillory::platform {
namespace {

// Only the owner may read, write or enter the folder.
constexpr mode_t kPrivateMode = S_IRWXU;

// True when path is a folder owned by this user. A base folder may be reached through
// a link (a cache folder moved to another disk); the private folder itself may not.
bool IsOwnFolder(const std::string& path, bool followLink) {
    struct stat st;
    const int result = followLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return result == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

// Makes path a private folder of this user: creates it with mode 0700, or takes an
// existing folder of ours and removes every permission of group and others.
bool MakePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), kPrivateMode) != 0 && errno != EEXIST) return false;
    if (!IsOwnFolder(path, false)) return false;
    return ::chmod(path.c_str(), kPrivateMode) == 0;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    const struct passwd* entry = ::getpwuid(::geteuid());
    return entry != nullptr && entry->pw_dir != nullptr ? std::string(entry->pw_dir)
                                                        : std::string();
}

// Relative base folders would depend on the current folder; they are never used.
bool IsAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

std::optional<WString> Below(const std::string& base, std::string_view name) {
    const std::string folder = base + "/" + std::string(name);
    if (!MakePrivateFolder(folder)) return std::nullopt;
    return FromHostPath(folder + "/");
}

}  // namespace

std::optional<WString> PrivateFolder(std::string_view name) {
    // The runtime folder is the user's own by definition; check it anyway.
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    if (IsAbsolute(runtime) && IsOwnFolder(runtime, true)) {
        if (auto folder = Below(runtime, name)) return folder;
    }
    std::string cache = Environment("XDG_CACHE_HOME");
    if (!IsAbsolute(cache)) {
        const std::string home = HomeFolder();
        if (!IsAbsolute(home)) return std::nullopt;
        cache = home + "/.cache";
    }
    // A missing cache folder is created private; an existing one is left as it is.
    if (::mkdir(cache.c_str(), kPrivateMode) != 0 && errno != EEXIST) return std::nullopt;
    if (!IsOwnFolder(cache, true)) return std::nullopt;
    return Below(cache, name);
}

}  // namespace quillory::platform
