// Paths the document derives from an archive's path: the folder named after the archive
// that extraction creates, and the folder that the open dialog remembers. Both "\" and
// "/" count as separators, as everywhere in program paths.
#pragma once

#include "platform/text.h"

namespace quillory {

// base + "\" + the archive's file name without its last extension ("\" only when base
// does not already end with one): \Storage\ and \a\data.set.lzh give \Storage\data.set.
// The folder is always one real child of base: when the name without its extension is
// empty or only dots (".zip", "..zip", "...zip"), it is "_" and the whole file name
// ("_...zip"), which can be neither base itself, its parent, nor the archive.
// An empty base gives the bare name.
WString ArchiveNamedFolder(WStringView base, WStringView archivePath);

// The path up to and including its last separator; empty when there is none.
WString FolderOfPath(WStringView path);

}  // namespace quillory
