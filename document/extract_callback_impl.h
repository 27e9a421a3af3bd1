// The application's answers to the readers' questions: the unsafe-path question as a
// typed question (with the place the member would really be written), the overwrite
// question as a Yes/No message box, the password through the password dialog. It never
// answers "for all": every member is asked about on its own. Questions are never cut.
#pragma once

#include <cstddef>

#include "common/extract_callback.h"
#include "document/user_interface.h"
#include "platform/text.h"

namespace quillory {

// The first maxUnits units of text, one fewer when the cut would leave the first half
// of a surrogate pair at the end.
WStringView CutWithoutSplittingPairs(WStringView text, std::size_t maxUnits);

class CExtractCallbackImpl final : public ExtractCallback {
public:
    explicit CExtractCallbackImpl(UserInterface& ui) : ui_(ui) {}

    void ConfirmUnsafePath(WStringView storedPath, WStringView targetPath, int* proceed,
                           int* forAll) override;
    void AskPassword(WStringView memberName, WChar* password) override;
    void ConfirmOverwrite(WStringView name, int* overwrite, int* forAll) override;

private:
    UserInterface& ui_;
};

}  // namespace quillory
