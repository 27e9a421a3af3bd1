// The application's answers to the readers' questions: the unsafe-path and overwrite
// questions as Yes/No message boxes, the password through the password dialog. It never
// answers "for all": every member is asked about on its own.
#pragma once

#include <cstddef>

#include "common/extract_callback.h"
#include "document/user_interface.h"
#include "platform/text.h"

namespace quillory {

// The questions are put together in a buffer of this many UTF-16 units, terminator
// included; longer texts are cut to fit.
inline constexpr std::size_t kQuestionBufferUnits = 256;

// The first maxUnits units of text, one fewer when the cut would leave the first half
// of a surrogate pair at the end.
WStringView CutWithoutSplittingPairs(WStringView text, std::size_t maxUnits);

class CExtractCallbackImpl final : public ExtractCallback {
public:
    explicit CExtractCallbackImpl(UserInterface& ui) : ui_(ui) {}

    void ConfirmUnsafePath(WStringView name, int* proceed, int* forAll) override;
    void AskPassword(WStringView memberName, WChar* password) override;
    void ConfirmOverwrite(WStringView name, int* overwrite, int* forAll) override;

private:
    // The question before + name + after, cut to the buffer; true on Yes.
    bool Ask(WStringView before, WStringView name, WStringView after);

    UserInterface& ui_;
};

}  // namespace quillory
