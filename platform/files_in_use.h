// Which files other programs of this user have open right now, as /proc shows them: their
// descriptors and their mapped files. Copies the program handed to another application
// are removed only when that application no longer holds them.
#pragma once

#include <sys/stat.h>

#include <set>
#include <utility>

namespace quillory::platform {

class FilesInUse {
public:
    // A look at every process this user may read, this one excepted.
    static FilesInUse Now();

    // True when file (as stat gives it) is open or mapped in one of them.
    bool Contains(const struct stat& file) const;

private:
    std::set<std::pair<dev_t, ino_t>> files_;
};

}  // namespace quillory::platform
