// The readers' questions as the document hands them to a front end: one type per
// question, so that a front end can lay out its parts and choose its default answer,
// and one text every front end shows for it. (The unsafe-path question is the first; a
// typed overwrite question joins the same way.)
#pragma once

#include "platform/text.h"

namespace quillory {

// A member whose stored path could put it outside the destination.
struct UnsafePathQuestion {
    WString storedPath;  // as stored, relative to the destination: "../x", "\etc\passwd"
    WString targetPath;  // the program path it would be written at, links and ".." followed
};

// "書庫内のファイル[<stored path>]が意図しないフォルダに展開される可能性があります。\n
// 展開先：<target path>\n展開しますか？", both paths as the host shows them.
WString QuestionText(const UnsafePathQuestion& question);

}  // namespace quillory
