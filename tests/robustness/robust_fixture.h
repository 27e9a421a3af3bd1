// A document driven by a scripted user, as the robustness tests share it: runs go through
// a host that keeps every member's status of the last run, the user interface is watched
// for the members handed to the reader, and the archive under test lives in a scratch
// folder whose whole tree can be snapshot before and after a run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "document/quillory_doc.h"
#include "document/settings.h"
#include "document/startup.h"
#include "platform/profile.h"
#include "tests/document/scripted_user.h"
#include "tests/support/test_support.h"

namespace quillory::testing {

// Passes everything to a ScriptedUser and counts the members handed to the reader; the
// host fills in each member's status when a run ends.
class WatchingUser final : public UserInterface {
public:
    explicit WatchingUser(ScriptedUser& user) : user_(user) {}

    std::vector<int> statuses;  // one per member of the last run
    int membersStarted = 0;     // members handed to the reader so far

    void ShowMessage(WStringView text) override { user_.ShowMessage(text); }
    bool AskYesNo(WStringView text) override { return user_.AskYesNo(text); }
    bool AskUnsafePath(const UnsafePathQuestion& question) override {
        return user_.AskUnsafePath(question);
    }
    std::optional<WString> AskArchivePath(std::span<const texts::FileFilter> filters,
                                          WStringView initialFolder) override {
        return user_.AskArchivePath(filters, initialFolder);
    }
    bool AskDestination(DestinationValues* values) override { return user_.AskDestination(values); }
    std::optional<WString> AskPassword(WStringView memberName, bool wrongBefore) override {
        return user_.AskPassword(memberName, wrongBefore);
    }
    bool AskSkipEncrypted() override { return user_.AskSkipEncrypted(); }
    bool AskSettings(SettingsValues* values) override { return user_.AskSettings(values); }
    void OpenProgress(int count) override {
        statuses.clear();
        membersStarted = 0;
        user_.OpenProgress(count);
    }
    void SetProgressName(WStringView name) override {
        ++membersStarted;
        user_.SetProgressName(name);
    }
    void StepProgress() override { user_.StepProgress(); }
    void CloseProgress() override { user_.CloseProgress(); }
    void SetArchiveName(WStringView path) override { user_.SetArchiveName(path); }
    void RepaintActiveView() override { user_.RepaintActiveView(); }
    void ShellOpen(WStringView path) override { user_.ShellOpen(path); }

private:
    ScriptedUser& user_;
};

// Runs each job at once, as the document's own host does, and hands every member's status
// of the run to the watcher.
class StatusKeepingHost final : public JobHost {
public:
    explicit StatusKeepingHost(WatchingUser& watcher) : watcher_(watcher) {}
    void Start(std::unique_ptr<MemberJob> job, UserInterface& ui, Finished onFinished) override {
        host_.Start(std::move(job), ui, [&](JobResult result) {
            watcher_.statuses = result.statuses;
            if (onFinished) onFinished(std::move(result));
        });
    }
    void RequestStop() override { host_.RequestStop(); }
    bool Busy() const override { return host_.Busy(); }
    void Wait() override {}

private:
    WatchingUser& watcher_;
    InlineJobHost host_;
};

class RobustDocumentTest : public ::testing::Test {
protected:
    RobustDocumentTest() {
        std::filesystem::create_directories(temp.Host("Desktop"));
        std::filesystem::create_directories(temp.Host("Documents"));
        doc = std::make_unique<CQuilloryDoc>(watcher, settings, profile);
        // Faults are placed by the count of reads and writes, which follows the members
        // only on one thread. (With a pool these cases change no user file either; the job
        // tests cover its order.)
        doc->SetDecodingThreads(1);
        doc->SetJobHost(&host);
        StartupRequest request;
        request.desktopFolder = temp.Program("Desktop");
        request.myDocumentsFolder = temp.Program("Documents");
        StartUp(*doc, request);
        // Every existing file is asked about, whatever its time.
        doc->ApplyOverwriteChoice(kOverwriteAlwaysAsk);
    }

    // The destination dialog's answer.
    static DestinationValues Destination(WString folder, int useFolders) {
        DestinationValues values;
        values.folder = std::move(folder);
        values.createFolder = 0;
        values.useFolders = useFolders;
        return values;
    }

    // Extracts everything into folder with the given answers; the user's talk is cleared
    // first.
    RunSummary ExtractAllInto(const WString& folder, int useFolders = 1) {
        user.log.clear();
        user.destinations = {Destination(folder, useFolders)};
        return doc->OnExtractAll();
    }

    TempDir temp;
    ScriptedUser user;
    WatchingUser watcher{user};
    StatusKeepingHost host{watcher};
    platform::MemoryProfile profile;
    ApplicationSettings settings;
    std::unique_ptr<CQuilloryDoc> doc;
};

// Sanitized builds run every sweep more coarsely so the suite stays quick there too.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

// count values spread evenly over 1 .. total (all of them when total is smaller).
inline std::vector<std::size_t> EvenSample(std::size_t total, std::size_t count) {
    std::vector<std::size_t> picked;
    if (total <= count) {
        for (std::size_t n = 1; n <= total; ++n)
            picked.push_back(n);
        return picked;
    }
    for (std::size_t i = 0; i < count; ++i)
        picked.push_back(1 + i * (total - 1) / (count - 1));
    return picked;
}

// Counts kept for the closing report of the suite, printed when it ends.
struct RobustnessTally {
    int hostileCases = 0;
    int faultRuns = 0;
    int readFaultsCarriedOn = 0;  // failed or short reads the reader read past correctly
    int truncatedRuns = 0;
    std::uint64_t userBytesChangedWithoutConsent = 0;
    // Runs by archive kind and what was tried ("LZH hostile", "ZIP failed write", ...).
    std::map<std::string, int> byKind;

    void Count(bool zip, const std::string& what) { ++byKind[(zip ? "ZIP " : "LZH ") + what]; }
};
RobustnessTally& Tally();

}  // namespace quillory::testing
