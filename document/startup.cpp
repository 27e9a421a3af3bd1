// Start-up and the automatic extraction.
#include "document/startup.h"

#include "document/archive_paths.h"
#include "document/member_run.h"
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

}  // namespace

StartupResult StartUp(CQuilloryDoc& doc, const StartupRequest& request) {
    ApplicationSettings& settings = doc.settings();
    settings.desktopFolder = WithTrailingSeparator(request.desktopFolder);
    settings.myDocumentsFolder = WithTrailingSeparator(request.myDocumentsFolder);
    ReadSettings(doc.profile(), &settings);

    // Any value but "never" and "only newer" asks for every existing file.
    doc.ApplyOverwriteChoice(settings.OverwriteInquire);
    const int useFolders = settings.UseFolder != 0 ? 1 : 0;
    doc.lzhArchive->useFolders = useFolders;
    doc.zipArchive->useFolders = useFolders;

    if (request.archive) {
        const bool opened = doc.OpenArchive(*request.archive) != 0;
        if (!opened) doc.ui().ShowMessage(texts::kCannotOpen);
        if (settings.AutoExtract != 0) {
            // An archive that was never read is not reported as extracted.
            if (opened) {
                AutoExtract(doc);
                doc.CloseArchive();
            }
            return StartupResult::Quit;
        }
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
    const WString destination =
        doc.WithReader([&](auto& reader) { return ArchiveNamedFolder(base, reader.archivePath); });
    // Without a desktop or documents folder the name alone would be a relative path.
    if (!platform::IsAbsolutePath(destination)) {
        doc.ui().ShowMessage(texts::kDestinationNotAbsolute);
        return {};
    }
    const RunCounts counts = doc.WithReader([&](auto& reader) {
        reader.destFolder = destination;
        reader.testMode = 0;
        return RunMembers(reader, doc.ui(), RunKind::Extract, nullptr, false);
    });
    doc.ui().ShowMessage(ExtractSummaryText(counts));
    return RunSummary{true, counts.members, counts.unsupported, counts.damaged};
}

}  // namespace quillory
