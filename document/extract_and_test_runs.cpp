// The commands that walk the open archive: extract all, extract the selected entries,
// test, and extracting one member to open it with the desktop.
#include <string>

#include "document/archive_paths.h"
#include "document/member_job.h"
#include "document/quillory_doc.h"
#include "document/shown_name.h"
#include "document/texts.h"
#include "platform/output_file.h"
#include "platform/path.h"
#include "platform/private_folder.h"
#include "platform/stop_request.h"

namespace quillory {

RunSummary SummaryOf(const JobResult& result) {
    const RunCounts& counts = result.counts;
    // Members a test could not check count with those of no method it decodes.
    return RunSummary{
        true,           false,          counts.members,       counts.unsupported + counts.unchecked,
        counts.damaged, counts.stopped, counts.archiveDamaged};
}

int ExitStatusOf(const RunSummary& summary) {
    if (!summary.ran) return kExitNotOpened;
    const bool bad =
        summary.damagedCount > 0 || summary.unsupportedCount > 0 || summary.archiveDamaged;
    return bad ? kExitBadMembers : kExitGood;
}

namespace {

RunReport ReportOf(WString text, const JobResult& result, RunKind kind) {
    RunReport report;
    report.text = std::move(text);
    for (const MemberFailure& failure : result.failures)
        report.failures.push_back({ShownName(failure.storedPath), FailureReason(failure)});
    if (kind == RunKind::Test) report.failuresTitle = texts::kUncheckedListTitle;
    return report;
}

}  // namespace

void ShowSummary(UserInterface& ui, const JobResult& result, WString text, RunKind kind,
                 WStringView folder) {
    if (platform::StopRequested()) return;
    if (result.counts.stopped) text = CancelledSummaryText(result.counts);
    RunReport report = ReportOf(std::move(text), result, kind);
    if (!result.counts.stopped && result.counts.goodFiles > 0) report.folder = WString(folder);
    ui.ShowRunSummary(report);
}

RunSummary CQuilloryDoc::RunJob(JobPlan plan, std::function<void(const JobResult&)> finish) {
    // A destination that cannot be had is one message before any member, not one per
    // member.
    lastRun_ = {};
    const bool anyMember = plan.selection ? !plan.selection->empty() : EntryCount() > 0;
    if (plan.kind == RunKind::Extract && anyMember) {
        if (const auto error = platform::PrepareDestination(plan.destFolder)) {
            WString text(texts::kDestinationFailed);
            text.append(u"\n").append(ShownName(platform::DisplayPath(plan.destFolder)));
            text.append(texts::kReasonLabel).append(FileErrorText(*error));
            ui_.ShowMessage(text);
            return {};
        }
    }
    auto summary = std::make_shared<RunSummary>();
    summary->running = true;
    plan.threads = decodingThreads_;
    plan.overwrite = overwrite_;
    host_->Start(std::make_unique<MemberJob>(*this, std::move(plan)), ui_,
                 [this, summary, finish = std::move(finish)](JobResult result) {
                     finish(result);
                     *summary = SummaryOf(result);
                     lastRun_ = *summary;
                 });
    return *summary;
}

void RemoveOldOpenedCopies() {
    for (const char* folder : {kOpenFolderName, kDragFolderName})
        platform::RemoveOldPrivateFiles(folder, kOpenedCopyLifetime);
}

void RemoveOpenedCopies(std::chrono::seconds keepYoungerThan) {
    for (const char* folder : {kOpenFolderName, kDragFolderName})
        platform::RemoveSessionFiles(folder, keepYoungerThan);
}

RunSummary CQuilloryDoc::OnExtractAll() {
    return Extract(nullptr);
}

RunSummary CQuilloryDoc::ExtractEntries(std::span<const int> entryIndices) {
    const std::vector<int> selection(entryIndices.begin(), entryIndices.end());
    return Extract(&selection);
}

RunSummary CQuilloryDoc::Extract(const std::vector<int>* selection) {
    if (isOpen == 0) return {};
    DestinationValues destination;
    destination.folder = settings_.ExtractFolder == kExtractToDesktop ? settings_.desktopFolder
                         : settings_.ExtractFolder == kExtractToLastFolder
                             ? settings_.lastExtractFolder
                             : settings_.myDocumentsFolder;
    destination.createFolder = settings_.CreateFolder;
    destination.useFolders = settings_.UseFolder;
    if (!ui_.AskDestination(&destination)) return {};
    // There is no current folder of the program's own to take a relative destination
    // from: front ends hand over absolute paths, and anything else is refused here.
    if (!platform::IsAbsolutePath(destination.folder)) {
        ui_.ShowMessage(texts::kDestinationNotAbsolute);
        return {};
    }

    JobPlan plan;
    plan.kind = RunKind::Extract;
    if (selection != nullptr) plan.selection = *selection;
    plan.destFolder = destination.createFolder != 0 ? WithReader([&](auto& reader) {
        return ArchiveNamedFolder(destination.folder, reader.archivePath());
    })
                                                    : destination.folder;
    plan.useFolders = destination.useFolders != 0 ? 1 : 0;
    plan.keepDamaged = settings_.KeepDamaged != 0;
    // The folder as typed is remembered, not the archive-named folder below it.
    settings_.lastExtractFolder = destination.folder;
    profile_.WriteString(kLastFolderSection, kLastExtractValue, destination.folder);
    const WString folder = plan.destFolder;
    return RunJob(std::move(plan), [this, folder](const JobResult& result) {
        ShowSummary(ui_, result, ExtractSummaryText(result.counts), RunKind::Extract, folder);
        if (!result.counts.stopped && result.counts.damaged == 0) ExtractionSucceeded(folder);
    });
}

RunSummary CQuilloryDoc::OnTest() {
    if (isOpen == 0) return {};
    const int total = EntryCount();
    JobPlan plan;
    plan.kind = RunKind::Test;
    return RunJob(std::move(plan), [this, total](const JobResult& result) {
        ShowSummary(ui_, result, TestSummaryText(total, result.counts), RunKind::Test, {});
    });
}

RunSummary CQuilloryDoc::ExtractForDrag(std::span<const int> entryIndices, WStringView folder) {
    if (isOpen == 0) return {};
    JobPlan plan;
    plan.kind = RunKind::Extract;
    plan.selection = std::vector<int>(entryIndices.begin(), entryIndices.end());
    plan.destFolder = WString(folder);
    plan.useFolders = 1;
    plan.replaceExisting = true;
    return RunJob(std::move(plan), [](const JobResult&) {});
}

void CQuilloryDoc::OpenEntry(int entryIndex) {
    if (entryIndex < 0 || entryIndex >= EntryCount()) return;
    const WString name = WithReader([&](auto& reader) {
        return WString(WStringView(reader.entries()[static_cast<std::size_t>(entryIndex)].name));
    });
    if (name.empty()) return;  // a folder entry
    const std::optional<WString> folder = platform::SessionFolder(kOpenFolderName);
    const auto failed = [this](int status, const MemberFailure* failure) {
        WString text(texts::kOpenFailed);
        text += platform::AsciiToWide(std::to_string(status));
        text.append(texts::kOpenFailedEnd);
        // A file that could not be made says where and why; a bad password says so.
        if (failure != nullptr && failure->kind != FailureClass::Damaged &&
            failure->kind != FailureClass::PathTooLong) {
            text.append(u"\n").append(FailureText(*failure));
        }
        ui_.ShowMessage(text);
    };
    if (!folder) return failed(kCreateFailedStatus, nullptr);
    JobPlan plan;
    plan.kind = RunKind::Extract;
    plan.selection = std::vector<int>{entryIndex};
    plan.destFolder = *folder;
    plan.useFolders = 0;
    plan.reportFailures = false;
    // The private copy is the program's own: an earlier one is refreshed without asking.
    plan.replaceExisting = true;
    RunJob(std::move(plan), [this, failed, path = *folder + name](const JobResult& result) {
        if (result.counts.goodFiles == 1) return ui_.ShellOpen(path);
        // Interrupted: by a signal the program quits; by the user nothing is to be said.
        if (result.counts.stopped || platform::StopRequested()) return;
        failed(result.lastFailureStatus,
               result.failures.empty() ? nullptr : &result.failures.back());
    });
}

}  // namespace quillory
