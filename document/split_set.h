// Archives split into parts, opened from any one of them: PKWARE's split sets
// (NAME.z01, NAME.z02, ... NAME.zip, as `zip -s` and WinZip write them), whose parts are
// disks that the records number, and plain pieces cut at any byte (NAME.zip.001,
// NAME.zip.002, ..., as 7-Zip's volumes and file splitters write them). The parts are
// found by their names beside the one given and read one after another as one archive.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/byte_source.h"
#include "platform/file.h"
#include "platform/text.h"

namespace quillory {

struct SplitSet {
    WString name;                // the whole's path: NAME.zip, which names its kind
    std::vector<WString> parts;  // the parts there are, in order, up to the first gap
    bool disks = false;          // PKWARE's: the parts are the archive's disks
    // The first part that is not there, or is shorter than the parts before it, when the
    // names already tell (a short part, NAME.zip missing from a PKWARE set).
    std::optional<WString> missing;
    // The part that would follow the last one of `parts` (before NAME.zip in a PKWARE set):
    // the missing one when the archive says it needs more than there are.
    WString next;
    // From `next` on, the parts numbered up to the last one found beyond the gap, missing
    // ones included, then NAME.zip of a PKWARE set: with the missing ones read as nothing
    // of the first part's size, the parts after a gap keep their places.
    std::vector<WString> afterGap;
};

// The set that path is a part of; nothing for a path that names no part (a .zip with no
// NAME.z01 beside it, any other name).
std::optional<SplitSet> SplitSetOf(WStringView path);

// The first `count` parts of the set as one source named after the whole; null, with the
// host's reason, when a part cannot be opened.
std::shared_ptr<const ByteSource> OpenSplitSet(const SplitSet& set, std::size_t count,
                                               platform::FileErrorInfo* error);

// The parts before the gap and after it, each missing one standing in as nothing of the
// first part's size; null when the parts give no size to go by or one cannot be opened.
std::shared_ptr<const ByteSource> OpenSplitSetAcrossGaps(const SplitSet& set,
                                                         platform::FileErrorInfo* error);

// The file name of a part, as the message names it.
WString PartName(WStringView part);

}  // namespace quillory
