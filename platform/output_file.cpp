// POSIX output files: a temporary created with O_EXCL in the target's folder (opened once
// per folder and worker, so names within it stay short whatever the folder's path), put
// in place with rename (renameat2 without replacing where the path was free), and the
// clearing of temporaries that killed processes left behind, once per folder and run.
#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <mutex>
#include <set>
#include <string_view>
#include <utility>

#include "platform/file_internal.h"

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

// What the workers of one run share: the folders cleared of leftovers, and the numbers
// of the temporaries' names.
struct OutputFolders::Cleared {
    std::mutex lock;
    std::set<std::string> folders;
    std::atomic<unsigned> serial{0};
};

namespace {

constexpr std::string_view kTemporaryPrefix = ".quillory-";

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

// Removes the temporaries of this user's processes that no longer run (killed before
// they could clean up). A temporary of a running process, of another user, or under a
// name this program does not make is left alone, and so is every one of this process's
// own: those are files its workers are writing.
void RemoveLeftovers(int folder) {
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
        if (owner <= 0 || owner == self) continue;
        struct stat st {};
        if (::fstatat(listing, item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
            continue;
        }
        if (::kill(owner, 0) != 0 && errno == ESRCH) ::unlinkat(listing, item->d_name, 0);
    }
    ::closedir(dir);
}

// Gives the temporary its name: over what stood there for a replacement, only where
// nothing stands for a new file (renameat2 refuses to replace; on file systems without
// it, a hard link does the same, as it never replaces either).
bool PutInPlace(int folder, const char* from, const char* to, bool replaces) {
    if (replaces) return ::renameat(folder, from, folder, to) == 0;
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

}  // namespace

OutputFolders::OutputFolders() : cleared_(std::make_shared<Cleared>()) {}
OutputFolders::OutputFolders(OutputFolders&&) noexcept = default;
OutputFolders& OutputFolders::operator=(OutputFolders&&) noexcept = default;
OutputFolders::~OutputFolders() = default;

OutputFolders OutputFolders::ForWorker() const {
    OutputFolders folders;
    folders.cleared_ = cleared_;
    return folders;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      folder_(std::move(other.folder_)),
      temporary_(std::move(other.temporary_)),
      name_(std::move(other.name_)),
      replaces_(other.replaces_),
      error_(other.error_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (IsOpen()) Abandon();
        fd_ = std::exchange(other.fd_, -1);
        folder_ = std::move(other.folder_);
        temporary_ = std::move(other.temporary_);
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

OutputFile OutputFile::Create(WStringView path, OutputFolders& folders) {
    // Tries for a free name; taken names come only from other runs that were killed.
    constexpr int kNameAttempts = 100;
    OutputFile file;
    const auto failed = [&file](int code) {
        file.Fail(code);
        return std::move(file);
    };
    const auto host = detail::HostPath(path);
    if (!host) return failed(ENAMETOOLONG);
    struct stat st {};
    file.replaces_ = ::lstat(host->c_str(), &st) == 0;
    if (file.replaces_ && S_ISDIR(st.st_mode)) return failed(EISDIR);
    const std::size_t slash = host->rfind('/');
    const std::string folderPath = host->substr(0, slash + 1);
    file.name_ = host->substr(slash + 1);
    // A name the folder cannot take would only fail when the file is put in place.
    if (file.name_.size() > NAME_MAX) return failed(ENAMETOOLONG);
    const std::string stem = std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-";
    OutputFolders::Cleared& cleared = *folders.cleared_;
    // The last folder's descriptor may name a folder removed since: then once more afresh.
    for (const bool fresh : {false, true}) {
        if (fresh || folders.last_ == nullptr || folders.lastPath_ != folderPath) {
            folders.last_.reset();
            const int fd = ::open(folderPath.empty() ? "." : folderPath.c_str(),
                                  O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0) return failed(errno);
            folders.last_ = std::make_shared<const OpenFolder>(fd);
            folders.lastPath_ = folderPath;
        }
        file.folder_ = folders.last_;
        const int folder = file.folder_->fd;
        {
            // The folder counts as cleared only once it is, so no worker of the run
            // creates a file in it before.
            const std::lock_guard lock(cleared.lock);
            if (cleared.folders.insert(folderPath).second) RemoveLeftovers(folder);
        }
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            file.temporary_ = stem + std::to_string(cleared.serial++);
            file.fd_ = ::openat(folder, file.temporary_.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (file.fd_ >= 0) return file;
            if (errno != EEXIST) break;
        }
        if (errno != ENOENT) break;
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

bool OutputFile::Commit() {
    return End(Ending::IntoPlace);
}

bool OutputFile::Discard() {
    return End(Ending::KeepNewOnly);
}

bool OutputFile::Abandon() {
    return End(Ending::Nowhere);
}

bool OutputFile::End(Ending ending) {
    if (!IsOpen()) return false;
    const bool closed = ::close(std::exchange(fd_, -1)) == 0;
    if (!closed) Fail(errno);
    const bool place = ending == Ending::IntoPlace || (ending == Ending::KeepNewOnly && !replaces_);
    const int folder = folder_->fd;
    const bool placed =
        closed && place && PutInPlace(folder, temporary_.c_str(), name_.c_str(), replaces_);
    if (closed && place && !placed) Fail(errno);
    if (!placed) ::unlinkat(folder, temporary_.c_str(), 0);
    folder_.reset();
    return placed || (closed && !place);
}

}  // namespace quillory::platform
