// The failure classes of both readers' status numbers.
#include "document/member_outcome.h"

namespace quillory {

FailureClass ClassifyFailure(LzhStatus status, RunKind kind) {
    switch (status) {
        case LzhStatus::UnsupportedMethod:
            // A test counts only damage: an unsupported method is passed over.
            return kind == RunKind::Extract ? FailureClass::Unsupported : FailureClass::Ignored;
        case LzhStatus::PathTooLong:
            return FailureClass::PathTooLong;
        case LzhStatus::Skipped:             // the user kept the existing file
        case LzhStatus::UnsafePathRefused:   // the user refused the path
        case LzhStatus::FolderEntrySkipped:  // folders are not recreated
            return kind == RunKind::Extract ? FailureClass::Ignored : FailureClass::Damaged;
        case LzhStatus::Stopped:  // the run was interrupted: the member is not damaged
            return FailureClass::Ignored;
        default:
            return FailureClass::Damaged;
    }
}

FailureClass ClassifyFailure(ZipStatus status, RunKind kind) {
    switch (status) {
        case ZipStatus::UnsupportedMethod:
            return kind == RunKind::Extract ? FailureClass::Unsupported : FailureClass::Ignored;
        case ZipStatus::PathTooLong:
            return FailureClass::PathTooLong;
        case ZipStatus::Skipped:  // the user kept the existing file
        case ZipStatus::Stopped:  // the run was interrupted: the member is not damaged
            return FailureClass::Ignored;
        case ZipStatus::UnsafePathRefused:  // the user refused the path
            return kind == RunKind::Extract ? FailureClass::Ignored : FailureClass::Damaged;
        default:
            return FailureClass::Damaged;
    }
}

}  // namespace quillory
