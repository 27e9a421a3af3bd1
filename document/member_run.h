// One walk over an archive's members, shared by extract all, extract selected, the test
// and the automatic extraction: each member through the reader in turn, every failure
// classified, a damaged member reported at once, progress shown when asked for. A failing
// member never stops the walk; a requested stop (an interrupt) ends it after the member
// being decoded, which leaves nothing behind.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "document/member_outcome.h"
#include "document/texts.h"
#include "document/user_interface.h"
#include "platform/file.h"
#include "platform/stop_request.h"

namespace quillory {

struct RunCounts {
    int members = 0;      // members handed to the reader
    int unsupported = 0;  // counted in tests too, where the summary leaves it out
    int damaged = 0;
    int goodFiles = 0;     // members other than folder entries that came out good
    bool stopped = false;  // a stop was requested: the walk ended early
};

// "展開終了", then a line for each non-zero count.
WString ExtractSummaryText(const RunCounts& counts);
// "すべてのファイルは正常です。" or "<total>ファイル中<damaged>ファイルが不正です。", and the
// unsupported count's line when some member could not be checked; a test that checked
// no file at all because every one was unsupported says so instead of calling it good.
WString TestSummaryText(int total, const RunCounts& counts);
// "ファイルが壊れています。 [<name>]".
WString DamagedText(WStringView name);
// "パスが長すぎるため展開できません。 [<stored path>]", the path as the host shows it.
WString PathTooLongText(WStringView storedPath);

// Walks the entries that selection names by index, in its order, or every entry in
// table order when it is null. Indices outside the table are passed over (but still
// step the bar, which counts the selection).
template <class Reader>
RunCounts RunMembers(Reader& reader, UserInterface& ui, RunKind kind,
                     const std::vector<int>* selection, bool showProgress) {
    const int tableSize = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(std::max(reader.entryCount, 0)), reader.entries.size()));
    const int total = selection != nullptr ? static_cast<int>(selection->size()) : tableSize;
    RunCounts counts;
    platform::StartOutputRun();
    if (showProgress) ui.OpenProgress(total);
    for (int i = 0; i < total; ++i) {
        if (platform::StopRequested()) {
            counts.stopped = true;
            break;
        }
        const int index = selection != nullptr ? (*selection)[static_cast<std::size_t>(i)] : i;
        if (index >= 0 && index < tableSize) {
            const auto& entry = reader.entries[static_cast<std::size_t>(index)];
            const WStringView name(entry.name);
            if (showProgress) ui.SetProgressName(name);
            ++counts.members;
            if (reader.ExtractEntry(&entry) != 0) {
                // A folder entry has no file name, as in the list.
                if (!name.empty()) ++counts.goodFiles;
            } else {
                switch (ClassifyFailure(reader.status, kind)) {
                    case FailureClass::Unsupported:
                        ++counts.unsupported;
                        break;
                    case FailureClass::Ignored:
                        // A test reports damage only, but the caller still learns of
                        // members it could not check (the tool's exit status).
                        if (kind == RunKind::Test &&
                            ClassifyFailure(reader.status, RunKind::Extract) ==
                                FailureClass::Unsupported) {
                            ++counts.unsupported;
                        }
                        break;
                    case FailureClass::Damaged:
                        ui.ShowMessage(DamagedText(name));
                        ++counts.damaged;
                        break;
                    case FailureClass::PathTooLong:
                        ui.ShowMessage(
                            PathTooLongText(WString(WStringView(entry.path)) + WString(name)));
                        ++counts.damaged;
                        break;
                }
            }
        }
        if (showProgress) ui.StepProgress();
    }
    if (showProgress) ui.CloseProgress();
    return counts;
}

}  // namespace quillory
