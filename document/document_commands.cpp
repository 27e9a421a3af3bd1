// The commands that walk the open archive: extract all, extract the selected entries,
// test, and extracting one member to open it with the desktop.
#include <string>

#include "document/archive_paths.h"
#include "document/member_run.h"
#include "document/quillory_doc.h"
#include "document/texts.h"
#include "platform/path.h"
#include "platform/private_folder.h"

namespace quillory {
namespace {

RunSummary Summary(const RunCounts& counts) {
    return RunSummary{true, counts.members, counts.unsupported, counts.damaged, counts.stopped};
}

// What the reader reports when the member could not be written where it should go; the
// same number in both readers, shown when no private folder can be had.
constexpr int kCreateFailedStatus = static_cast<int>(LzhStatus::CreateFailed);
static_assert(kCreateFailedStatus == static_cast<int>(ZipStatus::CreateFailed));

}  // namespace

void RemoveOldOpenedCopies() {
    platform::RemoveOldPrivateFiles(kOpenFolderName, kOpenedCopyLifetime);
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

    const RunCounts counts = WithReader([&](auto& reader) {
        reader.destFolder = destination.createFolder != 0
                                ? ArchiveNamedFolder(destination.folder, reader.archivePath)
                                : destination.folder;
        reader.useFolders = destination.useFolders != 0 ? 1 : 0;
        reader.testMode = 0;
        return RunMembers(reader, ui_, RunKind::Extract, selection, true);
    });
    // An interrupted run ends without a summary: the program is about to quit.
    if (!counts.stopped) ui_.ShowMessage(ExtractSummaryText(counts));
    // The folder as typed is remembered, not the archive-named folder below it.
    settings_.lastExtractFolder = destination.folder;
    profile_.WriteString(kLastFolderSection, kLastExtractValue, destination.folder);
    return Summary(counts);
}

RunSummary CQuilloryDoc::OnTest() {
    if (isOpen == 0) return {};
    const int total = EntryCount();
    const RunCounts counts = WithReader([&](auto& reader) {
        reader.testMode = 1;
        return RunMembers(reader, ui_, RunKind::Test, nullptr, true);
    });
    if (!counts.stopped) ui_.ShowMessage(TestSummaryText(total, counts));
    return Summary(counts);
}

void CQuilloryDoc::OpenEntry(int entryIndex) {
    if (entryIndex < 0 || entryIndex >= EntryCount()) return;
    WithReader([&](auto& reader) {
        const auto& entry = reader.entries[static_cast<std::size_t>(entryIndex)];
        const WStringView name(entry.name);
        if (name.empty()) return;  // a folder entry
        reader.useFolders = 0;
        reader.testMode = 0;
        const std::optional<WString> folder = platform::PrivateFolder(kOpenFolderName);
        int status = kCreateFailedStatus;
        if (folder) {
            platform::StartOutputRun();
            reader.destFolder = *folder;
            if (reader.ExtractEntry(&entry) != 0) {
                ui_.ShellOpen(*folder + WString(name));
                return;
            }
            status = static_cast<int>(reader.status);
            if (platform::StopRequested()) return;  // interrupted: the program quits
        }
        WString text(texts::kOpenFailed);
        text += platform::AsciiToWide(std::to_string(status));
        text.append(texts::kOpenFailedEnd);
        ui_.ShowMessage(text);
    });
}

}  // namespace quillory
