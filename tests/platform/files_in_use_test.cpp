// Mapped files as /proc/PID/maps lines name them: by device and inode, and by inode alone
// below the folder the program's copies live in, where a btrfs subvolume shows another
// device than stat gives.
#include "platform/files_in_use.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

namespace quillory::platform {
namespace {

struct stat StatOf(unsigned major, unsigned minor, ino_t inode) {
    struct stat st {};
    st.st_dev = makedev(major, minor);
    st.st_ino = inode;
    return st;
}

TEST(FilesInUseTest, MappedFilesCountByDeviceAndInodeOrBelowTheFolderByInode) {
    constexpr char kFolder[] = "/home/u/.cache/";
    const struct {
        const char* line;
        struct stat file;
        bool inUse;
    } cases[] = {
        {"7f00-7f10 r--p 00000000 fd:01 1234      /usr/lib/libx.so\n", StatOf(0xfd, 1, 1234), true},
        {"7f00-7f10 r--p 00000000 fd:01 1234      /usr/lib/libx.so\n", StatOf(0, 40, 1234), false},
        {"7f00-7f10 r--p 00000000 00:1f 257       /home/u/.cache/quillory/session-a/doc.pdf\n",
         StatOf(0, 45, 257), true},
        {"7f00-7f10 r--p 00000000 00:1f 257       /home/u/.cache/quillory/session-a/doc.pdf\n",
         StatOf(0, 45, 258), false},
        {"7f00-7f10 rw-p 00000000 00:00 0         [heap]\n", StatOf(0, 0, 0), false},
        {"7f00-7f10 rw-p 00000000 00:00 0\n", StatOf(0, 0, 0), false},
    };
    for (const auto& c : cases) {
        FilesInUse inUse;
        inUse.AddMapping(c.line, kFolder);
        EXPECT_EQ(inUse.Contains(c.file), c.inUse) << c.line;
    }
}

}  // namespace
}  // namespace quillory::platform
