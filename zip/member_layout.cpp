// Member layout: the local-header offsets sorted once per archive, then searched once per
// member to find where its bytes may end. A member whose bytes reach another's header or
// the central directory, or whose header an earlier entry already owns, owns nothing.
#include "zip/member_layout.h"

#include <algorithm>

#include "zip/zip_archive.h"

namespace quillory::zip {

void MemberLayout::Clear() {
    starts_.clear();
    starts_.shrink_to_fit();
    built_ = false;
}

void MemberLayout::Build(const std::pmr::vector<ZipEntry>& entries, std::uint64_t directoryOffset,
                         std::uint64_t directorySize) {
    starts_.clear();
    starts_.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        starts_.push_back({entries[i].localHeaderOffset, static_cast<std::uint32_t>(i)});
    }
    const auto before = [](const Start& a, const Start& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.firstEntry < b.firstEntry;
    };
    if (!std::is_sorted(starts_.begin(), starts_.end(), before)) {
        std::sort(starts_.begin(), starts_.end(), before);
    }
    // Of the entries at one offset the first in directory order stays.
    starts_.erase(std::unique(starts_.begin(), starts_.end(),
                              [](const Start& a, const Start& b) { return a.offset == b.offset; }),
                  starts_.end());
    directoryOffset_ = directoryOffset;
    directoryEnd_ =
        directorySize > UINT64_MAX - directoryOffset ? UINT64_MAX : directoryOffset + directorySize;
    built_ = true;
}

bool MemberLayout::OwnsBytes(std::size_t index, std::uint64_t offset, std::uint64_t end) const {
    const auto at = std::lower_bound(
        starts_.begin(), starts_.end(), offset,
        [](const Start& start, std::uint64_t value) { return start.offset < value; });
    if (at == starts_.end() || at->offset != offset || at->firstEntry != index) return false;
    const auto next = at + 1;
    if (next != starts_.end() && next->offset < end) return false;
    return end <= directoryOffset_ || offset >= directoryEnd_;
}

}  // namespace quillory::zip
