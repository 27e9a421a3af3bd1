// The user's private folder, checked for owner, kind and permissions with lstat, so that
// a planted link or a foreign folder is refused.
#include "platform/private_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
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

// The cache folder as the environment names it, empty when it names none.
std::string CacheFolder() {
    std::string cache = Environment("XDG_CACHE_HOME");
    if (IsAbsolute(cache)) return cache;
    const std::string home = HomeFolder();
    return IsAbsolute(home) ? home + "/.cache" : std::string();
}

}  // namespace

std::optional<WString> PrivateFolder(std::string_view name) {
    const std::string cache = CacheFolder();
    if (cache.empty()) return std::nullopt;
    // A missing cache folder is created private; an existing one is left as it is.
    if (::mkdir(cache.c_str(), kPrivateMode) != 0 && errno != EEXIST) return std::nullopt;
    if (!IsOwnFolder(cache, true)) return std::nullopt;
    const std::string folder = cache + "/" + std::string(name);
    if (!MakePrivateFolder(folder)) return std::nullopt;
    return FromHostPath(folder + "/");
}

void RemoveOldPrivateFiles(std::string_view name, std::chrono::seconds maxAge) {
    const std::string cache = CacheFolder();
    if (cache.empty() || !IsOwnFolder(cache, true)) return;
    const std::string folder = cache + "/" + std::string(name);
    // Everything below is reached through this descriptor, so a folder swapped for a
    // link meanwhile is never walked.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    DIR* dir = ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    while (const dirent* entry = ::readdir(dir)) {
        struct stat file;
        if (::fstatat(fd, entry->d_name, &file, AT_SYMLINK_NOFOLLOW) != 0) continue;
        // The stored time a copy was given says nothing of its age; its change time does.
        const auto age = std::chrono::seconds(now.tv_sec - file.st_ctim.tv_sec) +
                         std::chrono::nanoseconds(now.tv_nsec - file.st_ctim.tv_nsec);
        if (S_ISREG(file.st_mode) && age > maxAge) {
            ::unlinkat(fd, entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace quillory::platform
