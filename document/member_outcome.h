// What a member's failure means to the commands that walk an archive: the one place that
// turns the readers' status numbers into counts and messages, for extraction (all,
// selected and automatic) and for the test.
#pragma once

#include "document/archive_type.h"
#include "lzh/lzh_archive.h"
#include "zip/zip_archive.h"

namespace quillory {

enum class RunKind { Extract, Test };

enum class FailureClass {
    Unsupported,  // counted, never reported one by one
    Ignored,      // the user's choice or a folder not recreated: no count, no message
    Damaged,      // reported at once and counted
    PathTooLong,  // the host cannot take its path: reported at once, counted as damaged
};

FailureClass ClassifyFailure(LzhStatus status, RunKind kind);
FailureClass ClassifyFailure(ZipStatus status, RunKind kind);

}  // namespace quillory
