// POSIX implementation of the stream copy: the temporary is opened with O_TMPFILE, or
// made with mkstemp and unlinked before anything is written to it, then filled in pieces
// of 1 MiB through the file layer (so the test hook sees the reads and writes).
#include "platform/stream_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file_internal.h"

namespace quillory::platform {
namespace {

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && folder[0] == '/' ? folder : "/tmp";
}

// A new file without a name, open for reading and writing by this process alone.
int UnnamedTemporary(int* code) {
    const std::string folder = TemporaryFolder();
#ifdef O_TMPFILE
    const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (unnamed >= 0) return unnamed;
    // EOPNOTSUPP or EISDIR: a file system (or a kernel) without unnamed files.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        *code = errno;
        return -1;
    }
#endif
    std::string name = folder + "/quillory-stream-XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        *code = errno;
        return -1;
    }
    ::unlink(name.c_str());
    return fd;
}

}  // namespace

FileHandle OpenStandardInput(FileErrorInfo* error) {
    const int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0 && error != nullptr) *error = detail::ErrorOf(errno);
    return fd < 0 ? kInvalidFileHandle : fd;
}

bool IsSeekableFile(FileHandle file) {
    struct stat st {};
    return ::fstat(file, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
}

FileHandle CopyStreamToTemporary(FileHandle stream, FileErrorInfo* error) {
    int code = 0;
    const int copy = UnnamedTemporary(&code);
    if (copy < 0) {
        if (error != nullptr) *error = detail::ErrorOf(code);
        return kInvalidFileHandle;
    }
    constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
    std::vector<unsigned char> piece(kPieceBytes);
    for (;;) {
        // ReadFile keeps reading to fill the piece: a short piece is the stream's end,
        // unless the read failed.
        errno = 0;
        const std::size_t got = ReadFile(stream, piece.data(), piece.size());
        const int readError = errno;
        if (got > 0 && WriteFile(copy, piece.data(), got, error) != got) {
            ::close(copy);
            return kInvalidFileHandle;
        }
        if (got < piece.size()) {
            if (readError != 0) {
                if (error != nullptr) *error = detail::ErrorOf(readError);
                ::close(copy);
                return kInvalidFileHandle;
            }
            break;
        }
    }
    return copy;
}

}  // namespace quillory::platform
