// Start-up, the automatic extraction and the desktop entry's actions: each opens the
// archive named on the command line, runs over it without the main window and quits.
#include "document/startup.h"

#include "document/archive_paths.h"
#include "document/member_job.h"
#include "document/recent_archives.h"
#include "document/settings.h"
#include "document/texts.h"
#include "platform/path.h"

namespace quillory {
namespace {

WString WithTrailingSeparator(WStringView folder) {
    WString result(folder);
    if (!result.empty() && !platform::IsPathSeparator(result.back())) result += u'\\';
    return result;
}

// Every member of the open archive into the folder that destinationOf(archive path)
// gives, then the summary message.
template <class Destination>
RunSummary ExtractEveryMember(CQuilloryDoc& doc, Destination destinationOf, bool showProgress) {
    const WString destination = doc.WithReader(
        [&](auto& reader) { return destinationOf(WStringView(reader.archivePath())); });
    // Without a desktop or documents folder (or with an archive path that names no folder)
    // the destination would be relative, resolved against whatever the current folder is.
    if (!platform::IsAbsolutePath(destination)) {
        doc.ui().ShowMessage(texts::kDestinationNotAbsolute);
        return {};
    }
    JobPlan plan;
    plan.kind = RunKind::Extract;
    plan.destFolder = destination;
    plan.useFolders = doc.settings().UseFolder != 0 ? 1 : 0;
    plan.keepDamaged = doc.settings().KeepDamaged != 0;
    plan.showProgress = showProgress;
    return doc.RunJob(std::move(plan), [&doc, destination](const JobResult& result) {
        // The user chose no folder: the summary says where the files went.
        WString text = ExtractSummaryText(result.counts);
        text.append(texts::kDestinationLine).append(platform::DisplayPath(destination));
        ShowSummary(doc.ui(), result, std::move(text), RunKind::Extract, destination);
        if (!result.counts.stopped && result.counts.damaged == 0)
            doc.ExtractionSucceeded(destination);
    });
}

// The run that quits the program once the archive is open.
void RunAndQuit(CQuilloryDoc& doc, StartupAction action) {
    switch (action) {
        case StartupAction::Open:
            AutoExtract(doc);
            break;
        case StartupAction::ExtractHere:
            ExtractHere(doc);
            break;
        case StartupAction::Test:
            doc.OnTest();
            break;
    }
    // The program quits once the run has ended.
    doc.jobHost().Wait();
}

}  // namespace

StartupResult StartUp(CQuilloryDoc& doc, const StartupRequest& request, int* exitStatus) {
    const auto quit = [exitStatus](int status) {
        if (exitStatus != nullptr) *exitStatus = status;
        return StartupResult::Quit;
    };
    ApplicationSettings& settings = doc.settings();
    settings.desktopFolder = WithTrailingSeparator(request.desktopFolder);
    settings.myDocumentsFolder = WithTrailingSeparator(request.myDocumentsFolder);
    ReadSettings(doc.profile(), &settings);

    // Any value but "never" and "only newer" asks for every existing file.
    doc.ApplyOverwriteChoice(settings.OverwriteInquire);

    std::optional<WString> archive = request.archive;
    if (!archive && request.action != StartupAction::Open) {
        // An action from the launcher's menu comes without a file: the user picks one.
        archive = doc.AskArchivePath();
        if (!archive) return quit(kExitGood);
    }
    if (archive) {
        const bool opened = doc.OpenArchive(*archive) != 0;
        if (!opened) doc.ShowOpenFailure(*archive);
        if (settings.AutoExtract != 0 || request.action != StartupAction::Open) {
            // An archive that was never read is not reported as extracted or tested.
            if (!opened) return quit(kExitNotOpened);
            RunAndQuit(doc, request.action);
            doc.CloseArchive();
            return quit(ExitStatusOf(doc.lastRun()));
        }
        // Opened for the window: one of the recent archives now, and the open dialog
        // starts in its folder, as after the dialog.
        if (opened) AddRecentArchive(doc.profile(), *archive);
        doc.RememberOpenFolder(*archive);
        doc.UpdateAllViews();
    }
    return StartupResult::ShowMainWindow;
}

RunSummary AutoExtract(CQuilloryDoc& doc) {
    if (doc.isOpen == 0) return {};
    const ApplicationSettings& settings = doc.settings();
    const WStringView base = settings.AutoExtractMethod == kAutoExtractToMyDocuments
                                 ? WStringView(settings.myDocumentsFolder)
                                 : WStringView(settings.desktopFolder);
    return ExtractEveryMember(
        doc, [&](WStringView archive) { return ArchiveNamedFolder(base, archive); }, false);
}

RunSummary ExtractHere(CQuilloryDoc& doc) {
    if (doc.isOpen == 0) return {};
    const bool namedFolder = doc.settings().CreateFolder != 0;
    return ExtractEveryMember(
        doc,
        [&](WStringView archive) {
            const WString folder = FolderOfPath(archive);
            return namedFolder ? ArchiveNamedFolder(folder, archive) : folder;
        },
        true);
}

}  // namespace quillory
