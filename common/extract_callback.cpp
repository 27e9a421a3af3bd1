// The callback's default answers: no to every question and no password, so a reader
// without a front end never overwrites, never extracts an unsafe path and never decrypts.
#include "common/extract_callback.h"

namespace quillory {

void ExtractCallback::ConfirmUnsafePath(WStringView, WStringView, int*, int*) {}
bool ExtractCallback::AskPassword(WStringView, bool, WChar*) {
    return false;
}
void ExtractCallback::ConfirmOverwrite(WStringView, WStringView, std::uint64_t, FileTime, int*,
                                       int*) {}
void ExtractCallback::OutputProduced(std::size_t) {}
void ExtractCallback::RefreshPassword(RememberedPassword&) {}
bool ExtractCallback::PasswordOfTurn(RememberedPassword&, bool) {
    return false;
}
void ExtractCallback::PasswordAnswered(const RememberedPassword&) {}
ExtractCallback::~ExtractCallback() = default;

}  // namespace quillory
