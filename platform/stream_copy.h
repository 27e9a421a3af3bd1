// Archives that come as a stream (standard input, a pipe, a FIFO, a socket) cannot be
// read at an offset, and a second open would wait for a writer that never comes or read
// nothing. Such a stream is read once, to its end, into a temporary file that belongs to
// this process alone, and the archive is read from that copy.
#pragma once

#include "platform/file.h"

namespace quillory::platform {

// The process's standard input as a handle of the caller's own (a duplicate: closing
// it leaves standard input open).
FileHandle OpenStandardInput(FileErrorInfo* error = nullptr);

// Whether the file can be read at any offset: a regular file or a block device; not a
// pipe, FIFO, socket or terminal.
bool IsSeekableFile(FileHandle file);

// Reads stream to its end into a temporary file without a name (O_TMPFILE in the
// temporary folder, $TMPDIR or /tmp; where the file system has no such files, one made
// and removed at once), so nothing is left behind however the process ends, and returns
// it for reading. Invalid, with the host's reason, when the stream fails before its end
// or the copy cannot take it all.
FileHandle CopyStreamToTemporary(FileHandle stream, FileErrorInfo* error = nullptr);

}  // namespace quillory::platform
