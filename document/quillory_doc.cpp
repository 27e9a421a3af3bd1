// The document: construction, reader choice, open and close, the settings command and
// the views. The extraction and test commands are in extract_and_test_runs.cpp.
#include "document/quillory_doc.h"

#include <algorithm>

#include "document/archive_kind.h"
#include "document/archive_paths.h"
#include "document/commands.h"
#include "document/recent_archives.h"
#include "document/split_set.h"
#include "document/texts.h"
#include "platform/codepage.h"

namespace quillory {
namespace {

// The extensions that choose one reader alone; compared exactly, case included.
constexpr WStringView kLzhExtension = u".lzh";
constexpr WStringView kZipExtension = u".zip";

}  // namespace

CQuilloryDoc::CQuilloryDoc(UserInterface& ui, ApplicationSettings& settings,
                           platform::Profile& profile)
    : ui_(ui), settings_(settings), profile_(profile) {
    lzhArchive = std::make_unique<LzhArchive>();
    zipArchive = std::make_unique<ZipArchive>();
    isOpen = 0;
}

// An open archive is not closed first: its source goes with its reader.
CQuilloryDoc::~CQuilloryDoc() {
    RemoveOpenedCopies();
}

void CQuilloryDoc::AddView(DocumentView* view) {
    views_.push_back(view);
}

void CQuilloryDoc::RemoveView(DocumentView* view) {
    std::erase(views_, view);
}

void CQuilloryDoc::UpdateAllViews() {
    for (DocumentView* view : views_)
        view->OnUpdate();
}

bool CQuilloryDoc::OnCommand(int id) {
    if (CommandTargetOf(id) != CommandTarget::Document) return false;
    if (IsEncodingCommand(id)) {
        ChooseNameEncoding(CodePageOfCommand(id));
        return true;
    }
    switch (id) {
        case kCommandFileOpen:
            OnFileOpen();
            break;
        case kCommandFileClose:
            OnFileClose();
            break;
        case kCommandExtractAll:
            OnExtractAll();
            break;
        case kCommandTest:
            OnTest();
            break;
        case kCommandSettings:
            OnSettings();
            break;
    }
    return true;
}

std::optional<WString> CQuilloryDoc::AskArchivePath() {
    const WStringView initialFolder = settings_.StartupFolder == kOpenFromLastFolder
                                          ? WStringView(settings_.lastOpenFolder)
                                          : WStringView(settings_.myDocumentsFolder);
    return ui_.AskArchivePath(texts::kArchiveFilters, initialFolder);
}

void CQuilloryDoc::OnFileOpen() {
    const std::optional<WString> path = AskArchivePath();
    if (path) OpenChosen(*path);
}

void CQuilloryDoc::OpenChosen(WStringView path) {
    if (isOpen == 1) {
        if (!ui_.AskYesNo(texts::kCloseOpenArchive)) return;
        OnFileClose();
    }
    if (OpenArchive(path) != 0) {
        AddRecentArchive(profile_, path);
        UpdateAllViews();
        ui_.RepaintActiveView();
    } else {
        ShowOpenFailure(path);
    }
    // The folder is remembered whether or not the file opened.
    RememberOpenFolder(path);
}

void CQuilloryDoc::RememberOpenFolder(WStringView archivePath) {
    settings_.lastOpenFolder = FolderOfPath(archivePath);
    profile_.WriteString(kLastFolderSection, kLastOpenValue, settings_.lastOpenFolder);
}

void CQuilloryDoc::OnFileClose() {
    if (CloseArchive() != 0) UpdateAllViews();
}

void CQuilloryDoc::ShowOpenFailure(WStringView path) {
    ui_.ShowMessage(OpenFailureText(path, openFailure_));
}

int CQuilloryDoc::OpenArchive(WStringView path) {
    openFailure_ = {};
    splitWarning_.reset();
    // A part of a split set opens the whole set, named and kinded as its NAME.zip.
    const std::optional<SplitSet> split = SplitSetOf(path);
    const WString archivePath = split ? split->name : WString(path);
    // The file (every part of a set) is opened once; both readers, if both look, read the
    // same source.
    std::shared_ptr<const ByteSource> source =
        split ? OpenSplitSet(*split, split->parts.size(), &openFailure_.error)
              : FileSource::Open(path, &openFailure_.error);
    int opened = 0;
    if (source != nullptr) {
        opened = OpenSource(source, archivePath);
    } else if (!split || !split->parts.empty()) {
        openFailure_.lzh = LzhStatus::OpenFailed;
        return 0;
    }
    // A set's last part alone, without NAME.z01 beside it: the set's first part is missing.
    if (!split && openFailure_.zip == ZipStatus::MultiDisk && path.size() > 4) {
        const WStringView stem = path.substr(0, path.size() - 4);
        const WStringView extension = path.substr(stem.size());
        if (extension == u".zip" || extension == u".ZIP") {
            WString text(texts::kSplitPartBefore);
            text.append(PartName(WString(stem) + (extension[1] == u'Z' ? u".Z01" : u".z01")))
                .append(texts::kSplitPartAfter);
            openFailure_.splitPartMissing = text;
        }
    }
    if (split) {
        std::optional<WString> missing = split->missing;
        const bool gap = !missing && (split->disks ? openFailure_.zip == ZipStatus::MultiDisk
                                                   : opened == 0 || OpenWarning());
        // Closes what an attempt opened, keeping the chosen encoding and the name bar's
        // path for the next.
        const auto forgetReader = [this] {
            if (isOpen == 0) return;
            WithReader([](auto& reader) { reader.Close(); });
            isOpen = 0;
        };
        if (gap) {
            // The records count more disks than there are, or pieces end before the
            // archive does: the next part is missing. With the parts after it in their
            // places, the directory may still be read and the members outside the gap
            // extract; else the members before the gap are what there is.
            missing = PartName(split->next);
            const auto across = OpenSplitSetAcrossGaps(*split, &openFailure_.error);
            const bool whole = across != nullptr && OpenSource(across, archivePath) != 0 &&
                               archiveType == ArchiveType::Zip &&
                               zipArchive->warning() == ZipStatus::Ok;
            if (!whole && split->disks) {
                forgetReader();
                source = OpenSplitSet(*split, split->parts.size() - 1, &openFailure_.error);
                opened = source != nullptr ? OpenSource(source, archivePath) : 0;
            } else if (!whole && across != nullptr) {
                // Pieces: the members before the gap, as first read.
                forgetReader();
                opened = source != nullptr ? OpenSource(source, archivePath) : 0;
            } else if (whole) {
                opened = 1;
            }
        }
        if (missing) {
            WString text(texts::kSplitPartBefore);
            text.append(*missing).append(texts::kSplitPartAfter);
            if (opened != 0) {
                splitWarning_ = text;
            } else {
                openFailure_.splitPartMissing = text;
            }
        }
    }
    // The warning comes with a successful open; the archive stays open.
    if (opened != 0) {
        if (const auto warning = OpenWarning()) ui_.ShowMessage(*warning);
    }
    return opened;
}

int CQuilloryDoc::OpenSource(const std::shared_ptr<const ByteSource>& source, WStringView path) {
    // The last '.' of the whole path decides; without one, the previous archive's kind
    // stays and chooses again.
    bool namedLzh = false;
    if (const std::size_t dot = path.rfind(u'.'); dot != WStringView::npos) {
        const WStringView extension = path.substr(dot);
        namedLzh = extension == kLzhExtension;
        archiveType = namedLzh                     ? ArchiveType::Lzh
                      : extension == kZipExtension ? ArchiveType::Zip
                                                   : ArchiveType::None;
    }
    // A file of another format is named as such, whatever its name, and never read as a
    // damaged archive; a program is looked into, as it may carry an archive.
    const std::optional<ForeignFormat> foreign = ForeignFormatOf(*source);
    if (foreign && !foreign->program) {
        openFailure_.foreignFormat = foreign->name;
        return 0;
    }
    // What the file holds outweighs a name that says otherwise: an LZH archive named
    // .zip, or a ZIP archive named .lzh, goes to the reader of its content.
    const ArchiveType content = ArchiveKindByContent(*source);
    if (content != ArchiveType::None && archiveType != ArchiveType::None) archiveType = content;
    const bool eitherReader = archiveType == ArchiveType::None;
    const NameEncoding encoding = Encoding();
    // Another archive's password is not this one's.
    password_.Clear();
    if (archiveType == ArchiveType::Lzh || eitherReader) {
        const Outcome<LzhStatus> lzh = lzhArchive->Open(source, path, encoding);
        // Only a file named .lzh is read as LZH when its first header does not check out;
        // any other is taken for one only on a sound first header.
        if (lzh.ok() && !namedLzh && !lzhArchive->firstHeaderChecked()) {
            lzhArchive->Close();
            openFailure_.lzh = LzhStatus::BadHeader;
        } else if (lzh.ok()) {
            // When either reader may have the file, a listing that ended in a warning gives
            // way to a ZIP reader that accepts the file whole: a ZIP archive behind a stub
            // that happens to start like an LZH header.
            if (eitherReader && ListingWarning(lzhArchive->warning()) &&
                zipArchive->Open(source, path, encoding).ok() &&
                zipArchive->warning() == ZipStatus::Ok) {
                lzhArchive->Close();
                return OpenedIn(ArchiveType::Zip, path);
            }
            // A ZIP listing from local headers alone does not outweigh the LZH one.
            zipArchive->Close();
            return OpenedIn(ArchiveType::Lzh, path);
        } else {
            openFailure_.lzh = lzh.status;
        }
    }
    if (archiveType == ArchiveType::Zip || eitherReader) {
        const Outcome<ZipStatus> zip = zipArchive->Open(source, path, encoding);
        if (zip.ok()) return OpenedIn(ArchiveType::Zip, path);
        openFailure_.zip = zip.status;
    }
    // A ZIP signature or an LZH header at the start means a damaged archive, not a file of
    // another kind; a program with no archive in it is named.
    openFailure_.archiveStartSeen = content != ArchiveType::None;
    if (foreign) openFailure_.foreignFormat = foreign->name;
    return 0;
}

int CQuilloryDoc::OpenedIn(ArchiveType type, WStringView path) {
    ui_.SetArchiveName(path);
    isOpen = 1;
    archiveType = type;
    return 1;
}

int CQuilloryDoc::CloseArchive() {
    if (isOpen == 0) return 1;
    WithReader([](auto& reader) { reader.Close(); });
    RemoveOpenedCopies();
    // A chosen encoding was for the archive in hand.
    ForgetNameEncoding();
    ui_.SetArchiveName(u"");
    isOpen = 0;
    return 1;
}

void CQuilloryDoc::ForgetNameEncoding() {
    nameEncoding_.clear();
}

NameEncoding CQuilloryDoc::Encoding() const {
    if (nameEncoding_.empty()) return {};
    if (const auto chosen = platform::CodePage::Named(nameEncoding_)) return {*chosen, true};
    return {};
}

bool CQuilloryDoc::ChooseNameEncoding(std::string_view codePage) {
    if (codePage.empty()) {
        nameEncoding_.clear();
    } else {
        const auto chosen = platform::CodePage::Named(codePage);
        if (!chosen) return false;
        nameEncoding_ = chosen->name();
    }
    if (isOpen == 0) return true;
    // The open archive's names again, from the bytes already open, in the same reader.
    const bool reread = WithReader([this](auto& reader) {
        const std::shared_ptr<const ByteSource> source = reader.sharedSource();
        const WString path = reader.archivePath();
        return reader.Open(source, path, Encoding()).ok();
    });
    if (!reread) {
        CloseArchive();
        ui_.ShowMessage(texts::kCannotOpen);
    }
    UpdateAllViews();
    return true;
}

void CQuilloryDoc::ApplyOverwriteChoice(int choice) {
    // Any value but "never" and "only newer" asks for every existing file.
    overwrite_ = choice == kOverwriteNever        ? OverwriteRule::Never
                 : choice == kOverwriteAskIfNewer ? OverwriteRule::AskIfNewer
                                                  : OverwriteRule::AlwaysAsk;
}

void CQuilloryDoc::OnSettings() {
    SettingsValues values;
    values.DisplayFolder = settings_.DisplayFolder;
    values.CreateFolder = settings_.CreateFolder;
    values.UseFolder = settings_.UseFolder;
    values.AutoExtract = settings_.AutoExtract;
    values.AutoExtractMethod = settings_.AutoExtractMethod;
    values.StartupFolder = settings_.StartupFolder;
    values.ExtractFolder = settings_.ExtractFolder;
    values.OpenFolder = settings_.OpenFolder;
    values.KeepDamaged = settings_.KeepDamaged;
    // The overwrite choice shows what the readers do now, not what was read at start-up.
    values.OverwriteInquire = OverwriteChoice();
    if (!ui_.AskSettings(&values)) return;

    WriteOptions(profile_, values);
    settings_.DisplayFolder = values.DisplayFolder;
    ApplyOverwriteChoice(values.OverwriteInquire);
    settings_.CreateFolder = values.CreateFolder;
    settings_.UseFolder = values.UseFolder;
    settings_.AutoExtract = values.AutoExtract;
    settings_.AutoExtractMethod = values.AutoExtractMethod;
    settings_.StartupFolder = values.StartupFolder;
    settings_.ExtractFolder = values.ExtractFolder;
    settings_.OpenFolder = values.OpenFolder;
    settings_.KeepDamaged = values.KeepDamaged;
    UpdateAllViews();
}

void CQuilloryDoc::ExtractionSucceeded(WStringView folder) {
    if (settings_.OpenFolder != 0) ui_.ShellOpen(folder);
}

std::optional<WStringView> CQuilloryDoc::OpenWarning() const {
    if (isOpen == 0) return std::nullopt;
    if (splitWarning_) return WStringView(*splitWarning_);
    return WithReader([](const auto& reader) { return ListingWarning(reader.warning()); });
}

int CQuilloryDoc::EntryCount() const {
    return WithReader(
        [](const auto& archive) { return static_cast<int>(archive.entries().size()); });
}

}  // namespace quillory
