// POSIX implementation of the file layer: output files under temporary names, put in
// place with rename (renameat2 without replacing where the path was free), and the
// clearing of temporaries that killed processes left behind. A run may write files on
// several threads: the tables they share are locked, the last folder is kept per thread.
#include "platform/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/path.h"

namespace quillory::platform {
namespace {

IoFaultHook& FaultHook() {
    static IoFaultHook hook;
    return hook;
}

// Guards what the threads of a run share here: the files being written, the folders
// already cleared of leftovers, and the test hook (whose own state needs it too).
std::mutex& OutputLock() {
    static std::mutex lock;
    return lock;
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

thread_local FileErrorInfo gLastError;

FileError KindOf(int code) {
    switch (code) {
        case ENOENT:
            return FileError::NotFound;
        case EACCES:
        case EPERM:
            return FileError::NoPermission;
        case EEXIST:
        case EISDIR:
        case ENOTDIR:
        case ENOTEMPTY:
            return FileError::InTheWay;
        case ENAMETOOLONG:
            return FileError::NameTooLong;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FileError::DiskFull;
        case EROFS:
            return FileError::ReadOnly;
        default:
            return FileError::Other;
    }
}

// Records code as the last failure and returns the failure value given, so that a
// failing return reads as one line.
template <class T>
T Failed(int code, T result, FileErrorInfo* error = nullptr) {
    gLastError = {KindOf(code), code};
    if (error != nullptr) *error = gLastError;
    return result;
}

std::size_t AllowedByHook(IoKind kind, std::size_t count) {
    const IoFaultHook& hook = FaultHook();
    if (!hook) return count;
    const std::lock_guard lock(OutputLock());
    const std::size_t allowed = hook(kind, count);
    return allowed < count ? allowed : count;
}

// An open folder (O_PATH), shared by the files being written in it and closed with the
// last of them, so that names within it are short whatever the folder's path.
struct OpenFolder {
    explicit OpenFolder(int descriptor) : fd(descriptor) {}
    ~OpenFolder() { ::close(fd); }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    const int fd;
};

// Files being written (by every thread, under OutputLock), by descriptor: their folder, the
// temporary name they have meanwhile, the name they take when closed, and whether something stood
// there when they were created (a replacement the user agreed to) or the name was free (and must
// still be free).
struct PendingOutput {
    std::shared_ptr<const OpenFolder> folder;
    std::string folderPath;
    std::string temporary;
    std::string name;
    bool replaces = false;
};

std::map<int, PendingOutput>& PendingOutputs() {
    static std::map<int, PendingOutput> pending;
    return pending;
}

constexpr std::string_view kTemporaryPrefix = ".quillory-";

// The folders a run has cleared of leftovers (shared by its threads, under OutputLock),
// and the run's number, which StartOutputRun raises.
std::set<std::string>& SweptFolders() {
    static std::set<std::string> swept;
    return swept;
}
std::atomic<unsigned> gOutputRun{0};

// The last folder this thread wrote to in this run, kept open so that the files after it
// in the same folder need no new look-up of its path. Per thread, so that threads
// writing to different folders do not take it from each other.
struct LastFolder {
    unsigned run = 0;
    std::string path;
    std::shared_ptr<const OpenFolder> folder;
};
thread_local LastFolder tLastFolder;

// The folder at path, open, or null when it cannot be had. fresh: look the path up again
// instead of taking the last folder's.
std::shared_ptr<const OpenFolder> FolderAt(const std::string& path, bool fresh) {
    LastFolder& folders = tLastFolder;
    const unsigned run = gOutputRun.load(std::memory_order_relaxed);
    if (fresh || folders.run != run || folders.folder == nullptr || folders.path != path) {
        folders.folder.reset();
        const int fd = ::open(path.empty() ? "." : path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        folders.folder = std::make_shared<const OpenFolder>(fd);
        folders.path = path;
        folders.run = run;
    }
    return folders.folder;
}

// The process id in a temporary's name ".quillory-<pid>-<n>", or 0 when it is none.
pid_t TemporaryOwner(std::string_view name) {
    if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) return 0;
    name.remove_prefix(kTemporaryPrefix.size());
    const std::size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size()) return 0;
    long long pid = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i == dash) continue;
        if (c < '0' || c > '9') return 0;
        if (i < dash && (pid = pid * 10 + (c - '0')) > 0x7FFFFFFF) return 0;
    }
    return static_cast<pid_t>(pid);
}

bool IsOpenTemporary(const std::string& folderPath, std::string_view name) {
    for (const auto& [fd, output] : PendingOutputs()) {
        if (output.folderPath == folderPath && output.temporary == name) return true;
    }
    return false;
}

void SweepFolder(int folder, const std::string& folderPath);

// Removes the temporaries of this user's processes that no longer run (killed before
// they could clean up), once per folder and run. A temporary of a running process, of
// another user, or under a name this program does not make is left alone. Called with
// OutputLock held; the folder counts as swept only once the sweep is over, so no thread
// of this run creates a file in it before (a new temporary is not yet among the pending
// ones when its file appears).
void SweepLeftovers(int folder, const std::string& folderPath) {
    if (SweptFolders().contains(folderPath)) return;
    SweepFolder(folder, folderPath);
    SweptFolders().insert(folderPath);
}

void SweepFolder(int folder, const std::string& folderPath) {
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return;
    }
    const pid_t self = ::getpid();
    while (const dirent* item = ::readdir(dir)) {
        const pid_t owner = TemporaryOwner(item->d_name);
        if (owner <= 0) continue;
        struct stat st {};
        if (::fstatat(listing, item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
            continue;
        }
        // This process's own number belongs to a dead one that had it before, unless the
        // file is one being written now.
        const bool dead = owner == self ? !IsOpenTemporary(folderPath, item->d_name)
                                        : ::kill(owner, 0) != 0 && errno == ESRCH;
        if (dead) ::unlinkat(listing, item->d_name, 0);
    }
    ::closedir(dir);
}

// A new file in the target's folder under a short hidden name; invalid when none can be
// made there (the folder is missing, or refuses new files).
FileHandle CreateTemporary(const std::string& target, bool replaces) {
    // Tries for a free name; taken names come only from other runs that were killed.
    constexpr int kNameAttempts = 100;
    static std::atomic<unsigned> serial{0};
    const std::size_t slash = target.rfind('/');
    PendingOutput output;
    output.folderPath = target.substr(0, slash + 1);
    output.name = target.substr(slash + 1);
    // A name the folder cannot take would only fail when the file is put in place.
    if (output.name.size() > NAME_MAX) return Failed(ENAMETOOLONG, kInvalidFileHandle);
    output.replaces = replaces;
    const std::string stem = std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-";
    // The last folder's descriptor may name a folder removed since: then once more afresh.
    for (const bool fresh : {false, true}) {
        output.folder = FolderAt(output.folderPath, fresh);
        if (output.folder == nullptr) return Failed(errno, kInvalidFileHandle);
        const int folder = output.folder->fd;
        {
            const std::lock_guard lock(OutputLock());
            SweepLeftovers(folder, output.folderPath);
        }
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            output.temporary = stem + std::to_string(serial++);
            const int fd = ::openat(folder, output.temporary.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd >= 0) {
                const std::lock_guard lock(OutputLock());
                PendingOutputs()[fd] = std::move(output);
                return fd;
            }
            if (errno != EEXIST) break;
        }
        if (errno != ENOENT) break;
    }
    return Failed(errno, kInvalidFileHandle);
}

// Gives the temporary its name: over what stood there for a replacement, only where
// nothing stands for a new file (renameat2 refuses to replace; on file systems without
// it, a hard link does the same, as it never replaces either).
bool PutInPlace(const PendingOutput& output) {
    const int folder = output.folder->fd;
    const char* from = output.temporary.c_str();
    const char* to = output.name.c_str();
    if (output.replaces) return ::renameat(folder, from, folder, to) == 0;
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (::linkat(folder, from, folder, to, 0) == 0) {
        ::unlinkat(folder, from, 0);
        return true;
    }
    // Neither (some FUSE and network file systems): a plain rename after a look, which
    // leaves only a moment in which something appearing there would be replaced.
    if (errno != EPERM && errno != EOPNOTSUPP) return false;
    struct stat st {};
    if (::fstatat(folder, to, &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) return false;
    return ::renameat(folder, from, folder, to) == 0;
}

enum class Ending { IntoPlace, KeepNewOnly, Nowhere };

bool EndOutput(FileHandle file, Ending ending) {
    if (file < 0) return false;
    std::map<int, PendingOutput>::node_type pending;
    {
        const std::lock_guard lock(OutputLock());
        pending = PendingOutputs().extract(file);
    }
    const bool closed = ::close(file) == 0;
    if (pending.empty()) return closed;
    const PendingOutput& output = pending.mapped();
    const bool place =
        ending == Ending::IntoPlace || (ending == Ending::KeepNewOnly && !output.replaces);
    const bool placed = closed && place && PutInPlace(output);
    if (place && !placed) Failed(errno, false);
    if (!placed) ::unlinkat(output.folder->fd, output.temporary.c_str(), 0);
    return placed || (closed && !place);
}

}  // namespace

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

FileHandle ReopenFileForReading(FileHandle file) {
    // The open file itself, through its entry in /proc: the same file even when its path
    // now names another one.
    const std::string self = "/proc/self/fd/" + std::to_string(file);
    const int fd = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
    return fd < 0 ? Failed(errno, kInvalidFileHandle) : fd;
}

FileHandle CreateFileForWriting(WStringView path) {
    const auto host = HostPath(path);
    if (!host) return Failed(ENAMETOOLONG, kInvalidFileHandle);
    struct stat st {};
    const bool exists = ::lstat(host->c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return Failed(EISDIR, kInvalidFileHandle);
    return CreateTemporary(*host, exists);
}

bool CloseFile(FileHandle file) {
    return EndOutput(file, Ending::IntoPlace);
}

bool DiscardFile(FileHandle file) {
    return EndOutput(file, Ending::KeepNewOnly);
}

bool AbandonFile(FileHandle file) {
    return EndOutput(file, Ending::Nowhere);
}

void StartOutputRun() {
    // Read the umask now, on the thread that starts the run: reading it sets it for a
    // moment, which must not happen while other threads create files.
    Umask();
    const std::lock_guard lock(OutputLock());
    SweptFolders().clear();
    gOutputRun.fetch_add(1, std::memory_order_relaxed);
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

std::size_t WriteFile(FileHandle file, const void* buffer, std::size_t count) {
    const std::size_t asked = count;
    count = AllowedByHook(IoKind::Write, count);
    // A write the test hook cuts short stands for a full disk.
    if (count < asked) Failed(ENOSPC, 0);
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(file, in + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Failed(n < 0 ? errno : ENOSPC, done);
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

bool AddExecutePermission(FileHandle file, std::uint32_t executeBits) {
    const mode_t bits = static_cast<mode_t>(executeBits) & 0111 & ~Umask();
    if (bits == 0) return true;
    struct stat st {};
    if (::fstat(file, &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) return true;
    return ::fchmod(file, (st.st_mode & 0777) | bits) == 0;
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

FileErrorInfo LastFileError() {
    return gLastError;
}

void SetIoFaultHook(IoFaultHook hook) {
    FaultHook() = std::move(hook);
}

}  // namespace quillory::platform
