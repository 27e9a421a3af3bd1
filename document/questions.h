// The readers' questions as the document hands them to a front end: one type per
// question, so that a front end can lay out its parts and choose its default answer,
// and one text every front end shows for it.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/text.h"
#include "platform/time.h"

namespace quillory {

// A member whose stored path could put it outside the destination.
struct UnsafePathQuestion {
    WString storedPath;  // as stored, relative to the destination: "../x", "\etc\passwd"
    WString targetPath;  // the program path it would be written at, links and ".." followed
};

// "書庫内のファイル[<stored path>]が意図しないフォルダに展開される可能性があります。\n
// 展開先：<target path>\n展開しますか？", both paths as the host shows them.
WString QuestionText(const UnsafePathQuestion& question);

// A member whose output file exists already.
struct OverwriteQuestion {
    WString name;                               // the member's file name, without folders
    WString path;                               // the program path of the existing file
    std::optional<std::uint64_t> existingSize;  // nothing when it cannot be read
    FileTime existingTime = kNoFileTime;        // local time, whole seconds
    std::uint64_t newSize = 0;
    FileTime newTime = kNoFileTime;  // the member's local time
};

// "すべてはい" and "すべていいえ" answer this member and every later one of the run.
enum class OverwriteAnswer { Yes, No, YesToAll, NoToAll };

// "既に[<name>]が存在します。上書きしますか？", the text of the short question.
WString QuestionText(const OverwriteQuestion& question);
// The question's details, one line each: the path, then the existing and the new file's
// size and time ("既存のファイル：1,234 バイト  2024/01/02 03:04:05").
WString DetailText(const OverwriteQuestion& question);

}  // namespace quillory
