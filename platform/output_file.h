// Output files: each is written under a hidden temporary name (".quillory-<pid>-<n>") in
// its folder and takes its name only when complete. Whatever stood at the path (a file,
// a hard link, a symbolic link) is replaced, never written through nor changed before
// that, and an interrupted or failed file never shows under its name over something
// that was there. Every failure is reported by the file itself (error()), never through
// state of the thread or the process. Extracted files get execute permission only where
// the archive gives it, as far as the umask allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"

namespace quillory::platform {

struct OpenFolder;

// The folders one run writes in: the last one a worker wrote to (kept open, so the files
// after it in the same folder need no look-up of its path) and, shared by all of the
// run's workers, the folders already cleared of the temporaries that dead processes left.
class OutputFolders {
public:
    OutputFolders();
    OutputFolders(OutputFolders&&) noexcept;
    OutputFolders& operator=(OutputFolders&&) noexcept;
    ~OutputFolders();

    // Another worker's: the same record of cleared folders, a last folder of its own.
    OutputFolders ForWorker() const;

private:
    friend class OutputFile;
    struct Cleared;
    std::shared_ptr<Cleared> cleared_;
    std::string lastPath_;
    std::shared_ptr<const OpenFolder> last_;
};

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    // A file still being written is abandoned.
    ~OutputFile();

    // Creates a file for writing under a temporary name beside path; what stands at the
    // path (never a folder) stays untouched until Commit. The first file of a run in a
    // folder first removes the temporaries that dead processes of this user left there.
    // Not open, with error() saying why, when the folder is missing or the path is too
    // long.
    static OutputFile Create(WStringView path, OutputFolders& folders);

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

    // Closes the file, which takes its place now: it replaces what stood at the path when
    // it was created, and is refused (false) when something has appeared at a path that
    // was free. False also when it cannot get there; the temporary is then removed.
    bool Commit();
    // Closes a file whose content is not the member's, whole and checked: one made to
    // replace something is dropped, so that what stood at the path stays byte for byte;
    // one new at its path is put there as far as it got.
    bool Discard();
    // Closes a file given up half-way: nothing appears under the path and no temporary
    // is left.
    bool Abandon();

private:
    enum class Ending { IntoPlace, KeepNewOnly, Nowhere };
    bool End(Ending ending);
    bool Fail(int code);

    int fd_ = -1;
    std::shared_ptr<const OpenFolder> folder_;
    std::string temporary_;
    std::string name_;
    bool replaces_ = false;  // something stood at the path when the file was created
    FileErrorInfo error_;
};

}  // namespace quillory::platform
