// POSIX output files: an unnamed file (O_TMPFILE) in the member's folder, linked to its
// name through /proc/self/fd when complete (a replacement by a hidden name and rename);
// a hidden name of this process's own where the file system or the system has no unnamed
// files. Folders below the destination are opened with openat2 and RESOLVE_BENEATH (level
// by level with O_NOFOLLOW on kernels without it), created with mkdirat where missing.
// Nothing here removes a file it did not make.
#include "platform/output_file.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_internal.h"
#include "platform/path.h"

namespace quillory::platform {

// An open folder (O_PATH), shared by the files being written in it and closed with the
// last of them.
struct OpenFolder {
    explicit OpenFolder(int descriptor) : fd(descriptor) {}
    ~OpenFolder() { ::close(fd); }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    const int fd;
};

// What the workers of one run share: the numbers of the hidden names.
struct OutputFolders::Shared {
    std::atomic<unsigned> serial{0};
    std::function<void(WStringView)> keepReplaced;  // set before the run's workers start
};

namespace {

constexpr std::string_view kHiddenPrefix = ".quillory-";
constexpr std::string_view kDamagedSuffix = ".damaged";
// Names tried for a hidden file or a kept damaged one before giving up.
constexpr int kNameAttempts = 100;

// The levels of a relative host path: empty and "." levels dropped.
std::vector<std::string> Levels(const std::string& path) {
    std::vector<std::string> levels;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string level = path.substr(start, end - start);
        if (!level.empty() && level != ".") levels.push_back(std::move(level));
        start = end + 1;
    }
    return levels;
}

std::string Join(const std::vector<std::string>& levels, std::size_t count) {
    std::string joined;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) joined += '/';
        joined += levels[i];
    }
    return joined;
}

// True when the resolved host path lies at or below the resolved folder.
bool IsBelow(const std::string& resolved, const std::string& folder) {
    if (folder == "/") return true;
    return resolved == folder ||
           (resolved.size() > folder.size() && resolved.compare(0, folder.size(), folder) == 0 &&
            resolved[folder.size()] == '/');
}

std::string Resolved(const std::string& path) {
    char real[PATH_MAX];
    return ::realpath(path.c_str(), real) != nullptr ? std::string(real) : std::string();
}

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// Opens the folder at relative (not empty) below dest, following links only where they
// stay below dest; -1 with errno set (EXDEV for a link that leads out).
int OpenBeneath(int dest, const std::string& destPath, const std::string& relative) {
    open_how how{};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, dest, relative.c_str(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
    // A kernel without openat2: level by level, a link only after a look at where it
    // leads (which leaves a moment between the look and the open).
    const std::vector<std::string> levels = Levels(relative);
    const std::string destReal = Resolved(destPath);
    int at = ::fcntl(dest, F_DUPFD_CLOEXEC, 0);
    for (std::size_t i = 0; at >= 0 && i < levels.size(); ++i) {
        int next = ::openat(at, levels[i].c_str(), kFolderFlags | O_NOFOLLOW);
        if (next < 0 && (errno == ELOOP || errno == ENOTDIR)) {
            struct stat st {};
            const std::string through = Resolved(destPath + "/" + Join(levels, i + 1));
            if (::fstatat(at, levels[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode)) {
                if (!destReal.empty() && !through.empty() && IsBelow(through, destReal)) {
                    next = ::openat(at, levels[i].c_str(), kFolderFlags);
                } else {
                    errno = EXDEV;
                }
            }
        }
        const int saved = errno;
        ::close(at);
        errno = saved;
        at = next;
    }
    return at;
}

// Creates the folders of path on the way down, as the host reads it.
int OpenCreatingAsRead(const std::string& path) {
    int fd = ::open(path.c_str(), kFolderFlags);
    if (fd >= 0 || errno != ENOENT) return fd;
    const bool rooted = !path.empty() && path.front() == '/';
    const std::vector<std::string> levels = Levels(path);
    for (std::size_t i = 1; i <= levels.size(); ++i) {
        const std::string prefix = (rooted ? "/" : "") + Join(levels, i);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return -1;
    }
    return ::open(path.c_str(), kFolderFlags);
}

// Opens the folder at levels[0, count) below dest, creating the missing ones beneath,
// level by level from the destination down.
int OpenCreatingBeneath(int dest, const std::string& destPath,
                        const std::vector<std::string>& levels, std::size_t count) {
    if (count == 0) return ::fcntl(dest, F_DUPFD_CLOEXEC, 0);
    int fd = OpenBeneath(dest, destPath, Join(levels, count));
    if (fd >= 0 || errno != ENOENT) return fd;
    int parent = ::fcntl(dest, F_DUPFD_CLOEXEC, 0);
    for (std::size_t i = 1; parent >= 0 && i <= count; ++i) {
        const std::string prefix = Join(levels, i);
        int next = OpenBeneath(dest, destPath, prefix);
        // One level at a time: mkdirat never follows a link at the name it creates.
        if (next < 0 && errno == ENOENT &&
            (::mkdirat(parent, levels[i - 1].c_str(), 0777) == 0 || errno == EEXIST)) {
            next = OpenBeneath(dest, destPath, prefix);
        }
        const int saved = errno;
        ::close(parent);
        errno = saved;
        parent = next;
    }
    return parent;
}

// Looked for once: /proc does not come and go while the program runs.
bool HaveProcFd() {
    static const bool have = ::access("/proc/self/fd", X_OK) == 0;
    return have;
}

}  // namespace

bool LeadsOutside(WStringView dest, WStringView relative) {
    const std::string destPath = ToHostPath(dest);
    const std::vector<std::string> levels = Levels(ToHostPath(relative));
    // Only a level that is a link can lead anywhere else: a folder below a level that
    // stays inside is inside too. The destination is resolved only when one is found,
    // since most members meet none (and it costs a look-up per level of its path).
    std::string destReal;
    for (std::size_t i = 1; i < levels.size(); ++i) {
        const std::string level = destPath + "/" + Join(levels, i);
        struct stat st {};
        if (::lstat(level.c_str(), &st) != 0) return false;  // the rest is made anew
        if (!S_ISLNK(st.st_mode)) continue;
        if (destReal.empty()) destReal = Resolved(destPath);
        const std::string real = Resolved(level);
        if (real.empty() || destReal.empty() || !IsBelow(real, destReal)) return true;
    }
    return false;
}

std::optional<FolderIdentity> IdentityOfFolder(WStringView path) {
    struct stat st {};
    const std::string host = ToHostPath(path);
    if (host.empty() || ::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino)};
}

OutputFolders::OutputFolders() : shared_(std::make_shared<Shared>()) {}
OutputFolders::OutputFolders(OutputFolders&&) noexcept = default;
OutputFolders& OutputFolders::operator=(OutputFolders&&) noexcept = default;
OutputFolders::~OutputFolders() = default;

OutputFolders OutputFolders::ForWorker() const {
    OutputFolders folders;
    folders.shared_ = shared_;
    return folders;
}

std::shared_ptr<const OpenFolder> OutputFolders::FolderOf(const OutputPlace& place, bool whole,
                                                          int* code) {
    const std::string destPath = ToHostPath(place.dest);
    std::vector<std::string> levels = Levels(ToHostPath(place.relative));
    const std::size_t count = whole || levels.empty() ? levels.size() : levels.size() - 1;
    std::string key = destPath;
    key += '\0';
    key += Join(levels, count);
    key += place.beneath ? '\1' : '\0';
    if (key == lastKey_ && last_ != nullptr) return last_;
    int fd = -1;
    if (!place.beneath) {
        std::string path = destPath;
        for (std::size_t i = 0; i < count; ++i)
            path += "/" + levels[i];
        fd = OpenCreatingAsRead(path.empty() ? std::string(".") : path);
    } else {
        if (destKey_ != destPath || dest_ == nullptr) {
            // The destination is the user's own choice: made as the host reads it.
            const int made = OpenCreatingAsRead(destPath.empty() ? std::string(".") : destPath);
            if (made < 0) {
                *code = errno;
                return nullptr;
            }
            dest_ = std::make_shared<const OpenFolder>(made);
            destKey_ = destPath;
        }
        fd = OpenCreatingBeneath(dest_->fd, destPath, levels, count);
    }
    if (fd < 0) {
        *code = errno;
        return nullptr;
    }
    last_ = std::make_shared<const OpenFolder>(fd);
    lastKey_ = std::move(key);
    return last_;
}

bool OutputFolders::MakeFolders(const OutputPlace& place, FileErrorInfo* error) {
    int code = 0;
    if (FolderOf(place, true, &code) != nullptr) return true;
    if (error != nullptr) *error = detail::ErrorOf(code == EXDEV ? EACCES : code);
    return false;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      folder_(std::move(other.folder_)),
      shared_(std::move(other.shared_)),
      temporary_(std::move(other.temporary_)),
      replacedPath_(std::move(other.replacedPath_)),
      name_(std::move(other.name_)),
      replaces_(other.replaces_),
      error_(other.error_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (IsOpen()) Abandon();
        fd_ = std::exchange(other.fd_, -1);
        folder_ = std::move(other.folder_);
        shared_ = std::move(other.shared_);
        temporary_ = std::move(other.temporary_);
        replacedPath_ = std::move(other.replacedPath_);
        name_ = std::move(other.name_);
        replaces_ = other.replaces_;
        error_ = other.error_;
    }
    return *this;
}

OutputFile::~OutputFile() {
    if (IsOpen()) Abandon();
}

bool OutputFile::Fail(int code) {
    error_ = detail::ErrorOf(code);
    return false;
}

OutputFile OutputFile::Create(const OutputPlace& place, OutputFolders& folders) {
    OutputFile file;
    const auto failed = [&file](int code) {
        file.Fail(code);
        return std::move(file);
    };
    // A path with a NUL, or longer than the host takes, names no file exactly.
    WString whole(place.dest);
    whole.append(u"/").append(place.relative);
    if (!detail::HostPath(whole)) return failed(ENAMETOOLONG);
    const std::vector<std::string> levels = Levels(ToHostPath(place.relative));
    if (levels.empty()) return failed(EISDIR);
    file.name_ = levels.back();
    // A name the folder cannot take would only fail when the file is put in place.
    if (file.name_.size() > NAME_MAX) return failed(ENAMETOOLONG);
    if (file.name_ == "..") return failed(EISDIR);
    file.shared_ = folders.shared_;
    const bool unnamed = HaveProcFd();
    // A folder kept open may have been removed since: then once more afresh.
    for (const bool fresh : {false, true}) {
        if (fresh) {
            folders.last_.reset();
            folders.dest_.reset();
        }
        int code = 0;
        file.folder_ = folders.FolderOf(place, false, &code);
        if (file.folder_ == nullptr) return failed(code);
        const int folder = file.folder_->fd;
        struct stat st {};
        file.replaces_ = ::fstatat(folder, file.name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (file.replaces_ && S_ISDIR(st.st_mode)) return failed(EISDIR);
        if (file.replaces_ && file.shared_->keepReplaced) file.replacedPath_ = whole;
        if (unnamed) {
            file.fd_ = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (file.fd_ >= 0) return file;
            // File systems without unnamed files (some network and FUSE ones) say so
            // with one of these; they get a hidden name instead.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
                // A folder removed since it was opened gives ENOENT or EPERM: afresh.
                if (!fresh) continue;
                return failed(errno);
            }
        }
        const std::string stem = std::string(kHiddenPrefix) + std::to_string(::getpid()) + "-";
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            file.temporary_ = stem + std::to_string(file.shared_->serial++);
            file.fd_ = ::openat(folder, file.temporary_.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (file.fd_ >= 0) return file;
            if (errno != EEXIST) break;
        }
        file.temporary_.clear();
        if (fresh) break;
    }
    return failed(errno);
}

std::size_t OutputFile::Write(const void* data, std::size_t size) {
    return WriteFile(fd_, data, size, &error_);
}

bool OutputFile::SetTimes(FileTime lastWriteUtc) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = detail::ToTimespec(lastWriteUtc);
    return ::futimens(fd_, times) == 0;
}

bool OutputFile::SetAttributes(std::uint32_t attributes) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    return ::fchmod(fd_, detail::ModeWithAttributes(st.st_mode, attributes)) == 0;
}

bool OutputFile::AddExecutePermission(std::uint32_t executeBits) {
    const mode_t bits = static_cast<mode_t>(executeBits) & 0111 & ~detail::Umask();
    if (bits == 0) return true;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    return ::fchmod(fd_, (st.st_mode & 0777) | bits) == 0;
}

bool OutputFile::LinkAs(const std::string& to, bool replace) {
    const int folder = folder_->fd;
    if (temporary_.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (!replace) {
            return ::linkat(AT_FDCWD, self.c_str(), folder, to.c_str(), AT_SYMLINK_FOLLOW) == 0;
        }
        // linkat never replaces: a hidden name first, then rename over what stands there.
        const std::string stem = std::string(kHiddenPrefix) + std::to_string(::getpid()) + "-";
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            const std::string hidden = stem + std::to_string(shared_->serial++);
            if (::linkat(AT_FDCWD, self.c_str(), folder, hidden.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                if (errno == EEXIST) continue;
                return false;
            }
            if (::renameat(folder, hidden.c_str(), folder, to.c_str()) == 0) return true;
            const int saved = errno;
            ::unlinkat(folder, hidden.c_str(), 0);
            errno = saved;
            return false;
        }
        errno = EEXIST;
        return false;
    }
    const char* from = temporary_.c_str();
    if (replace) return ::renameat(folder, from, folder, to.c_str()) == 0;
    if (::renameat2(folder, from, folder, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // Without renameat2 a hard link does the same, as it never replaces either.
    if (::linkat(folder, from, folder, to.c_str(), 0) == 0) {
        ::unlinkat(folder, from, 0);
        return true;
    }
    // Neither (some FUSE and network file systems): a plain rename after a look, which
    // leaves only a moment in which something appearing there would be replaced.
    if (errno != EPERM && errno != EOPNOTSUPP) return false;
    struct stat st {};
    if (::fstatat(folder, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(folder, from, folder, to.c_str()) == 0;
}

void OutputFile::Close() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!temporary_.empty()) ::unlinkat(folder_->fd, temporary_.c_str(), 0);
    temporary_.clear();
    folder_.reset();
}

void OutputFolders::SetKeeperOfReplaced(std::function<void(WStringView path)> keeper) {
    shared_->keepReplaced = std::move(keeper);
}

bool OutputFile::Commit() {
    if (!IsOpen()) return false;
    if (replaces_ && !replacedPath_.empty()) shared_->keepReplaced(replacedPath_);
    const bool placed = LinkAs(name_, replaces_);
    if (!placed) Fail(errno);
    if (placed && temporary_.empty()) {
        // Written and linked: a failing close still reports the file as lost.
        const bool closed = ::close(std::exchange(fd_, -1)) == 0;
        if (!closed) {
            Fail(errno);
            if (!replaces_) ::unlinkat(folder_->fd, name_.c_str(), 0);
            folder_.reset();
            return false;
        }
        folder_.reset();
        return true;
    }
    if (placed) temporary_.clear();  // the hidden file has its name now
    Close();
    return placed;
}

bool OutputFile::KeepDamaged() {
    if (!IsOpen()) return false;
    bool kept = false;
    for (int n = 0; n < kNameAttempts && !kept; ++n) {
        std::string name = name_ + std::string(kDamagedSuffix);
        if (n > 0) name += "." + std::to_string(n);
        if (name.size() > NAME_MAX) break;
        kept = LinkAs(name, false);
        if (!kept && errno != EEXIST) break;
    }
    if (kept) temporary_.clear();
    Close();
    return kept;
}

bool OutputFile::Abandon() {
    if (!IsOpen()) return false;
    Close();
    return true;
}

std::optional<FileErrorInfo> PrepareDestination(WStringView dest) {
    const std::string path = ToHostPath(dest);
    const int folder = OpenCreatingAsRead(path.empty() ? std::string(".") : path);
    if (folder < 0) return detail::ErrorOf(errno);
    int code = 0;
    const int probe = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (probe >= 0) {
        ::close(probe);
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        // No unnamed files here (members get hidden names): ask for write access instead.
        if (::faccessat(folder, ".", W_OK, AT_EACCESS) != 0) code = errno;
    } else {
        code = errno;
    }
    ::close(folder);
    if (code != 0) return detail::ErrorOf(code);
    return std::nullopt;
}

}  // namespace quillory::platform
