// The member list for scripts, from the open reader's entries rather than the list's
// formatted cells: each member's stored path alone on a line (as "unzip -Z1" prints
// them), or JSON with the raw values. Names are exact in JSON; on a names line a
// control character becomes "?" as in every other line the tool writes, so that one
// member is always one line. Nothing here opens, asks or shows anything.
#pragma once

#include <functional>
#include <string_view>

#include "cli/command_line.h"

namespace quillory {
class CQuilloryDoc;
}

namespace quillory::cli {

// Hands the text of format (Names or Json) for the document's open archive to write, in
// pieces of some hundred kilobytes, in order.
void WriteMemberRecords(const CQuilloryDoc& doc, ListFormat format,
                        const std::function<void(std::string_view)>& write);

}  // namespace quillory::cli
