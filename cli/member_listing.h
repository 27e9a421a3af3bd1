// The member list as text: a header line with the list's seven column titles, then one
// line per row with the cells exactly as the list formats them, in columns as wide as
// their widest cell (in terminal columns), numbers right-aligned as in the list; a member
// no decoder takes has its reason after its cells.
#pragma once

#include <functional>
#include <string_view>

#include "document/member_list.h"

namespace quillory::cli {

// Space between two columns.
inline constexpr std::string_view kColumnGap = "  ";

// Hands the text to write in pieces of some hundred kilobytes, in order.
void WriteListing(const MemberList& list, const std::function<void(std::string_view)>& write);

}  // namespace quillory::cli
