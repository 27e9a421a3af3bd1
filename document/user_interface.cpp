// The user interface's out-of-line destructor (so that its vtable lives in one object)
// and the defaults of its optional parts.
#include "document/user_interface.h"

namespace quillory {

UserInterface::~UserInterface() = default;

OverwriteAnswer UserInterface::AskOverwrite(const OverwriteQuestion& question) {
    return AskYesNo(QuestionText(question)) ? OverwriteAnswer::Yes : OverwriteAnswer::No;
}

bool UserInterface::AskSkipEncrypted() {
    return AskYesNo(WString(texts::kNoPassword) + WString(texts::kSkipEncrypted));
}

int UserInterface::FailureMessagesBeforeAsking() const {
    return 0;
}

void UserInterface::ShowRunSummary(const RunReport& report) {
    ShowMessage(report.text);
}

void UserInterface::SetProgressBytes(std::uint64_t, std::uint64_t) {}

void UserInterface::SetProgressFinished(int) {}

bool UserInterface::MoveToTrash(WStringView) {
    return false;
}

}  // namespace quillory
