// The summary and damage texts of a run.
#include "document/member_run.h"

#include <string>

#include "platform/path.h"
#include "platform/text.h"

namespace quillory {
namespace {

WString Number(int value) {
    return platform::AsciiToWide(std::to_string(value));
}

}  // namespace

WString ExtractSummaryText(const RunCounts& counts) {
    WString text(texts::kExtractDone);
    if (counts.unsupported > 0)
        text.append(texts::kUnsupportedCountLine) += Number(counts.unsupported);
    if (counts.damaged > 0) text.append(texts::kDamagedCountLine) += Number(counts.damaged);
    return text;
}

WString TestSummaryText(int total, const RunCounts& counts) {
    WString text;
    if (counts.damaged > 0) {
        text = Number(total);
        text.append(texts::kBadOf) += Number(counts.damaged);
        text.append(texts::kBadEnd);
    } else if (counts.unsupported > 0 && counts.goodFiles == 0) {
        text = texts::kNoneChecked;
    } else {
        text = texts::kAllGood;
    }
    if (counts.unsupported > 0)
        text.append(texts::kUnsupportedCountLine) += Number(counts.unsupported);
    return text;
}

WString PathTooLongText(WStringView storedPath) {
    WString text(texts::kPathTooLongBefore);
    text.append(platform::DisplayPath(storedPath)).append(texts::kPathTooLongAfter);
    return text;
}

WString DamagedText(WStringView name) {
    WString text(texts::kDamagedBefore);
    text.append(name).append(texts::kDamagedAfter);
    return text;
}

}  // namespace quillory
