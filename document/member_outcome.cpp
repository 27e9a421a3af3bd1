// The failure classes of both readers' status numbers, and every text made from them:
// the messages of a failed member, the summaries, the listing's warnings and the reason
// an archive did not open.
#include "document/member_outcome.h"

#include <string>

#include "document/texts.h"
#include "platform/path.h"

namespace quillory {
namespace {

WString Number(int value) {
    return platform::AsciiToWide(std::to_string(value));
}

}  // namespace

FailureClass ClassifyFailure(LzhStatus status, RunKind kind) {
    switch (status) {
        case LzhStatus::UnsupportedMethod:
            // A test counts only damage: an unsupported method is passed over.
            return kind == RunKind::Extract ? FailureClass::Unsupported : FailureClass::Ignored;
        case LzhStatus::PathTooLong:
            return FailureClass::PathTooLong;
        case LzhStatus::CreateFailed:
            return FailureClass::CreateFailed;
        case LzhStatus::WriteFailed:
            return FailureClass::WriteFailed;
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
        case ZipStatus::CreateFailed:
            return FailureClass::CreateFailed;
        case ZipStatus::WriteFailed:
            return FailureClass::WriteFailed;
        case ZipStatus::WrongPassword:
            return FailureClass::WrongPassword;
        case ZipStatus::Skipped:  // the user kept the existing file
        case ZipStatus::Stopped:  // the run was interrupted: the member is not damaged
            return FailureClass::Ignored;
        case ZipStatus::UnsafePathRefused:  // the user refused the path
            return kind == RunKind::Extract ? FailureClass::Ignored : FailureClass::Damaged;
        default:
            return FailureClass::Damaged;
    }
}

bool IsStopped(LzhStatus status) {
    return status == LzhStatus::Stopped;
}

bool IsStopped(ZipStatus status) {
    return status == ZipStatus::Stopped;
}

WString FileErrorText(platform::FileErrorInfo error) {
    using platform::FileError;
    switch (error.kind) {
        case FileError::NotFound:
            return WString(texts::kReasonNotFound);
        case FileError::NoPermission:
            return WString(texts::kReasonNoPermission);
        case FileError::InTheWay:
            return WString(texts::kReasonInTheWay);
        case FileError::NameTooLong:
            return WString(texts::kReasonNameTooLong);
        case FileError::DiskFull:
            return WString(texts::kReasonDiskFull);
        case FileError::ReadOnly:
            return WString(texts::kReasonReadOnly);
        case FileError::None:
        case FileError::Other:
            break;
    }
    return WString(texts::kReasonOther) + Number(error.code);
}

WString FailureReason(const MemberFailure& failure) {
    WString text = FailureText(failure);
    // The message without its member: what stands before " [", then a reason line.
    const std::size_t open = text.find(u" [");
    const std::size_t reason = text.find(texts::kReasonLabel);
    WString shortText = text.substr(0, open);
    if (reason != WString::npos) {
        shortText.append(u" ").append(text.substr(reason + texts::kReasonLabel.size()));
    }
    return shortText;
}

WString FailureText(const MemberFailure& failure) {
    switch (failure.kind) {
        case FailureClass::PathTooLong:
            return PathTooLongText(failure.storedPath);
        case FailureClass::CreateFailed:
        case FailureClass::WriteFailed: {
            WString text(failure.kind == FailureClass::CreateFailed ? texts::kCreateFailedBefore
                                                                    : texts::kWriteFailedBefore);
            text.append(platform::DisplayPath(failure.outputPath)).append(u"]");
            text.append(texts::kReasonLabel).append(FileErrorText(failure.error));
            return text;
        }
        case FailureClass::WrongPassword: {
            WString text(failure.passwordCancelled ? texts::kNoPasswordBefore
                                                   : texts::kWrongPasswordBefore);
            return text.append(failure.name).append(u"]");
        }
        default:
            return DamagedText(failure.name);
    }
}

WString ExtractSummaryText(const RunCounts& counts) {
    WString text(texts::kExtractDone);
    if (counts.unsupported > 0)
        text.append(texts::kUnsupportedCountLine) += Number(counts.unsupported);
    if (counts.damaged > 0) text.append(texts::kDamagedCountLine) += Number(counts.damaged);
    return text;
}

WString TestSummaryText(int total, const RunCounts& counts) {
    WString text;
    if (counts.damaged > 0) {
        text = Number(total);
        text.append(texts::kBadOf) += Number(counts.damaged);
        text.append(texts::kBadEnd);
    } else if (counts.unsupported > 0 && counts.goodFiles == 0) {
        text = texts::kNoneChecked;
    } else {
        text = texts::kAllGood;
    }
    if (counts.unsupported > 0)
        text.append(texts::kUnsupportedCountLine) += Number(counts.unsupported);
    return text;
}

WString CancelledSummaryText(const RunCounts& counts) {
    WString text(texts::kCancelled);
    text.append(texts::kDoneBefore) += Number(counts.finished);
    if (counts.damaged > 0) text.append(texts::kDamagedCountLine) += Number(counts.damaged);
    return text;
}

WString PathTooLongText(WStringView storedPath) {
    WString text(texts::kPathTooLongBefore);
    text.append(platform::DisplayPath(storedPath)).append(texts::kPathTooLongAfter);
    return text;
}

WString DamagedText(WStringView name) {
    WString text(texts::kDamagedBefore);
    text.append(name).append(texts::kDamagedAfter);
    return text;
}

std::optional<WStringView> ListingWarning(LzhStatus status) {
    if (status == LzhStatus::NoEndMark) return texts::kNoEndMark;
    if (status == LzhStatus::HeaderCheckWarning) return texts::kHeaderCheckError;
    if (status == LzhStatus::DamagedFromHere) return texts::kDamagedFromHere;
    return std::nullopt;
}

bool IsUnreadable(ZipStatus status) {
    return status == ZipStatus::OpenFailed;
}

WString OpenFailureText(WStringView path, const OpenFailure& failure) {
    WString text(texts::kCannotOpen);
    text.append(u"\n").append(platform::DisplayPath(path)).append(texts::kReasonLabel);
    const bool unreadable =
        failure.lzh == LzhStatus::OpenFailed || (failure.zip && IsUnreadable(*failure.zip));
    if (unreadable) {
        text += FileErrorText(failure.error);
    } else if (failure.zip == ZipStatus::MultiDisk) {
        text += texts::kMultiDisk;
    } else if ((failure.zip && failure.zip != ZipStatus::NoEndRecord) || failure.lzhHeaderSeen) {
        // A ZIP end record or an LZH header was there: the archive is damaged.
        text += texts::kDamagedDirectory;
    } else {
        text += texts::kNotAnArchive;
    }
    return text;
}

}  // namespace quillory
