// Paths the document derives from an archive's path: the folder named after the archive
// that extraction creates, and the folder that the open dialog remembers. Both "\" and
// "/" count as separators, as everywhere in program paths.
#pragma once

#include "platform/text.h"

namespace quillory {

// base + "\" + the archive's file name without its last extension ("\" only when base
// does not already end with one): \Storage\ and \a\data.set.lzh give \Storage\data.set.
// An empty base gives the bare name.
WString ArchiveNamedFolder(WStringView base, WStringView archivePath);

// The path up to and including its last separator; empty when there is none.
WString FolderOfPath(WStringView path);

}  // namespace quillory
