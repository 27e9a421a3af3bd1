// The member loop of a job, and the inline host. One walk serves extract all, extract
// selected, the test, the automatic extraction, extract here and opening one member:
// each member through the reader in turn, every failure classified, reported and kept
// for the summary. A failing member never stops the walk; a stop (the token, an
// interrupt, or the user's No after too many failure messages) ends it after the member
// being decoded, which leaves nothing behind.
#include "document/member_job.h"

#include <algorithm>
#include <cstddef>

#include "common/output_files.h"
#include "document/extract_callback_impl.h"
#include "document/quillory_doc.h"
#include "document/texts.h"
#include "platform/file.h"
#include "platform/stop_request.h"

namespace quillory {
namespace {

// Where a member was to be written, for the message when its file could not be made:
// the destination, then its folders when they are recreated, then its name.
template <class Entry>
WString OutputPathOf(WStringView destFolder, int useFolders, const Entry& entry) {
    WString relative(WStringView(entry.name));
    if (useFolders == 1) relative.insert(0, WStringView(entry.path));
    WString path(destFolder);
    if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += u'\\';
    return path.append(WithoutLeadingSeparators(relative));
}

// Puts a reader's run settings back when the walk ends, however it ends.
template <class Reader>
class ReaderSettingsKept {
public:
    explicit ReaderSettingsKept(Reader& reader)
        : reader_(reader),
          callback_(reader.callback),
          overwriteWithoutAsking_(reader.overwriteWithoutAsking) {}
    ~ReaderSettingsKept() {
        reader_.callback = callback_;
        reader_.overwriteWithoutAsking = overwriteWithoutAsking_;
    }
    ReaderSettingsKept(const ReaderSettingsKept&) = delete;
    ReaderSettingsKept& operator=(const ReaderSettingsKept&) = delete;

private:
    Reader& reader_;
    ExtractCallback* callback_;
    int overwriteWithoutAsking_;
};

}  // namespace

JobHost::~JobHost() = default;

JobResult MemberJob::Run(UserInterface& ui, std::stop_token stop) {
    JobResult result;
    {
        // The readers' output sinks look at the process-wide request with each piece.
        std::stop_callback raise(stop, [] { platform::RequestStop(0); });
        result = doc_.WithReader([&](auto& reader) { return Walk(reader, ui, stop); });
    }
    // A stop asked for by the user ends this run only; one from a signal ends the program
    // and stays for the front end to see.
    if (stop.stop_requested() && platform::StopSignal() == 0) platform::ResetStopRequest();
    return result;
}

template <class Reader>
JobResult MemberJob::Walk(Reader& reader, UserInterface& ui, const std::stop_token& stop) {
    const int tableSize = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(std::max(reader.entryCount, 0)), reader.entries.size()));
    const std::vector<int>* selection = plan_.selection ? &*plan_.selection : nullptr;
    const int total = selection != nullptr ? static_cast<int>(selection->size()) : tableSize;
    const auto indexAt = [&](int i) {
        return selection != nullptr ? (*selection)[static_cast<std::size_t>(i)] : i;
    };

    ReaderSettingsKept<Reader> kept(reader);
    CExtractCallbackImpl callback(ui);
    reader.callback = &callback;
    reader.testMode = plan_.kind == RunKind::Test ? 1 : 0;
    if (plan_.kind == RunKind::Extract) {
        reader.destFolder = plan_.destFolder;
        reader.useFolders = plan_.useFolders != 0 ? 1 : 0;
        if (plan_.replaceExisting) reader.overwriteWithoutAsking = 1;
    }

    JobResult result;
    result.total = total;
    RunCounts& counts = result.counts;
    platform::StartOutputRun();
    if (plan_.showProgress) {
        ui.OpenProgress(total);
        std::uint64_t totalBytes = 0;
        for (int i = 0; i < total; ++i) {
            const int index = indexAt(i);
            if (index >= 0 && index < tableSize)
                totalBytes += reader.entries[static_cast<std::size_t>(index)].originalSize;
        }
        callback.StartProgress(totalBytes);
    }
    const int messagesBeforeAsking = ui.FailureMessagesBeforeAsking();
    int messagesShown = 0;
    bool quiet = false;
    bool stoppedByUser = false;
    for (int i = 0; i < total; ++i) {
        if (stoppedByUser || stop.stop_requested() || platform::StopRequested()) {
            counts.stopped = true;
            break;
        }
        const int index = indexAt(i);
        if (index >= 0 && index < tableSize) {
            const auto& entry = reader.entries[static_cast<std::size_t>(index)];
            const WStringView name(entry.name);
            if (plan_.showProgress) ui.SetProgressName(name);
            ++counts.members;
            const int extracted = reader.ExtractEntry(&entry);
            if (extracted != 0 || !IsStopped(reader.status)) ++counts.finished;
            if (extracted != 0) {
                // A folder entry has no file name, as in the list.
                if (!name.empty()) ++counts.goodFiles;
                callback.TakePasswordCancelled();
            } else {
                MemberFailure failure;
                failure.kind = ClassifyFailure(reader.status, plan_.kind);
                failure.passwordCancelled = callback.TakePasswordCancelled();
                switch (failure.kind) {
                    case FailureClass::Unsupported:
                        ++counts.unsupported;
                        result.lastFailureStatus = static_cast<int>(reader.status);
                        break;
                    case FailureClass::Ignored:
                        // A test reports damage only, but the caller still learns of
                        // members it could not check (the tool's exit status).
                        if (plan_.kind == RunKind::Test &&
                            ClassifyFailure(reader.status, RunKind::Extract) ==
                                FailureClass::Unsupported) {
                            ++counts.unsupported;
                        }
                        result.lastFailureStatus = static_cast<int>(reader.status);
                        break;
                    default: {
                        ++counts.damaged;
                        result.lastFailureStatus = static_cast<int>(reader.status);
                        failure.name = WString(name);
                        failure.storedPath = WString(WStringView(entry.path)) + WString(name);
                        failure.outputPath =
                            OutputPathOf(reader.destFolder, reader.useFolders, entry);
                        failure.error = platform::LastFileError();
                        if (plan_.reportFailures && !quiet) {
                            const WString text = FailureText(failure);
                            if (messagesBeforeAsking > 0 && messagesShown >= messagesBeforeAsking) {
                                // Enough boxes: the user may go on without them, or stop.
                                quiet = true;
                                if (!ui.AskYesNo(text + WString(texts::kGoOnQuietly)))
                                    stoppedByUser = true;
                            } else {
                                ui.ShowMessage(text);
                                ++messagesShown;
                            }
                        }
                        result.failures.push_back(std::move(failure));
                        break;
                    }
                }
            }
        }
        if (plan_.showProgress) {
            callback.ReportProgress(false);
            ui.StepProgress();
        }
    }
    // A stop during the last member ends the run as much as one between members.
    if (stoppedByUser || stop.stop_requested() || platform::StopRequested()) counts.stopped = true;
    if (plan_.showProgress) {
        callback.ReportProgress(true);
        ui.CloseProgress();
    }
    return result;
}

void InlineJobHost::Start(std::unique_ptr<MemberJob> job, UserInterface& ui, Finished onFinished) {
    if (busy_) return;
    busy_ = true;
    stop_ = std::stop_source();
    JobResult result = job->Run(ui, stop_.get_token());
    busy_ = false;
    if (onFinished) onFinished(std::move(result));
}

void InlineJobHost::RequestStop() {
    stop_.request_stop();
}

}  // namespace quillory
