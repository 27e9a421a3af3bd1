// The questions' texts.
#include "document/questions.h"

#include "document/texts.h"
#include "platform/path.h"

namespace quillory {

WString QuestionText(const UnsafePathQuestion& question) {
    WString text(texts::kUnsafeBefore);
    text += platform::DisplayPath(question.storedPath);
    text += texts::kUnsafeTarget;
    text += platform::DisplayPath(question.targetPath);
    text += texts::kUnsafeAfter;
    return text;
}

}  // namespace quillory
