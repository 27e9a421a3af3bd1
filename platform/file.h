// Files and folders on the host, addressed by program paths (UTF-16, "\" or "/").
// This is the only code that touches the file system. Every operation reports failure
// in its result; nothing throws. Output files are written under a hidden temporary name
// (".quillory-<pid>-<n>") in their folder and renamed into place only when complete:
// whatever stood at the path (a file, a hard link, a symbolic link) is replaced, never
// written through nor changed before that rename, and an interrupted or failed file never
// shows under the member's name over something that was there. Extracted files get
// execute permission only where the archive gives it, as far as the umask allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/text.h"
#include "platform/time.h"

namespace quillory::platform {

using FileHandle = int;
inline constexpr FileHandle kInvalidFileHandle = -1;

enum class SeekOrigin { Begin, Current, End };

// MS-DOS style attribute bits as archives store them.
inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeSystem = 0x04;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeArchive = 0x20;
inline constexpr std::uint32_t kAttributeNormal = 0x80;

struct FileErrorInfo;

// Opens an existing file for reading, hinting random access. Folders are refused. The
// host's reason goes to *error when the file cannot be opened and error is given.
FileHandle OpenFileForReading(WStringView path, FileErrorInfo* error = nullptr);

// A second, independent open of a file open for reading (its own position), for another
// thread to read the same file; invalid when the host cannot give one.
FileHandle ReopenFileForReading(FileHandle file);

// Creates a file for writing under a temporary name beside the path; what stands at the
// path (never a folder) stays untouched until CloseFile. The first file of a run created
// in a folder first removes the temporaries that dead processes of this user left there.
// Fails when the folder is missing or the path is too long.
FileHandle CreateFileForWriting(WStringView path);

// Closes a file; one created for writing takes its place now: it replaces what stood at
// the path when it was created, and is refused (false) when something has appeared at a
// path that was free. False also when it cannot get there; the temporary is then removed.
bool CloseFile(FileHandle file);

// Closes a file whose content is not the member's, whole and checked: one made to replace
// something is dropped, so that what stood at the path stays byte for byte; one new at
// its path is put there as far as it got.
bool DiscardFile(FileHandle file);

// Closes a file given up half-way (the run was interrupted): nothing appears under the
// path and no temporary is left.
bool AbandonFile(FileHandle file);

// Begins a new run of output: each folder is cleared of dead processes' temporaries again
// the next time a file is created in it. Called before the run's threads start; files
// may then be created, written and closed on several threads at once.
void StartOutputRun();

// Read and write as many bytes as the file gives or takes; the result is the count that
// moved (short only at end of file or on failure).
std::size_t ReadFile(FileHandle file, void* buffer, std::size_t count);
std::size_t WriteFile(FileHandle file, const void* buffer, std::size_t count);

// Reads as many bytes as the file gives at offset without moving its position, so that
// several threads may read one open file at once; short only at end of file or on failure.
std::size_t ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::size_t count);

// The new position, or nothing on failure (a negative position fails).
std::optional<std::uint64_t> SetFilePosition(FileHandle file, std::int64_t offset,
                                             SeekOrigin origin);
std::optional<std::uint64_t> GetFileSize(FileHandle file);

// Creation time cannot be set on Linux: both set the modification time; the access
// time is left alone. The times are UTC.
bool SetFileTimes(FileHandle file, FileTime creationUtc, FileTime lastWriteUtc);

// Applies attributes to an open file: read-only removes write permission, anything
// else (0x80 normal, 0x20 archive, ...) restores it; other bits have no host meaning.
bool SetFileAttributes(FileHandle file, std::uint32_t attributes);

// Adds the execute bits given (of 0111, the rest ignored) to an open file, as far as the
// umask allows; nothing else of its mode changes.
bool AddExecutePermission(FileHandle file, std::uint32_t executeBits);

// The same by path. On a folder read-only is ignored, as Windows ignores it, so a
// read-only folder entry never makes later members unwritable; a symbolic link is
// never followed (its target keeps its permissions).
bool SetPathAttributes(WStringView path, std::uint32_t attributes);

// Attributes of what stands at the path (a link counts as itself): 0x10 for a folder,
// 0x01 when nobody may write it, else 0x80. Nothing when the path does not exist.
std::optional<std::uint32_t> GetPathAttributes(WStringView path);

// Size in bytes of what stands at the path, without following a link.
std::optional<std::uint64_t> GetPathSize(WStringView path);

// Last-write time (UTC) of what stands at the path, without following a link.
std::optional<FileTime> GetPathLastWriteTime(WStringView path);

// Creates one folder; fails when it exists or its parent is missing.
bool CreateFolder(WStringView path);

// Where an absolute path leads on the host now, for showing where something would be
// written: its folders as far as they exist with links and ".." followed, the rest
// added level by level ("." dropped, ".." taking off one level); the last level is never
// followed (a link there is replaced, not written through). A relative path comes back
// as it is.
WString ResolvedPath(WStringView path);

// Why the last open, create, write or put-in-place of a file failed on this thread, for
// the message that names the file: the host's error sorted into the kinds a user can act
// on, and its number. Kept until the next failure (success does not clear it).
enum class FileError {
    None,
    NotFound,      // nothing at the path, or a folder on the way missing
    NoPermission,  // the user may not read or write there
    InTheWay,      // a file or folder of that name stands where another kind must go
    NameTooLong,   // the name or path is longer than the file system takes
    DiskFull,      // no space (or quota) left
    ReadOnly,      // the file system is mounted read-only
    Other,
};
struct FileErrorInfo {
    FileError kind = FileError::None;
    int code = 0;  // the host's error number
};
FileErrorInfo LastFileError();

// A hook for tests that makes reads and writes come up short or fail. It sees every
// ReadFile and WriteFile call before it happens and returns how many of the asked bytes
// may move (the count itself to let it pass, fewer for a short transfer, 0 to fail).
enum class IoKind { Read, Write };
using IoFaultHook = std::function<std::size_t(IoKind kind, std::size_t count)>;
void SetIoFaultHook(IoFaultHook hook);

}  // namespace quillory::platform
