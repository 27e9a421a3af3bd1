// The texts of the readers' questions as every front end shows them: the unsafe-path
// question, and the overwrite question with the sizes and times of both files. A size
// that is not known shows as "?", a time that is not known is left out.
#include "document/questions.h"

#include <string>

#include "document/member_list.h"
#include "document/shown_name.h"
#include "document/texts.h"
#include "platform/path.h"

namespace quillory {

WString QuestionText(const UnsafePathQuestion& question) {
    WString text(texts::kUnsafeBefore);
    AppendShownName(platform::DisplayPath(question.storedPath), &text);
    text += texts::kUnsafeTarget;
    AppendShownName(platform::DisplayPath(question.targetPath), &text);
    text += texts::kUnsafeAfter;
    return text;
}

WString QuestionText(const OverwriteQuestion& question) {
    WString text(texts::kOverwriteBefore);
    AppendShownName(question.name, &text);
    text.append(texts::kOverwriteAfter);
    return text;
}

namespace {

WString SizeAndTime(std::optional<std::uint64_t> size, FileTime time) {
    WString line = size ? GroupDigits(*size) + WString(texts::kBytes) : WString(u"?");
    if (const WString shown = FormatTime(time); !shown.empty()) line.append(u"  ").append(shown);
    return line;
}

}  // namespace

WString DetailText(const OverwriteQuestion& question) {
    WString text = ShownName(platform::DisplayPath(question.path));
    text.append(u"\n").append(texts::kExistingFile);
    text += SizeAndTime(question.existingSize, question.existingTime);
    text.append(u"\n").append(texts::kNewFile);
    text += SizeAndTime(question.newSize, question.newTime);
    return text;
}

}  // namespace quillory
