// The questions a reader asks the user in the middle of an extraction. Readers hold a
// pointer to one callback (not owned; it may be null, and then every answer is no).
// The base class answers no to everything; the application overrides the three slots.
#pragma once

#include "platform/text.h"

namespace quillory {

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

    // memberName: the stored name. Write a terminated password into password
    // (kPasswordBufferUnits units) to supply one; leave it unchanged to supply none.
    virtual void AskPassword(WStringView memberName, WChar* password);

    // name: the member's file name without its folder. Set *overwrite to 1 to replace the
    // file that exists; set *forAll to 1 to replace all further ones without asking.
    virtual void ConfirmOverwrite(WStringView name, int* overwrite, int* forAll);

    virtual ~ExtractCallback();
};

}  // namespace quillory
