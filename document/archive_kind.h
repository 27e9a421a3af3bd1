// What a file's first bytes say it is, so that an archive renamed by hand, or named as
// the writer's system names it (LArc's ".lzs", ".lha", ".LZH"), reaches the reader that
// can read it. Only the first seven bytes are looked at: a ZIP signature, or an LZH
// header's method identifier; self-extractors and anything else say nothing.
#pragma once

#include "common/byte_source.h"
#include "document/archive_type.h"

namespace quillory {

ArchiveType ArchiveKindByContent(const ByteSource& source);

}  // namespace quillory
