// The application's single document: it owns the two archive readers, decides which
// reader opens a file, and runs the commands on the open archive
// (open, close, extract all, extract the selected members, test, settings, open one
// member with the desktop). It talks to the user only through UserInterface and keeps
// no state of the user interface itself. At most one archive is open, in one reader.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "crypto/remembered_password.h"
#include "document/archive_type.h"
#include "document/document_view.h"
#include "document/member_job.h"
#include "document/settings.h"
#include "document/user_interface.h"
#include "lzh/lzh_archive.h"
#include "platform/profile.h"
#include "zip/zip_archive.h"

namespace quillory {

// The outcome of one extraction or test run, for front ends that report it further (the
// command-line tool's exit status). Counts follow the run's summary message.
struct RunSummary {
    bool ran = false;      // false when the run was cancelled or nothing was open (or it runs)
    bool running = false;  // the run goes on in the background (the GUI's job host)
    int memberCount = 0;
    int unsupportedCount = 0;
    int damagedCount = 0;
    bool stopped = false;         // a stop was requested (an interrupt): the run ended early
    bool archiveDamaged = false;  // the listing came with a warning
};

// The exit status of a program whose work was one run (quillory-cli, and the window's
// start-up actions).
inline constexpr int kExitGood = 0;  // every member extracted (or tested) and good
// some member damaged, unsupported, with too long a path, or skipped for its unsafe
// path, or the archive itself damaged
inline constexpr int kExitBadMembers = 1;
// archive not opened or destination refused
inline constexpr int kExitNotOpened = 2;
int ExitStatusOf(const RunSummary& summary);

// The private folders below the user's cache folder into which members are extracted to
// be opened with the desktop, and to be dragged out of the window; each program keeps a
// session folder of its own in them (platform::SessionFolder).
inline constexpr char kOpenFolderName[] = "quillory";
inline constexpr char kDragFolderName[] = "quillory-drag";
// At start: what ended programs left in those folders (copies that were still open
// elsewhere then), and loose copies of versions before session folders older than a day.
inline constexpr std::chrono::hours kOpenedCopyLifetime{24};
void RemoveOldOpenedCopies();
// This program's copies, except those another program still has open or that were
// handed over less than kHandOverTime ago (the application may not have opened them
// yet); done when an archive closes and when the document goes.
inline constexpr std::chrono::seconds kHandOverTime{5};
void RemoveOpenedCopies(std::chrono::seconds keepYoungerThan = kHandOverTime);

class CQuilloryDoc {
public:
    // The references must outlive the document. settings is the application's copy,
    // which the commands read and the settings command changes; profile receives the
    // remembered folders and the options.
    CQuilloryDoc(UserInterface& ui, ApplicationSettings& settings, platform::Profile& profile);
    ~CQuilloryDoc();
    CQuilloryDoc(const CQuilloryDoc&) = delete;
    CQuilloryDoc& operator=(const CQuilloryDoc&) = delete;

    // Where runs over the members go: the inline host unless a front end sets its own
    // (which must outlive the document, or be reset to null first).
    void SetJobHost(JobHost* host) { host_ = host != nullptr ? host : &inlineHost_; }
    JobHost& jobHost() const { return *host_; }
    // A run is going on: the commands wait for it.
    bool Busy() const { return host_->Busy(); }
    // Threads that decode members at once in the runs to come: 0 (the default) one per
    // core of the machine; 1 every member on the run's own thread.
    void SetDecodingThreads(int threads) { decodingThreads_ = threads; }

    // Views, told to rebuild after open, close and settings.
    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    void UpdateAllViews();

    // Runs a command routed to the document (commands.h); false for any other id.
    bool OnCommand(int id);
    void OnFileOpen();
    // The open command for a file chosen elsewhere (dropped on the window, picked from
    // the recent archives): the close question, the open, the remembered folder.
    void OpenChosen(WStringView path);
    // The open dialog starts next in the archive's folder ("LastFolder", "Startup").
    void RememberOpenFolder(WStringView archivePath);
    // The open dialog with the archive filter, in the folder the settings choose; nothing
    // when cancelled. Remembers nothing.
    std::optional<WString> AskArchivePath();
    void OnFileClose();
    RunSummary OnExtractAll();
    RunSummary OnTest();
    void OnSettings();
    // The framework's new-document step: nothing but the base behaviour.
    bool OnNewDocument() { return true; }

    // The extract-selected flow for entries given by index, in the order given (the list
    // view passes the selected rows' item data, top to bottom).
    RunSummary ExtractEntries(std::span<const int> entryIndices);
    // Members dragged out of the list: the entries (with their folders) into folder,
    // replacing what an earlier drag left there, with the progress dialog and failure
    // messages but no summary; the caller hands the files over once the run has ended.
    RunSummary ExtractForDrag(std::span<const int> entryIndices, WStringView folder);
    // The double-click flow: extracts one member into the private folder and hands it to
    // the desktop's "open". Folder entries and invalid indices do nothing.
    void OpenEntry(int entryIndex);

    // 1 when one of the readers opened the file, else 0 (with lastOpenFailure() saying
    // why). Any part of a split set (NAME.z01, NAME.zip.001) opens the whole set; one
    // that misses a part opens with the members before it and a warning naming the part.
    int OpenArchive(WStringView path);
    const OpenFailure& lastOpenFailure() const { return openFailure_; }
    // "書庫を開けませんでした。" with the path and the reason, after a failed OpenArchive.
    void ShowOpenFailure(WStringView path);
    // Always 1.
    int CloseArchive();

    // The encoding of the names for the archive in hand: a code page the user chose (as
    // iconv names it, or "UTF-8"), or empty for the default code page with the ZIP
    // reader's own decision for UTF-8. A choice re-reads the open archive's names at once
    // in the same reader; closing the archive forgets it. False, and nothing changes, for
    // an encoding the host does not know.
    bool ChooseNameEncoding(std::string_view codePage);
    const std::string& nameEncoding() const { return nameEncoding_; }

    // The overwrite choice (kOverwrite...) that the runs to come follow.
    int OverwriteChoice() const { return static_cast<int>(overwrite_); }
    void ApplyOverwriteChoice(int choice);

    // The password remembered for the open archive's encrypted members; emptied when an
    // archive is opened.
    RememberedPassword& password() { return password_; }

    // After an extraction without failures: the folder shown in the file manager when
    // the setting "OpenFolder" is on.
    void ExtractionSucceeded(WStringView folder);

    // The warning the open archive's listing came with (it is damaged), or nothing.
    std::optional<WStringView> OpenWarning() const;

    // Entries of the reader that archiveType names, for the list.
    int EntryCount() const;

    UserInterface& ui() const { return ui_; }
    ApplicationSettings& settings() const { return settings_; }
    platform::Profile& profile() const { return profile_; }

    // The framework's document fields.
    std::unique_ptr<ZipArchive> zipArchive;
    std::unique_ptr<LzhArchive> lzhArchive;
    int isOpen = 0;
    ArchiveType archiveType = ArchiveType::None;

    // Starts a job with the plan on the job host (the start-up's runs use it too);
    // finish runs with its result on this thread when it has ended. The summary is
    // filled when the host ran the job at once, else it says the run goes on.
    RunSummary RunJob(JobPlan plan, std::function<void(const JobResult&)> finish);
    // The summary of the last run that has ended (nothing ran: ran is false).
    const RunSummary& lastRun() const { return lastRun_; }

    // Calls f with the archive that archiveType names (LZH for Lzh, else ZIP).
    template <class F>
    decltype(auto) WithReader(F&& f) {
        if (archiveType == ArchiveType::Lzh) return f(*lzhArchive);
        return f(*zipArchive);
    }
    template <class F>
    decltype(auto) WithReader(F&& f) const {
        if (archiveType == ArchiveType::Lzh) return f(std::as_const(*lzhArchive));
        return f(std::as_const(*zipArchive));
    }

private:
    // Opens source, named path, in the reader its name and content choose; 1, or 0 with
    // openFailure_ saying why.
    int OpenSource(const std::shared_ptr<const ByteSource>& source, WStringView path);
    // Marks the archive open in the reader of that type and shows its path; 1.
    int OpenedIn(ArchiveType type, WStringView path);
    // The extract-all and extract-selected flow; selection null means every entry.
    RunSummary Extract(const std::vector<int>* selection);
    // Back to the default code page and the per-archive decision, without re-reading.
    void ForgetNameEncoding();
    // The encoding archives are opened with: the chosen code page, else the default with
    // the ZIP reader's own decision for UTF-8.
    NameEncoding Encoding() const;

    UserInterface& ui_;
    ApplicationSettings& settings_;
    platform::Profile& profile_;
    std::vector<DocumentView*> views_;
    std::string nameEncoding_;
    OverwriteRule overwrite_ = OverwriteRule::AskIfNewer;
    RunSummary lastRun_;
    RememberedPassword password_;
    InlineJobHost inlineHost_;
    JobHost* host_ = &inlineHost_;
    int decodingThreads_ = 0;
    OpenFailure openFailure_;
    // The part of a split set that is missing, for the open archive's warning.
    std::optional<WString> splitWarning_;
};

// The summary of a job that has ended.
RunSummary SummaryOf(const JobResult& result);
// The message that ends an extraction or test: text, or the cancelled run's summary when
// the user stopped it, with the failed members (under a test's heading for a test) and,
// when files went there, the extraction's folder; nothing after an interrupt by a
// signal, as the program is about to quit.
void ShowSummary(UserInterface& ui, const JobResult& result, WString text, RunKind kind,
                 WStringView folder);

}  // namespace quillory
