// Output files and folders of members. A member's file is written unnamed (O_TMPFILE)
// in its folder and given its name only when complete and checked; where the file system
// has no unnamed files, under a hidden name of this process's own (".quillory-<pid>-<n>"),
// which only this process ever removes. Whatever stood at the name (a file, a hard link,
// a symbolic link) is replaced, never written through nor changed before that, and a
// failed or interrupted member never shows under its name. Folders are reached from the
// destination level by level, through links only where they stay below it, so that no
// folder swapped for a link meanwhile leads a member out. Every failure is reported by
// the file itself (error()), never through state of the thread or the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"

namespace quillory::platform {

struct OpenFolder;

// Where a member goes: below the folder dest, at relative ("\" or "/" between levels;
// empty and "." levels dropped, so a rooted path stays below dest). Beneath: every level
// is opened from dest, and a link on the way only followed where it stays below dest.
// A member the user let leave the destination (a ".." that climbs out, a link that
// leads out) is not beneath: its path is taken as the host reads it.
struct OutputPlace {
    WStringView dest;
    WStringView relative;
    bool beneath = true;
};

// True when a folder on the way to relative below dest, as it stands now, is a link (or
// leads through one) to somewhere outside dest. The last level is not looked at: a link
// there is replaced, never written through.
bool LeadsOutside(WStringView dest, WStringView relative);

// Identifies a folder that exists (device and inode), for telling two spellings of one
// folder apart from two folders; nothing when it does not exist.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};
std::optional<FolderIdentity> IdentityOfFolder(WStringView path);

// Makes the destination folder where it is missing (as the host reads its path) and checks
// that a file can be made in it, before any member is: the reason when it cannot.
std::optional<FileErrorInfo> PrepareDestination(WStringView dest);

// The folders one worker of a run writes in: the destination and the last folder it
// wrote to, kept open so that the files after it in the same folder need no look-up.
class OutputFolders {
public:
    OutputFolders();
    OutputFolders(OutputFolders&&) noexcept;
    OutputFolders& operator=(OutputFolders&&) noexcept;
    ~OutputFolders();

    // Another worker's: the same numbering of hidden names, folders of its own, the same
    // keeper of replaced files.
    OutputFolders ForWorker() const;

    // Called with the program path of a file a member is about to replace, just before
    // the member takes its name (from the thread that writes it): the front end may move
    // it away to keep it (the desktop's Trash). Whatever still stands there is replaced.
    void SetKeeperOfReplaced(std::function<void(WStringView path)> keeper);

    // Creates the folders of place that are missing, its last level too. False with the
    // reason when one cannot be made, or something that is no folder stands there.
    bool MakeFolders(const OutputPlace& place, FileErrorInfo* error);

private:
    friend class OutputFile;
    struct Shared;
    // The open folder that holds the last level of place (creating the missing ones),
    // or null with the host's error number in *code.
    std::shared_ptr<const OpenFolder> FolderOf(const OutputPlace& place, bool whole, int* code);

    std::shared_ptr<Shared> shared_;
    std::string lastKey_;
    std::shared_ptr<const OpenFolder> last_;
    std::string destKey_;
    std::shared_ptr<const OpenFolder> dest_;
};

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    // A file still being written is abandoned.
    ~OutputFile();

    // Creates the member's file at place, unnamed until Commit; missing folders on the
    // way are made. Not open, with error() saying why, when the path cannot be had.
    static OutputFile Create(const OutputPlace& place, OutputFolders& folders);

    bool IsOpen() const { return fd_ >= 0; }
    // Why the last operation failed.
    FileErrorInfo error() const { return error_; }

    // As many bytes as the file takes: short only on failure.
    std::size_t Write(const void* data, std::size_t size);

    // Creation time cannot be set on Linux: the modification time is set, the access time
    // left alone. UTC.
    bool SetTimes(FileTime lastWriteUtc);
    // Read-only removes write permission, anything else (0x80 normal, 0x20 archive, ...)
    // restores it; other bits have no host meaning.
    bool SetAttributes(std::uint32_t attributes);
    // Adds the execute bits given (of 0111, the rest ignored), as far as the umask allows.
    bool AddExecutePermission(std::uint32_t executeBits);

    // The file takes its name now: it replaces what stood there when it was created, and
    // is refused (false) when something has appeared at a name that was free. False also
    // when it cannot get there; then nothing is left of it.
    bool Commit();
    // The member is not whole or not checked: what was written is kept, for recovery, as
    // "<name>.damaged" (or "<name>.damaged.<n>"), never over anything that stands there,
    // and nothing takes the member's own name. False when it could not be kept.
    bool KeepDamaged();
    // Given up: nothing appears under any name and nothing is left.
    bool Abandon();

private:
    bool Fail(int code);
    // Gives the file the name `to` in its folder: over what stands there when replace,
    // else only where nothing does.
    bool LinkAs(const std::string& to, bool replace);
    void Close();

    int fd_ = -1;
    std::shared_ptr<const OpenFolder> folder_;
    std::shared_ptr<OutputFolders::Shared> shared_;
    std::string temporary_;  // the hidden name, when the file system has no unnamed files
    WString replacedPath_;   // the file it replaces, for the keeper of replaced files
    std::string name_;
    bool replaces_ = false;  // something stood at the name when the file was created
    FileErrorInfo error_;
};

}  // namespace quillory::platform
