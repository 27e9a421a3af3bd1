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
    // name: the member's file name without its folder. Set *proceed to 1 to write the
    // member; set *forAll to 1 to allow all further such members without asking.
    virtual void ConfirmUnsafePath(WStringView name, int* proceed, int* forAll);

    // memberName: the stored name. Write a terminated password into password
    // (kPasswordBufferUnits units) to supply one; leave it unchanged to supply none.
    virtual void AskPassword(WStringView memberName, WChar* password);

    // As ConfirmUnsafePath, for an output file that already exists.
    virtual void ConfirmOverwrite(WStringView name, int* overwrite, int* forAll);

    virtual ~ExtractCallback();
};

}  // namespace quillory
