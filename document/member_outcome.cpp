// The failure classes of both readers' status numbers, and every text made from them:
// the messages of a failed member, the summaries, the listing's warnings and the reason
// an archive did not open.
#include "document/member_outcome.h"

#include <string>

#include "document/shown_name.h"
#include "document/texts.h"
#include "lzh/lzh_method.h"
#include "platform/path.h"
#include "zip/method_decoder.h"
#include "zip/zip_format.h"

namespace quillory {
namespace {

WString Number(int value) {
    return platform::AsciiToWide(std::to_string(value));
}

// One number, one meaning, whichever reader gives it (the number is shown to users):
// the meanings both readers have share their number...
constexpr bool Same(LzhStatus lzh, ZipStatus zip) {
    return static_cast<int>(lzh) == static_cast<int>(zip);
}
static_assert(Same(LzhStatus::Ok, ZipStatus::Ok) &&
              Same(LzhStatus::OpenFailed, ZipStatus::OpenFailed) &&
              Same(LzhStatus::DecodeFailed, ZipStatus::DecodeFailed) &&
              Same(LzhStatus::UnsupportedMethod, ZipStatus::UnsupportedMethod) &&
              Same(LzhStatus::CrcMismatch, ZipStatus::CrcMismatch) &&
              Same(LzhStatus::CreateFailed, ZipStatus::CreateFailed) &&
              Same(LzhStatus::Skipped, ZipStatus::Skipped) &&
              Same(LzhStatus::UnsafePathRefused, ZipStatus::UnsafePathRefused) &&
              Same(LzhStatus::WriteFailed, ZipStatus::WriteFailed) &&
              Same(LzhStatus::Stopped, ZipStatus::Stopped) &&
              Same(LzhStatus::PathTooLong, ZipStatus::PathTooLong));
// ...and the meanings of one reader alone have numbers the other never gives.
constexpr LzhStatus kLzhOnly[] = {LzhStatus::NoArchiveInExe,     LzhStatus::SeekFailed,
                                  LzhStatus::BadHeader,          LzhStatus::NoEndMark,
                                  LzhStatus::HeaderCheckWarning, LzhStatus::UnknownLevel,
                                  LzhStatus::FolderEntrySkipped, LzhStatus::DamagedFromHere};
constexpr ZipStatus kZipOnly[] = {
    ZipStatus::BadLocalHeader,      ZipStatus::NoEndRecord,   ZipStatus::MultiDisk,
    ZipStatus::AesSetupFailed,      ZipStatus::BadDirectory,  ZipStatus::SizeMismatch,
    ZipStatus::OverlappingData,     ZipStatus::WrongPassword, ZipStatus::AuthenticationFailed,
    ZipStatus::ReadFromLocalHeaders};
constexpr bool NoNumberShared() {
    for (const LzhStatus lzh : kLzhOnly) {
        for (const ZipStatus zip : kZipOnly) {
            if (Same(lzh, zip)) return false;
        }
    }
    return true;
}
static_assert(NoNumberShared());

// The unsupported count's line, then the methods that made those members unsupported.
void AppendUnsupported(const RunCounts& counts, WString* text) {
    if (counts.unsupported == 0) return;
    text->append(texts::kUnsupportedCountLine) += Number(counts.unsupported);
    for (std::size_t i = 0; i < counts.unsupportedReasons.size(); ++i) {
        text->append(i == 0 ? texts::kUnsupportedMethodsLine : texts::kListSeparator);
        text->append(counts.unsupportedReasons[i]);
    }
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

namespace {

// The reason of a failed member alone, and what the brackets of its message name: its
// stored path (too long), where its file was to go (create and write failures), or its
// name.
WStringView ReasonOf(const MemberFailure& failure) {
    switch (failure.kind) {
        case FailureClass::PathTooLong:
            return texts::kPathTooLong;
        case FailureClass::CreateFailed:
            return texts::kCreateFailed;
        case FailureClass::WriteFailed:
            return texts::kWriteFailed;
        case FailureClass::WrongPassword:
            return failure.passwordCancelled ? texts::kNoPassword : texts::kWrongPassword;
        default:
            return texts::kDamaged;
    }
}

WString NamedIn(const MemberFailure& failure) {
    switch (failure.kind) {
        case FailureClass::PathTooLong:
            return ShownName(platform::DisplayPath(failure.storedPath));
        case FailureClass::CreateFailed:
        case FailureClass::WriteFailed:
            return ShownName(platform::DisplayPath(failure.outputPath));
        default:
            return ShownName(failure.name);
    }
}

bool HasHostReason(const MemberFailure& failure) {
    return failure.kind == FailureClass::CreateFailed || failure.kind == FailureClass::WriteFailed;
}

WString WithName(WStringView reason, WStringView name) {
    WString text(reason);
    text.append(texts::kNameBefore).append(name).append(texts::kNameAfter);
    return text;
}

}  // namespace

WString FailureReason(const MemberFailure& failure) {
    WString text(ReasonOf(failure));
    if (HasHostReason(failure)) text.append(u" ").append(FileErrorText(failure.error));
    return text;
}

WString FailureText(const MemberFailure& failure) {
    WString text = WithName(ReasonOf(failure), NamedIn(failure));
    if (HasHostReason(failure))
        text.append(texts::kReasonLabel).append(FileErrorText(failure.error));
    return text;
}

WString UnsupportedReason(const LzhEntry& entry) {
    const WStringView method(entry.method);
    if (lzh::MethodCode(method) != lzh::kMethodUnsupported || lzh::IsFolderMethod(method)) {
        return {};
    }
    return WString(method);
}

WString UnsupportedReason(const ZipEntry& entry) {
    if (entry.name.empty() && entry.compressedSize == 0) return {};  // a folder entry
    if ((entry.flags & zip::format::kFlagStrongEncryption) != 0) {
        return WString(texts::kStrongEncryption);
    }
    const std::uint32_t method = entry.aesPresent == 1 ? entry.aesMethod : entry.method;
    if (zip::MethodDecodable(method)) return {};
    const char* name = zip::MethodName(method);
    if (name == nullptr) return WString(texts::kMethodNumber) + Number(static_cast<int>(method));
    return platform::AsciiToWide(std::string(name) + " (" + std::to_string(method) + ")");
}

WString ExtractSummaryText(const RunCounts& counts) {
    WString text(texts::kExtractDone);
    AppendUnsupported(counts, &text);
    if (counts.damaged > 0) text.append(texts::kDamagedCountLine) += Number(counts.damaged);
    if (counts.trashed > 0) text.append(texts::kTrashedCountLine) += Number(counts.trashed);
    if (counts.archiveDamaged) text.append(texts::kArchiveDamagedLine);
    return text;
}

WString TestSummaryText(int total, const RunCounts& counts) {
    WString text;
    if (counts.damaged > 0) {
        text = Number(total);
        text.append(texts::kBadOf) += Number(counts.damaged);
        text.append(texts::kBadEnd);
    } else if (counts.unsupported + counts.unchecked > 0 && counts.goodFiles == 0) {
        text = texts::kNoneChecked;
    } else if (counts.unsupported + counts.unchecked > 0 || counts.archiveDamaged) {
        // Good only as far as it was tested: the lines below say how many were not.
        text = texts::kCheckedGood;
    } else {
        text = texts::kAllGood;
    }
    if (counts.unchecked > 0) text.append(texts::kUncheckedCountLine) += Number(counts.unchecked);
    AppendUnsupported(counts, &text);
    if (counts.archiveDamaged) text.append(texts::kArchiveDamagedLine);
    return text;
}

WString CancelledSummaryText(const RunCounts& counts) {
    WString text(texts::kCancelled);
    text.append(texts::kDoneBefore) += Number(counts.finished);
    if (counts.damaged > 0) text.append(texts::kDamagedCountLine) += Number(counts.damaged);
    return text;
}

WString PathTooLongText(WStringView storedPath) {
    return WithName(texts::kPathTooLong, ShownName(platform::DisplayPath(storedPath)));
}

WString DamagedText(WStringView name) {
    return WithName(texts::kDamaged, ShownName(name));
}

std::optional<WStringView> ListingWarning(LzhStatus status) {
    if (status == LzhStatus::NoEndMark) return texts::kNoEndMark;
    if (status == LzhStatus::HeaderCheckWarning) return texts::kHeaderCheckError;
    if (status == LzhStatus::DamagedFromHere) return texts::kDamagedFromHere;
    return std::nullopt;
}

std::optional<WStringView> ListingWarning(ZipStatus status) {
    if (status == ZipStatus::ReadFromLocalHeaders) return texts::kReadFromLocalHeaders;
    return std::nullopt;
}

bool IsUnreadable(ZipStatus status) {
    return status == ZipStatus::OpenFailed;
}

WString OpenFailureText(WStringView path, const OpenFailure& failure) {
    WString text(texts::kCannotOpen);
    text.append(u"\n").append(ShownName(platform::DisplayPath(path))).append(texts::kReasonLabel);
    const bool unreadable =
        failure.lzh == LzhStatus::OpenFailed || (failure.zip && IsUnreadable(*failure.zip));
    if (unreadable) {
        text += FileErrorText(failure.error);
    } else if (failure.splitPartMissing) {
        text += *failure.splitPartMissing;
    } else if (failure.foreignFormat) {
        text.append(*failure.foreignFormat).append(texts::kForeignFormat);
    } else if (failure.zip == ZipStatus::MultiDisk) {
        text += texts::kMultiDisk;
    } else if ((failure.zip && failure.zip != ZipStatus::NoEndRecord) || failure.archiveStartSeen) {
        // A ZIP end record or an LZH header was there: the archive is damaged.
        text += texts::kDamagedDirectory;
    } else {
        text += texts::kNotAnArchive;
    }
    return text;
}

}  // namespace quillory
