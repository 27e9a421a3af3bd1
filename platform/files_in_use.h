// Which files other programs of this user have open right now, as /proc shows them: their
// descriptors and their mapped files. Copies the program handed to another application
// are removed only when that application no longer holds them.
#pragma once

#include <sys/stat.h>

#include <set>
#include <string_view>
#include <utility>

namespace quillory::platform {

class FilesInUse {
public:
    // A look at every process this user may read, this one excepted. Files mapped from
    // below `folder` are known by their inode alone (see AddMapping).
    static FilesInUse Now(std::string_view folder);

    // True when file (as stat gives it) is open or mapped in one of them.
    bool Contains(const struct stat& file) const;

    // Takes one line of /proc/PID/maps: "start-end perms offset major:minor inode path".
    // The device there is the file system's own, which differs from the one stat gives
    // for a btrfs subvolume; so a file whose path lies below `folder` counts by its inode.
    void AddMapping(const char* line, std::string_view folder);

private:
    std::set<std::pair<dev_t, ino_t>> files_;
    std::set<ino_t> mappedBelow_;  // inodes of files mapped from below the folder
};

}  // namespace quillory::platform
