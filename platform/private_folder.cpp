// The user's private folder, checked for owner, kind and permissions with lstat, so that
// a planted link or a foreign folder is refused.
#include "platform/private_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files_in_use.h"
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

// The cache folder as /proc shows the paths of mapped files: with its links resolved.
std::string MappedCacheFolder() {
    char* real = ::realpath(CacheFolder().c_str(), nullptr);
    if (real == nullptr) return std::string();
    std::string folder = std::string(real) + "/";
    std::free(real);
    return folder;
}

constexpr char kSessionPrefix[] = "session-";

// This process's session folders by name, each held open and locked until it ends.
struct Session {
    std::string path;
    int fd = -1;
};
std::mutex sessionsMutex;
std::map<std::string, Session, std::less<>> sessions;

std::chrono::nanoseconds AgeOf(const struct stat& file, const timespec& now) {
    // The stored time a copy was given says nothing of its age; its change time does.
    return std::chrono::seconds(now.tv_sec - file.st_ctim.tv_sec) +
           std::chrono::nanoseconds(now.tv_nsec - file.st_ctim.tv_nsec);
}

// What a removal leaves in place.
struct Keeping {
    const FilesInUse& inUse;
    timespec now;
    std::chrono::seconds youngerThan;
};

std::vector<std::string> NamesIn(int folder) {
    std::vector<std::string> names;
    // A description of its own: a duplicate would share (and leave at the end) the
    // folder's read position.
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0) ::close(fd);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// LibreOffice keeps ".~lock.NAME#" beside a document it has open, and not the document.
constexpr std::string_view kOfficeLockStart = ".~lock.";
bool IsOfficeLock(const std::string& name) {
    return name.starts_with(kOfficeLockStart) && name.ends_with('#');
}
bool Exists(int folder, const std::string& name) {
    struct stat st;
    return ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Removes what lies in folder and below, except what keeping keeps (and the folders that
// hold it); true when the folder is empty afterwards. Links are removed, never followed.
bool RemoveContents(int folder, const Keeping& keeping) {
    std::vector<std::string> names = NamesIn(folder);
    // Documents before lock files: a lock file goes only once its document has gone.
    std::stable_partition(names.begin(), names.end(),
                          [](const std::string& name) { return !IsOfficeLock(name); });
    bool empty = true;
    for (const std::string& name : names) {
        struct stat st;
        if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            const int sub =
                ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            const bool emptied = sub >= 0 && RemoveContents(sub, keeping);
            if (sub >= 0) ::close(sub);
            if (!emptied || ::unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0) empty = false;
            continue;
        }
        const bool kept =
            IsOfficeLock(name)
                ? Exists(folder, name.substr(kOfficeLockStart.size(),
                                             name.size() - kOfficeLockStart.size() - 1))
                : S_ISREG(st.st_mode) &&
                      (AgeOf(st, keeping.now) < keeping.youngerThan || keeping.inUse.Contains(st) ||
                       Exists(folder, std::string(kOfficeLockStart) + name + "#"));
        if (kept || ::unlinkat(folder, name.c_str(), 0) != 0) empty = false;
    }
    return empty;
}

timespec Now() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

// Earlier versions made a folder for each drag directly in the drag folder, named by
// the time in milliseconds, and never removed it.
bool IsEarlierDragFolder(const std::string& name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
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
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        ::close(fd);
        return;
    }
    const timespec now = Now();
    // Looked at once, and only when there is a folder to empty.
    std::optional<FilesInUse> inUse;
    for (const std::string& entry : NamesIn(fd)) {
        struct stat file;
        if (::fstatat(fd, entry.c_str(), &file, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(file.st_mode) && AgeOf(file, now) > maxAge) {
            ::unlinkat(fd, entry.c_str(), 0);
            continue;
        }
        // The session folders of programs that have ended (no lock held on them) go
        // whatever their age; an earlier version's drag folder by the age rule of loose
        // copies. Either keeps what another program still has open, and goes once empty.
        if (!S_ISDIR(file.st_mode)) continue;
        const bool session = entry.starts_with(kSessionPrefix);
        if (!session && !(IsEarlierDragFolder(entry) && AgeOf(file, now) > maxAge)) continue;
        const int sub =
            ::openat(fd, entry.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) continue;
        if (!session || ::flock(sub, LOCK_EX | LOCK_NB) == 0) {
            if (!inUse) inUse = FilesInUse::Now(MappedCacheFolder());
            const std::chrono::seconds youngerThan = session ? std::chrono::seconds(0) : maxAge;
            if (RemoveContents(sub, {*inUse, now, youngerThan})) {
                ::unlinkat(fd, entry.c_str(), AT_REMOVEDIR);
            }
        }
        ::close(sub);
    }
    ::close(fd);
}

std::optional<WString> SessionFolder(std::string_view name) {
    const std::lock_guard lock(sessionsMutex);
    struct stat st;
    const std::string base = CacheFolder() + "/" + std::string(name) + "/";
    if (const auto found = sessions.find(name); found != sessions.end()) {
        // Still there, and below the cache folder the environment names now (the user
        // may have removed it; a later start does not).
        if (found->second.path.starts_with(base) && ::fstat(found->second.fd, &st) == 0 &&
            st.st_nlink > 0) {
            return FromHostPath(found->second.path + "/");
        }
        ::close(found->second.fd);
        sessions.erase(found);
    }
    if (!PrivateFolder(name)) return std::nullopt;
    std::string path = base + kSessionPrefix + "XXXXXX";
    if (::mkdtemp(path.data()) == nullptr) return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // Another start may have taken the new folder for an ended one between its making and
    // its lock: then it is gone (no links left), and none is had this time.
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 ||
        st.st_nlink == 0) {
        if (fd >= 0) ::close(fd);
        return std::nullopt;
    }
    sessions.emplace(std::string(name), Session{path, fd});
    return FromHostPath(path + "/");
}

void RemoveSessionFiles(std::string_view name, std::chrono::seconds keepYoungerThan) {
    const std::lock_guard lock(sessionsMutex);
    const auto found = sessions.find(name);
    if (found == sessions.end() || NamesIn(found->second.fd).empty()) return;
    RemoveContents(found->second.fd,
                   {FilesInUse::Now(MappedCacheFolder()), Now(), keepYoungerThan});
}

}  // namespace quillory::platform
