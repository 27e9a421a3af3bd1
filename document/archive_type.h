// Which reader holds the open archive. The numbers are the document's stored values.
#pragma once

#include <cstdint>

namespace quillory {

enum class ArchiveType : std::int32_t { None = 0, Lzh = 1, Zip = 2 };

}  // namespace quillory
