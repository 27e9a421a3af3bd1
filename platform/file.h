// Files and folders on the host, addressed by program paths (UTF-16, "\" or "/").
// This code and output_file.h are the only code that touches the file system. Every
// operation reports failure in its result, and the host's reason to the caller that
// asks for it; nothing throws and nothing is kept between calls. Files for writing are
// output_file.h's.
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

// Why an open, create, write or put-in-place of a file failed, for the message that
// names the file: the host's error sorted into the kinds a user can act on, and its
// number.
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

// Opens an existing file for reading, hinting random access. Folders are refused. The
// host's reason goes to *error when the file cannot be opened and error is given.
FileHandle OpenFileForReading(WStringView path, FileErrorInfo* error = nullptr);

// Closes a file opened for reading (or any descriptor of the caller's).
bool CloseFile(FileHandle file);

// Read and write as many bytes as the file gives or takes; the result is the count that
// moved (short only at end of file or on failure, with the reason in *error if given).
std::size_t ReadFile(FileHandle file, void* buffer, std::size_t count);
std::size_t WriteFile(FileHandle file, const void* buffer, std::size_t count,
                      FileErrorInfo* error = nullptr);

// Reads as many bytes as the file gives at offset without moving its position, so that
// several threads may read one open file at once; short only at end of file or on failure.
std::size_t ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::size_t count);

// The new position, or nothing on failure (a negative position fails).
std::optional<std::uint64_t> SetFilePosition(FileHandle file, std::int64_t offset,
                                             SeekOrigin origin);
std::optional<std::uint64_t> GetFileSize(FileHandle file);

// Applies attributes by path: read-only removes write permission, anything else restores
// it. On a folder read-only is ignored, as Windows ignores it, so a read-only folder entry
// never makes later members unwritable; a symbolic link is never followed (its target
// keeps its permissions).
bool SetPathAttributes(WStringView path, std::uint32_t attributes);

// Attributes of what stands at the path (a link counts as itself): 0x10 for a folder,
// 0x01 when nobody may write it, else 0x80. Nothing when the path does not exist.
std::optional<std::uint32_t> GetPathAttributes(WStringView path);

// Size in bytes of what stands at the path, without following a link.
std::optional<std::uint64_t> GetPathSize(WStringView path);

// Last-write time (UTC) of what stands at the path, without following a link.
std::optional<FileTime> GetPathLastWriteTime(WStringView path);

// Creates one folder; fails when it exists or its parent is missing (the reason in *error
// when given).
bool CreateFolder(WStringView path, FileErrorInfo* error = nullptr);

// Where an absolute path leads on the host now, for showing where something would be
// written: its folders as far as they exist with links and ".." followed, the rest
// added level by level ("." dropped, ".." taking off one level); the last level is never
// followed (a link there is replaced, not written through). A relative path comes back
// as it is.
WString ResolvedPath(WStringView path);

// A hook for tests that makes reads and writes come up short or fail. It sees every
// ReadFile, ReadFileAt and WriteFile call before it happens and returns how many of the
// asked bytes may move (the count itself to let it pass, fewer for a short transfer, 0 to
// fail).
enum class IoKind { Read, Write };
using IoFaultHook = std::function<std::size_t(IoKind kind, std::size_t count)>;
void SetIoFaultHook(IoFaultHook hook);

}  // namespace quillory::platform
