// The questions a reader asks the user in the middle of an extraction. Readers hold a
// pointer to one callback (not owned; it may be null, and then every answer is no).
// The base class answers no to everything; the application overrides the three slots.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"
#include "platform/time.h"

namespace quillory {

class RememberedPassword;

// Capacity of the password buffer handed to AskPassword, terminator included.
inline constexpr int kPasswordBufferUnits = 64;

class ExtractCallback {
public:
    // A member whose stored path could leave the destination: storedPath is that path
    // (relative to the destination, as it was checked), targetPath the program path it
    // would be written at. Set *proceed to 1 to write the member; set *forAll to 1 to
    // allow all further such members without asking.
    virtual void ConfirmUnsafePath(WStringView storedPath, WStringView targetPath, int* proceed,
                                   int* forAll);

    // memberName: the stored name; wrongBefore: the password given before for this member
    // was wrong. Write a terminated password into password (kPasswordBufferUnits units)
    // and return true to supply one; return false to supply none (the question was
    // cancelled), and the member is not asked about again.
    virtual bool AskPassword(WStringView memberName, bool wrongBefore, WChar* password);

    // name: the member's file name without its folder; outputPath: the program path of
    // the file that exists; memberSize and memberTimeLocal: the member's size and local
    // time (kNoFileTime when it has none). Set *overwrite to 1 to replace the file that
    // exists; set *forAll to 1 to replace all further ones without asking.
    virtual void ConfirmOverwrite(WStringView name, WStringView outputPath,
                                  std::uint64_t memberSize, FileTime memberTimeLocal,
                                  int* overwrite, int* forAll);

    // count more bytes of the member's data were produced (written, or only checked when
    // testing), reported after each piece as the reader makes it, so that a long member
    // can show how far it got. Called on the thread that decodes; nothing by default.
    virtual void OutputProduced(std::size_t count);

    // A run whose workers decode members side by side gives each worker a copy of the
    // remembered password and keeps them as one through these (document/member_pool.h);
    // a one-thread run keeps the defaults, which change nothing.
    // Before the member's first try: the password the latest questions left.
    virtual void RefreshPassword(RememberedPassword& password);
    // After a try (accepted or not): waits until no earlier member can still ask for a
    // password, then sets the password a one-thread run would have tried for this member.
    // True when that changed it, so the member tries again.
    virtual bool PasswordOfTurn(RememberedPassword& password, bool accepted);
    // The member's questions are over: the password they left (the answer that passed,
    // or the last one given) is the one for the later members.
    virtual void PasswordAnswered(const RememberedPassword& password);

    virtual ~ExtractCallback();
};

}  // namespace quillory
