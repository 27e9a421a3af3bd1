// Where the members' bytes lie in the archive, to refuse members that share them: a
// member owns the bytes from its local header to the end of its data descriptor, and
// those must reach neither another member's local header nor the central directory.
// Many entries naming one local header, or a member's data that holds the next member's
// header (the overlapping "zip bomb"), would otherwise extract the same bytes again and
// again; here the first entry (in directory order) of a shared header owns it, and a
// member whose bytes run over another's header owns nothing. Good members' bytes are
// therefore disjoint, and extracting all of them costs no more than the archive holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

namespace quillory {
struct ZipEntry;
}  // namespace quillory

namespace quillory::zip {

class MemberLayout {
public:
    explicit MemberLayout(std::pmr::memory_resource* memory) : starts_(memory) {}

    // Forgets the layout (the archive was closed or another one opened).
    void Clear();

    // Notes every entry's local-header offset, sorted, and the directory's place. Cheap
    // when the entries come in offset order, as writers put them; done once per archive.
    void Build(const std::pmr::vector<ZipEntry>& entries, std::uint64_t directoryOffset,
               std::uint64_t directorySize);
    bool Built() const { return built_; }

    // True when entry `index`, whose local header is at `offset` and whose bytes end at
    // `end`, is the first entry at that header and its bytes reach no other header and
    // not the central directory.
    bool OwnsBytes(std::size_t index, std::uint64_t offset, std::uint64_t end) const;

private:
    // One per distinct local-header offset, with the first entry that names it.
    struct Start {
        std::uint64_t offset;
        std::uint32_t firstEntry;
    };
    std::pmr::vector<Start> starts_;
    std::uint64_t directoryOffset_ = 0;
    std::uint64_t directoryEnd_ = 0;
    bool built_ = false;
};

}  // namespace quillory::zip
