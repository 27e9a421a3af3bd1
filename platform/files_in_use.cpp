// /proc/PID/fd/* are links to the open files (stat follows them to the file itself), and
// /proc/PID/maps names a mapped file by device, inode and path; processes of other users
// are not readable and are passed over.
#include "platform/files_in_use.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quillory::platform {
namespace {

bool IsNumber(const char* name) {
    if (*name == '\0') return false;
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9') return false;
    }
    return true;
}

// Adds the files a process has open, through its fd folder.
void AddDescriptors(int processFolder, std::set<std::pair<dev_t, ino_t>>& files) {
    const int fd = ::openat(processFolder, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st;
        if (IsNumber(entry->d_name) && ::fstatat(fd, entry->d_name, &st, 0) == 0 &&
            S_ISREG(st.st_mode)) {
            files.emplace(st.st_dev, st.st_ino);
        }
    }
    ::closedir(dir);
}

// Adds the files a process has mapped.
void AddMappings(int processFolder, std::string_view folder, FilesInUse& inUse) {
    const int fd = ::openat(processFolder, "maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    FILE* maps = ::fdopen(fd, "r");
    if (maps == nullptr) {
        ::close(fd);
        return;
    }
    char line[4096];
    while (std::fgets(line, sizeof line, maps) != nullptr)
        inUse.AddMapping(line, folder);
    std::fclose(maps);
}

}  // namespace

FilesInUse FilesInUse::Now(std::string_view folder) {
    FilesInUse inUse;
    const int proc = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0) return inUse;
    DIR* dir = ::fdopendir(proc);
    if (dir == nullptr) {
        ::close(proc);
        return inUse;
    }
    const std::string self = std::to_string(::getpid());
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsNumber(entry->d_name) || self == entry->d_name) continue;
        const int process = ::openat(proc, entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (process < 0) continue;
        AddDescriptors(process, inUse.files_);
        AddMappings(process, folder, inUse);
        ::close(process);
    }
    ::closedir(dir);
    return inUse;
}

void FilesInUse::AddMapping(const char* line, std::string_view folder) {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long long inode = 0;
    int pathAt = 0;
    if (std::sscanf(line, "%*s %*s %*s %x:%x %llu %n", &major, &minor, &inode, &pathAt) != 3 ||
        inode == 0) {
        return;
    }
    files_.emplace(makedev(major, minor), static_cast<ino_t>(inode));
    const std::string_view path(line + pathAt);
    if (!folder.empty() && path.starts_with(folder)) mappedBelow_.insert(static_cast<ino_t>(inode));
}

bool FilesInUse::Contains(const struct stat& file) const {
    return files_.contains({file.st_dev, file.st_ino}) || mappedBelow_.contains(file.st_ino);
}

}  // namespace quillory::platform
