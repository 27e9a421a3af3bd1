// Landlock through its three system calls (glibc has no wrappers). The rights handled are
// every one that changes the file system, as far as the running kernel's ABI knows them;
// reading and executing are not handled, so they stay as they were.
#include "platform/sandbox.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/path.h"

namespace quillory::platform {
namespace {

// ABI 3 (Linux 6.2) added truncation by path; older headers do not name it.
constexpr std::uint64_t kAccessTruncate = 1ULL << 14;

std::uint64_t WriteRights(long abi) {
    std::uint64_t rights = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                           LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                           LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                           LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                           LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    // Without REFER handled, ABI 1 refuses every link or rename into another folder;
    // handled, it is allowed below the folders given.
    if (abi >= 2) rights |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3) rights |= kAccessTruncate;
    return rights;
}

class Descriptor {
public:
    explicit Descriptor(long fd) : fd_(static_cast<int>(fd)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

long Abi() {
    return ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
}

}  // namespace

bool CanConfineWrites() {
    return Abi() >= 1;
}

bool ConfineWritesTo(std::span<const WString> folders) {
    const long abi = Abi();
    if (abi < 1) return false;
    landlock_ruleset_attr attr{};
    attr.handled_access_fs = WriteRights(abi);
    const Descriptor ruleset(::syscall(SYS_landlock_create_ruleset, &attr, sizeof attr, 0));
    if (ruleset.get() < 0) return false;
    for (const WString& folder : folders) {
        const std::string path = ToHostPath(folder);
        const Descriptor beneath(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (beneath.get() < 0) return false;
        landlock_path_beneath_attr rule{};
        rule.allowed_access = attr.handled_access_fs;
        rule.parent_fd = beneath.get();
        if (::syscall(SYS_landlock_add_rule, ruleset.get(), LANDLOCK_RULE_PATH_BENEATH, &rule, 0) !=
            0) {
            return false;
        }
    }
    // The terminal stays open to questions (quillory-cli opens it for each one).
    if (const Descriptor tty(::open("/dev/tty", O_PATH | O_CLOEXEC)); tty.get() >= 0) {
        landlock_path_beneath_attr rule{};
        rule.allowed_access = LANDLOCK_ACCESS_FS_WRITE_FILE;
        rule.parent_fd = tty.get();
        ::syscall(SYS_landlock_add_rule, ruleset.get(), LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    }
    // Landlock needs no privilege, only the promise that this thread gains none.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
    return ::syscall(SYS_landlock_restrict_self, ruleset.get(), 0) == 0;
}

}  // namespace quillory::platform
