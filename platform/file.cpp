// POSIX implementation of the file layer.
#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/path.h"

namespace quillory::platform {
namespace {

IoFaultHook& FaultHook() {
    static IoFaultHook hook;
    return hook;
}

// The host path, or nothing when it cannot name the file exactly (an embedded NUL would
// cut it; an over-long path is refused rather than shortened).
std::optional<std::string> HostPath(WStringView path) {
    std::string host = ToHostPath(path);
    if (host.empty() || host.find('\0') != std::string::npos || host.size() > MaxHostPathBytes()) {
        return std::nullopt;
    }
    return host;
}

mode_t Umask() {
    static const mode_t mask = [] {
        const mode_t old = ::umask(0);
        ::umask(old);
        return old;
    }();
    return mask;
}

// Permission bits after applying attributes to a file whose bits are now `mode`.
mode_t ModeWithAttributes(mode_t mode, std::uint32_t attributes) {
    mode &= 07777;
    if (attributes & kAttributeReadOnly) return mode & ~static_cast<mode_t>(0222);
    return mode | (static_cast<mode_t>(0222) & ~Umask()) | S_IWUSR;
}

FileTime FromTimespec(const timespec& ts) {
    const std::int64_t since1601 = ts.tv_sec + static_cast<std::int64_t>(kSecondsFrom1601To1970);
    if (since1601 < 0) return 0;
    return static_cast<std::uint64_t>(since1601) * kTicksPerSecond +
           static_cast<std::uint64_t>(ts.tv_nsec) / 100;
}

timespec ToTimespec(FileTime t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(t / kTicksPerSecond) -
                                    static_cast<std::int64_t>(kSecondsFrom1601To1970));
    ts.tv_nsec = static_cast<long>((t % kTicksPerSecond) * 100);
    return ts;
}

std::size_t AllowedByHook(IoKind kind, std::size_t count) {
    const IoFaultHook& hook = FaultHook();
    if (!hook) return count;
    const std::size_t allowed = hook(kind, count);
    return allowed < count ? allowed : count;
}

// Files written beside something they are to replace, by descriptor: the temporary
// name they have while being written and the path they take when closed.
struct Replacement {
    std::string temporary;
    std::string target;
};

std::map<int, Replacement>& Replacements() {
    static std::map<int, Replacement> pending;
    return pending;
}

// A new file in the target's folder under a short hidden name, registered to replace the
// target when closed; invalid when none can be made there.
FileHandle CreateReplacement(const std::string& target) {
    // Tries for a free name; taken names come only from other runs that were killed.
    constexpr int kNameAttempts = 100;
    static unsigned serial = 0;
    const std::string folder = target.substr(0, target.rfind('/') + 1);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string temporary =
            folder + ".quillory-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            Replacements()[fd] = {temporary, target};
            return fd;
        }
        if (errno != EEXIST) break;
    }
    return kInvalidFileHandle;
}

}  // namespace

FileHandle OpenFileForReading(WStringView path) {
    const auto host = HostPath(path);
    if (!host) return kInvalidFileHandle;
    const int fd = ::open(host->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kInvalidFileHandle;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kInvalidFileHandle;
    }
    return fd;
}

FileHandle CreateFileForWriting(WStringView path) {
    const auto host = HostPath(path);
    if (!host) return kInvalidFileHandle;
    struct stat st {};
    if (::lstat(host->c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return kInvalidFileHandle;
        // Replace, never write through: a link (symbolic or hard) keeps its target intact.
        // The new file is written beside what stands there and takes its place when it is
        // closed, so a file that cannot be written whole costs the user nothing.
        const FileHandle replacement = CreateReplacement(*host);
        if (replacement != kInvalidFileHandle) return replacement;
        if (::unlink(host->c_str()) != 0) return kInvalidFileHandle;
    }
    const int fd =
        ::open(host->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    return fd < 0 ? kInvalidFileHandle : fd;
}

bool CloseFile(FileHandle file) {
    if (file < 0) return false;
    auto pending = Replacements().extract(file);
    const bool closed = ::close(file) == 0;
    if (pending.empty()) return closed;
    const Replacement& r = pending.mapped();
    if (closed && ::rename(r.temporary.c_str(), r.target.c_str()) == 0) return true;
    ::unlink(r.temporary.c_str());
    return false;
}

bool DiscardFile(FileHandle file) {
    if (file < 0) return false;
    auto pending = Replacements().extract(file);
    const bool closed = ::close(file) == 0;
    if (!pending.empty()) ::unlink(pending.mapped().temporary.c_str());
    return closed;
}

std::size_t ReadFile(FileHandle file, void* buffer, std::size_t count) {
    count = AllowedByHook(IoKind::Read, count);
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(file, out + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t WriteFile(FileHandle file, const void* buffer, std::size_t count) {
    count = AllowedByHook(IoKind::Write, count);
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(file, in + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::optional<std::uint64_t> SetFilePosition(FileHandle file, std::int64_t offset,
                                             SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t result = ::lseek(file, static_cast<off_t>(offset), whence);
    if (result < 0) return std::nullopt;
    return static_cast<std::uint64_t>(result);
}

std::optional<std::uint64_t> GetFileSize(FileHandle file) {
    struct stat st {};
    if (::fstat(file, &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool SetFileTimes(FileHandle file, FileTime /*creationUtc*/, FileTime lastWriteUtc) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = ToTimespec(lastWriteUtc);
    return ::futimens(file, times) == 0;
}

bool SetFileAttributes(FileHandle file, std::uint32_t attributes) {
    struct stat st {};
    if (::fstat(file, &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) return true;
    return ::fchmod(file, ModeWithAttributes(st.st_mode, attributes)) == 0;
}

bool SetPathAttributes(WStringView path, std::uint32_t attributes) {
    const auto host = HostPath(path);
    if (!host) return false;
    struct stat st {};
    if (::lstat(host->c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode) || S_ISLNK(st.st_mode)) return true;
    return ::chmod(host->c_str(), ModeWithAttributes(st.st_mode, attributes)) == 0;
}

std::optional<std::uint32_t> GetPathAttributes(WStringView path) {
    const auto host = HostPath(path);
    if (!host) return std::nullopt;
    struct stat st {};
    if (::lstat(host->c_str(), &st) != 0) return std::nullopt;
    if (S_ISDIR(st.st_mode)) return kAttributeDirectory;
    return (st.st_mode & 0222) == 0 ? kAttributeReadOnly : kAttributeNormal;
}

std::optional<FileTime> GetPathLastWriteTime(WStringView path) {
    const auto host = HostPath(path);
    if (!host) return std::nullopt;
    struct stat st {};
    if (::lstat(host->c_str(), &st) != 0) return std::nullopt;
    return FromTimespec(st.st_mtim);
}

bool CreateFolder(WStringView path) {
    const auto host = HostPath(path);
    return host && ::mkdir(host->c_str(), 0777) == 0;
}

WString ResolvedPath(WStringView path) {
    const std::string host = ToHostPath(path);
    if (host.empty() || host.front() != '/') return WString(path);
    std::vector<std::string> levels;
    for (std::size_t start = 1; start <= host.size();) {
        std::size_t end = host.find('/', start);
        if (end == std::string::npos) end = host.size();
        if (end > start) levels.push_back(host.substr(start, end - start));
        start = end + 1;
    }
    std::string resolved = "/";
    // Levels added to resolved that do not exist (yet): those are taken as they are.
    std::size_t unresolved = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const std::string& level = levels[i];
        if (level == ".") continue;
        if (level == "..") {
            // resolved holds no link and no "..": its parent is the level before.
            const std::size_t cut = resolved.rfind('/');
            resolved.resize(cut == 0 ? 1 : cut);
            if (unresolved > 0) --unresolved;
            continue;
        }
        std::string next = resolved == "/" ? "/" + level : resolved + "/" + level;
        char real[PATH_MAX];
        if (unresolved == 0 && i + 1 < levels.size() && ::realpath(next.c_str(), real) != nullptr) {
            resolved = real;
            continue;
        }
        resolved = std::move(next);
        ++unresolved;
    }
    return FromHostPath(resolved);
}

void SetIoFaultHook(IoFaultHook hook) {
    FaultHook() = std::move(hook);
}

}  // namespace quillory::platform
