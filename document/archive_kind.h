// What a file's first bytes say it is, so that an archive renamed by hand, or named as
// the writer's system names it (LArc's ".lzs", ".lha", ".LZH"), reaches the reader that
// can read it, and a file of another format is named rather than read as a damaged
// archive. The kind looks at the first seven bytes only: a ZIP signature, or an LZH
// header's method identifier; self-extractors and anything else say nothing.
#pragma once

#include <optional>

#include "common/byte_source.h"
#include "document/archive_type.h"
#include "platform/text.h"

namespace quillory {

ArchiveType ArchiveKindByContent(const ByteSource& source);

// A format that neither reader reads, known by its signature.
struct ForeignFormat {
    WStringView name;  // as the message names it: "RAR", "7z", "PNG", ...
    // A program (PE, ELF), which may carry an archive behind it: the readers still look.
    bool program = false;
};

// The format the source's signature names, for one no reader takes; nothing for an
// LZH or ZIP start and for anything unknown.
std::optional<ForeignFormat> ForeignFormatOf(const ByteSource& source);

}  // namespace quillory
