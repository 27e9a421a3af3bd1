// A thread's confinement to writing in given folders, through the kernel's Landlock
// (Linux 5.13 and later, where enabled). Reading stays free: only creating, writing,
// truncating, linking, renaming and removing files and folders are confined. A job that
// writes only below its destination confines its threads before decoding, so that even a
// decoder fault could not create or change a file anywhere else.
#pragma once

#include <span>

#include "platform/text.h"

namespace quillory::platform {

// From now on the calling thread, and the threads it starts, may change files only
// below the given folders (none: nowhere), and open the terminal for questions. Once
// confined, a thread stays so. False, with nothing changed, where the kernel offers no
// Landlock or a folder cannot be opened.
bool ConfineWritesTo(std::span<const WString> folders);
// Whether the kernel offers the confinement at all.
bool CanConfineWrites();

}  // namespace quillory::platform
