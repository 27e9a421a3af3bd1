// Listing an archive from its local headers, for when the end record or the central
// directory is missing, cut or unreadable (an interrupted download, a directory
// overwritten): from the first local header (past a self-extractor's or another stub) on,
// one entry per header, each member's data skipped by the sizes its header gives, or,
// for a member with a data descriptor, by the descriptor found after it. The walk ends at
// the first bytes that are no local header (the central directory, or the end of what
// is there); a member whose data the end of the file cuts is listed as it stands, and
// fails alone when extracted. Only the local headers' facts are known: no external
// attributes, no comments.
#pragma once

#include <memory_resource>
#include <vector>

#include "common/byte_source.h"
#include "common/conversions.h"
#include "zip/zip_archive.h"

namespace quillory::zip {

// Appends the members found to entries, names in nameMemory, decoded as encoding says
// (MemberNameDecoder); the walk's buffer comes from memory. *lastCut tells whether the
// end of the file cut the last member listed. False when no local header is found at all.
bool ReadLocalHeaders(const ByteSource& source, const NameEncoding& encoding,
                      std::pmr::vector<ZipEntry>& entries, std::pmr::memory_resource* nameMemory,
                      std::pmr::memory_resource* memory, bool* lastCut);

}  // namespace quillory::zip
