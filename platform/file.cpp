// POSIX implementation of the file layer: files opened for reading, positioned reads,
// attributes, times and folders by path, and the test hook that sees every transfer.
// Failures give the host's reason to the caller that asks for it; nothing is kept.
#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_internal.h"
#include "platform/path.h"

namespace quillory::platform {
namespace {

// The test hook, and the lock its callers' own state needs when several threads read
// and write at once.
IoFaultHook& FaultHook() {
    static IoFaultHook hook;
    return hook;
}
std::mutex& HookLock() {
    static std::mutex lock;
    return lock;
}

FileTime FromTimespec(const timespec& ts) {
    const std::int64_t since1601 = ts.tv_sec + static_cast<std::int64_t>(kSecondsFrom1601To1970);
    if (since1601 < 0) return 0;
    return static_cast<std::uint64_t>(since1601) * kTicksPerSecond +
           static_cast<std::uint64_t>(ts.tv_nsec) / 100;
}

// Gives *error the host's reason when asked for, and returns the failure value given, so
// that a failing return reads as one line.
template <class T>
T Failed(int code, T result, FileErrorInfo* error = nullptr) {
    if (error != nullptr) *error = detail::ErrorOf(code);
    return result;
}

}  // namespace

namespace detail {

std::optional<std::string> HostPath(WStringView path) {
    std::string host = ToHostPath(path);
    if (host.empty() || host.find('\0') != std::string::npos || host.size() > MaxHostPathBytes()) {
        return std::nullopt;
    }
    return host;
}

mode_t Umask() {
    // Read once and kept: reading it sets it for a moment, which must not happen while
    // other threads create files.
    static const mode_t mask = [] {
        const mode_t old = ::umask(0);
        ::umask(old);
        return old;
    }();
    return mask;
}

mode_t ModeWithAttributes(mode_t mode, std::uint32_t attributes) {
    mode &= 07777;
    if (attributes & kAttributeReadOnly) return mode & ~static_cast<mode_t>(0222);
    return mode | (static_cast<mode_t>(0222) & ~Umask()) | S_IWUSR;
}

timespec ToTimespec(FileTime t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(t / kTicksPerSecond) -
                                    static_cast<std::int64_t>(kSecondsFrom1601To1970));
    ts.tv_nsec = static_cast<long>((t % kTicksPerSecond) * 100);
    return ts;
}

FileErrorInfo ErrorOf(int code) {
    switch (code) {
        case ENOENT:
            return {FileError::NotFound, code};
        case EACCES:
        case EPERM:
            return {FileError::NoPermission, code};
        case EEXIST:
        case EISDIR:
        case ENOTDIR:
        case ENOTEMPTY:
            return {FileError::InTheWay, code};
        case ENAMETOOLONG:
            return {FileError::NameTooLong, code};
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return {FileError::DiskFull, code};
        case EROFS:
            return {FileError::ReadOnly, code};
        default:
            return {FileError::Other, code};
    }
}

std::size_t AllowedByHook(IoKind kind, std::size_t count) {
    const IoFaultHook& hook = FaultHook();
    if (!hook) return count;
    const std::lock_guard lock(HookLock());
    const std::size_t allowed = hook(kind, count);
    return allowed < count ? allowed : count;
}

}  // namespace detail

using detail::AllowedByHook;
using detail::HostPath;
using detail::ModeWithAttributes;

FileHandle OpenFileForReading(WStringView path, FileErrorInfo* error) {
    const auto host = HostPath(path);
    if (!host) return Failed(ENAMETOOLONG, kInvalidFileHandle, error);
    const int fd = ::open(host->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failed(errno, kInvalidFileHandle, error);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Failed(EISDIR, kInvalidFileHandle, error);
    }
    return fd;
}

bool CloseFile(FileHandle file) {
    return file >= 0 && ::close(file) == 0;
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

std::size_t ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::size_t count) {
    count = AllowedByHook(IoKind::Read, count);
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count && offset + done <= static_cast<std::uint64_t>(INT64_MAX)) {
        const ssize_t n =
            ::pread(file, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t WriteFile(FileHandle file, const void* buffer, std::size_t count,
                      FileErrorInfo* error) {
    const std::size_t asked = count;
    count = AllowedByHook(IoKind::Write, count);
    // A write the test hook cuts short stands for a full disk.
    if (count < asked) Failed(ENOSPC, 0, error);
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(file, in + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Failed(n < 0 ? errno : ENOSPC, done, error);
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

std::optional<std::uint64_t> GetPathSize(WStringView path) {
    const auto host = HostPath(path);
    struct stat st {};
    if (!host || ::lstat(host->c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<FileTime> GetPathLastWriteTime(WStringView path) {
    const auto host = HostPath(path);
    if (!host) return std::nullopt;
    struct stat st {};
    if (::lstat(host->c_str(), &st) != 0) return std::nullopt;
    return FromTimespec(st.st_mtim);
}

bool CreateFolder(WStringView path, FileErrorInfo* error) {
    const auto host = HostPath(path);
    if (!host) return Failed(ENAMETOOLONG, false, error);
    return ::mkdir(host->c_str(), 0777) == 0 || Failed(errno, false, error);
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
