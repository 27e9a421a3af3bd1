// What the readers' status numbers mean to the user: the one place that turns them into
// counts and messages, for extraction (all, selected, automatic, extract here), for the
// test, for the listing's warnings, for an archive that does not open, and for the
// summary that ends a run. Nothing here asks or shows anything itself.
#pragma once

#include <optional>
#include <vector>

#include "document/archive_type.h"
#include "lzh/lzh_archive.h"
#include "platform/file.h"
#include "platform/text.h"
#include "zip/zip_archive.h"

namespace quillory {

enum class RunKind { Extract, Test };

enum class FailureClass {
    Unsupported,    // counted, never reported one by one
    Ignored,        // the user's choice or a folder not recreated: no count, no message
    Damaged,        // reported at once and counted
    PathTooLong,    // the host cannot take its path: reported at once, counted as damaged
    CreateFailed,   // its file could not be made: reported with the path and the reason
    WriteFailed,    // its file could not take the data: reported with the path and reason
    WrongPassword,  // the password was wrong or not given: reported, counted as damaged
};

FailureClass ClassifyFailure(LzhStatus status, RunKind kind);
FailureClass ClassifyFailure(ZipStatus status, RunKind kind);

// Whether the reader gave up on the member because a stop was requested: such a member
// is not through, neither good nor damaged.
bool IsStopped(LzhStatus status);
bool IsStopped(ZipStatus status);

// The error code that opening a member from the list shows when no private folder can be
// had: what both readers report when a member cannot be written where it should go.
inline constexpr int kCreateFailedStatus = static_cast<int>(LzhStatus::CreateFailed);
static_assert(kCreateFailedStatus == static_cast<int>(ZipStatus::CreateFailed));

// What is known of one failed member when its message is made.
struct MemberFailure {
    FailureClass kind = FailureClass::Damaged;
    WString name;                    // the member's name as the list shows it
    WString storedPath;              // its folders and name as stored
    WString outputPath;              // where it was to be written (create and write failures)
    platform::FileErrorInfo error;   // the host's reason (create and write failures)
    bool passwordCancelled = false;  // the password dialog was cancelled
};

// The message shown at once for a failed member, e.g. "ファイルが壊れています。 [a.txt]" or
// "ファイルを作成できませんでした。 [/x/a.txt]\n理由：ディスクの空き容量が足りません。".
WString FailureText(const MemberFailure& failure);
// The reason alone, for the summary's list ("ファイルが壊れています。" ...).
WString FailureReason(const MemberFailure& failure);
// The host's reason in words.
WString FileErrorText(platform::FileErrorInfo error);

// Why a member cannot be decoded, as the list and the summary name it: its ZIP method
// ("JPEG (96)"), PKWARE's strong encryption, or its LZH identifier ("-lh9-"); empty for
// a member that some decoder takes, and for folder entries.
WString UnsupportedReason(const LzhEntry& entry);
WString UnsupportedReason(const ZipEntry& entry);

// The counts of one run.
struct RunCounts {
    int members = 0;      // members handed to the reader
    int unsupported = 0;  // counted in tests too, where the summary leaves it out
    std::vector<WString> unsupportedReasons;  // each once, in member order
    int damaged = 0;
    int trashed = 0;       // files replaced, the ones that stood there moved to the Trash
    int unchecked = 0;     // a test's protected members whose password was wrong or not given
    int goodFiles = 0;     // members other than folder entries that came out good
    int finished = 0;      // members the reader was through with (not interrupted)
    bool stopped = false;  // a stop was requested: the walk ended early
    // The listing came with a warning: members past the damage may be missing from it,
    // so the run cannot call the archive good whatever its members gave.
    bool archiveDamaged = false;
};

// "展開終了", then a line for each non-zero count (and the unsupported members' methods).
WString ExtractSummaryText(const RunCounts& counts);
// "すべてのファイルは正常です。" or "<total>ファイル中<damaged>ファイルが不正です。", and the
// unsupported count's line when some member could not be checked; a test that checked
// no file at all because every one was unsupported or protected says so instead of
// calling it good. Members left unchecked for their password have a line of their own,
// and the good others are "テストできたファイルは正常です。".
WString TestSummaryText(int total, const RunCounts& counts);
// "中止しました。\n処理済みファイル数 <members done>", and the damaged count's line.
WString CancelledSummaryText(const RunCounts& counts);
// "ファイルが壊れています。 [<name>]".
WString DamagedText(WStringView name);
// "パスが長すぎるため展開できません。 [<stored path>]", the path as the host shows it.
WString PathTooLongText(WStringView storedPath);

// The warning a listing came with, or nothing.
std::optional<WStringView> ListingWarning(LzhStatus status);
std::optional<WStringView> ListingWarning(ZipStatus status);

// Whether the ZIP reader could not read the file at all, so the host's reason says why.
bool IsUnreadable(ZipStatus status);

// What the readers said when a file did not open: each reader's status when it was
// tried, and the host's reason when the file could not be read at all.
struct OpenFailure {
    std::optional<LzhStatus> lzh;
    std::optional<ZipStatus> zip;
    platform::FileErrorInfo error;
    // The file starts like an archive (a ZIP signature, or "-lh?-" at 2): it is damaged.
    bool archiveStartSeen = false;
    // The format another program's file is in ("RAR", "PNG"), known by its signature.
    std::optional<WStringView> foreignFormat;
    // "分割された書庫の一部 [NAME.z03] が見つかりません。" for a split set missing a part.
    std::optional<WString> splitPartMissing;
};
// "書庫を開けませんでした。\n<path>\n理由：<reason>"; for a file of another format the
// reason is "<format>形式のファイルには対応していません。".
WString OpenFailureText(WStringView path, const OpenFailure& failure);

}  // namespace quillory
