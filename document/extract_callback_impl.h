// The application's answers to the readers' questions: the unsafe-path question as a
// typed question (with the place the member would really be written), the overwrite
// question as a typed question (path, sizes and times) whose "for all" answers hold for
// the rest of this object's run, the password through the password dialog. It never
// answers the run "for all": the run's overwrite rule, which the settings show, stays as
// the user set it. A cancelled password dialog may end the run's password questions: the
// user skips every protected member or stops the run. It counts the output the reader
// reports, for the progress dialog.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "common/extract_callback.h"
#include "document/user_interface.h"
#include "platform/text.h"

namespace quillory {

// The first maxUnits units of text, one fewer when the cut would leave the first half
// of a surrogate pair at the end.
WStringView CutWithoutSplittingPairs(WStringView text, std::size_t maxUnits);

class CExtractCallbackImpl : public ExtractCallback {
public:
    explicit CExtractCallbackImpl(UserInterface& ui) : ui_(ui) {}

    void ConfirmUnsafePath(WStringView storedPath, WStringView targetPath, int* proceed,
                           int* forAll) override;
    bool AskPassword(WStringView memberName, bool wrongBefore, WChar* password) override;
    void ConfirmOverwrite(WStringView name, WStringView outputPath, std::uint64_t memberSize,
                          FileTime memberTimeLocal, int* overwrite, int* forAll) override;
    void OutputProduced(std::size_t count) override;

    // Progress in bytes: the run's total, and whether to report it at all.
    void StartProgress(std::uint64_t totalBytes) {
        progressTotal_ = totalBytes;
        reportProgress_ = true;
        ui_.SetProgressBytes(produced_, progressTotal_);
    }
    std::uint64_t produced() const { return produced_; }
    // The bytes so far when the reader reports them to someone else (the decoding pool,
    // which sums its workers').
    void SetProduced(std::uint64_t bytes) { produced_ = bytes; }
    // Reports the bytes so far (at the end of a member): now when forced, else when the
    // last report is old enough.
    void ReportProgress(bool force);

    // Whether the last password dialog since the last call was cancelled.
    bool TakePasswordCancelled() {
        const bool cancelled = passwordCancelled_;
        passwordCancelled_ = false;
        return cancelled;
    }

    // With more protected members in the run, a cancelled password dialog asks once
    // whether to skip them all or stop the run (UserInterface::AskSkipEncrypted).
    void AskBeforeSkipping(bool ask) { askBeforeSkipping_ = ask; }
    // The user chose to skip every protected member: no more password dialogs this run.
    bool SkippingEncrypted() const { return skipEncrypted_; }
    // The user chose to stop the run instead.
    bool StopAsked() const { return stopAsked_; }

private:
    UserInterface& ui_;
    // "すべてはい" / "すべていいえ" given in this run.
    bool overwriteAll_ = false;
    bool keepAll_ = false;
    bool passwordCancelled_ = false;
    bool askBeforeSkipping_ = false;
    bool skipEncrypted_ = false;
    bool stopAsked_ = false;
    bool reportProgress_ = false;
    std::uint64_t produced_ = 0;
    std::uint64_t progressTotal_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};
};

}  // namespace quillory
