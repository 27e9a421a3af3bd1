// Mapped files as /proc/PID/maps lines name them: by device and inode, and below the
// copies' folder by inode alone (a btrfs subvolume shows another device than stat gives).
#include "platform/files_in_use.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

namespace quillory::platform {
namespace {

TEST(FilesInUseTest, MappedFilesCountByDeviceAndInodeOrBelowTheFolderByInode) {
    constexpr char kLib[] = "7f00-7f10 r--p 00000000 fd:01 1234   /usr/lib/libx.so\n";
    constexpr char kCopy[] = "7f00-7f10 r--p 00000000 00:1f 257    /home/u/.cache/q/doc.pdf\n";
    const struct {
        const char* line;
        dev_t device;
        ino_t inode;
        bool inUse;
    } cases[] = {
        {kLib, makedev(0xfd, 1), 1234, true},
        {kLib, makedev(0, 40), 1234, false},
        {kCopy, makedev(0, 45), 257, true},
        {kCopy, makedev(0, 45), 258, false},
        {"7f00-7f10 rw-p 00000000 00:00 0      [heap]\n", makedev(0, 0), 0, false},
    };
    for (const auto& c : cases) {
        FilesInUse inUse;
        inUse.AddMapping(c.line, "/home/u/.cache/");
        struct stat file {};
        file.st_dev = c.device;
        file.st_ino = c.inode;
        EXPECT_EQ(inUse.Contains(file), c.inUse) << c.line;
    }
}

}  // namespace
}  // namespace quillory::platform
