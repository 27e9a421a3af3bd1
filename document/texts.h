// Every text the document layer shows or asks, exactly as the user reads it. Texts with a
// member's name or a number are put together by the code that uses them, from the two
// halves given here. Each is read in the user's language wherever it is used, so a new
// text needs nothing but its line here and its entry in translations/quillory_en.ts.
#pragma once

#include "document/translation.h"
#include "platform/text.h"

namespace quillory::texts {

// Here a text's type is ShownText: its Japanese characters, shown in the user's language
// wherever the text is used. The name below keeps each declaration as it reads
// elsewhere in the program, and makes every text added here translated as well.
using WStringView = ShownText;

// Open and close.
inline constexpr WStringView kCloseOpenArchive = u"現在開いている書庫を閉じますか？";
inline constexpr WStringView kCannotOpen = u"書庫を開けませんでした。";
// Why: "書庫を開けませんでした。\n<path>\n理由：<reason>".
inline constexpr WStringView kReasonLabel = u"\n理由：";
inline constexpr WStringView kNotAnArchive = u"LZH書庫でもZIP書庫でもありません。";
// A split set without one of its parts: kSplitPartBefore + the part's name + kSplitPartAfter.
inline constexpr WStringView kSplitPartBefore = u"分割された書庫の一部 [";
inline constexpr WStringView kSplitPartAfter = u"] が見つかりません。";
// A file of another format: its name ("RAR", "PNG"), then this.
inline constexpr WStringView kForeignFormat = u"形式のファイルには対応していません。";
inline constexpr WStringView kDamagedDirectory = u"書庫のヘッダまたはディレクトリが壊れています。";
inline constexpr WStringView kMultiDisk = u"複数のディスクに分割された書庫には対応していません。";
inline constexpr WStringView kNoEndMark = u"警告：ファイルの末尾にエンドマークがありません";
inline constexpr WStringView kHeaderCheckError =
    u"警告：ヘッダCRCまたはヘッダチェックサムエラーです";
inline constexpr WStringView kDamagedFromHere =
    u"警告：書庫の途中でヘッダが壊れています。それより前のファイルだけを扱います";
inline constexpr WStringView kReadFromLocalHeaders =
    u"警告：書庫の中央ディレクトリが見つからないため、各ファイルのヘッダから読み取りました";

// A destination that is empty or relative, which the program never resolves against a
// current folder of its own.
inline constexpr WStringView kDestinationNotAbsolute =
    u"展開先のフォルダを絶対パスで指定してください。";
// A destination that cannot be made or written: the text, the path, kReasonLabel + why.
inline constexpr WStringView kDestinationFailed = u"展開先のフォルダを作成できませんでした。";

// Why a member failed. Its message is the reason, then the member (or its path) in
// brackets: reason + kNameBefore + name + kNameAfter; a reason from the host follows on
// a line of its own (kReasonLabel).
inline constexpr WStringView kNameBefore = u" [";
inline constexpr WStringView kNameAfter = u"]";
// A member whose path the host cannot take (its stored path in the brackets).
inline constexpr WStringView kPathTooLong = u"パスが長すぎるため展開できません。";
inline constexpr WStringView kDamaged = u"ファイルが壊れています。";

// Extraction and test.
inline constexpr WStringView kExtractDone = u"展開終了";
inline constexpr WStringView kUnsupportedCountLine = u"\n非対応圧縮ファイル数 ";
// Why those were skipped: kUnsupportedMethodsLine + each method once, kListSeparator
// between them ("JPEG (96)", "PKWARE強力暗号化", "-lh9-"). The list shows the same
// for a member: kUnsupportedNote + its method.
inline constexpr WStringView kUnsupportedMethodsLine = u"\n非対応の方式 ";
inline constexpr WStringView kListSeparator = u"、";
inline constexpr WStringView kUnsupportedNote = u"非対応：";
inline constexpr WStringView kStrongEncryption = u"PKWARE強力暗号化";
inline constexpr WStringView kMethodNumber = u"方式 ";  // + a number no writer is known to use
inline constexpr WStringView kDamagedCountLine = u"\n不正ファイル数 ";
// Files replaced whose earlier versions went to the desktop's Trash (the window only).
inline constexpr WStringView kTrashedCountLine = u"\nごみ箱に移した元のファイル数 ";
inline constexpr WStringView kAllGood = u"すべてのファイルは正常です。";
// A test in which every file member was of a method that cannot be decoded.
inline constexpr WStringView kNoneChecked = u"テストできたファイルはありません。";
// "%dファイル中%dファイルが不正です。": total, kBadOf, damaged, kBadEnd.
inline constexpr WStringView kBadOf = u"ファイル中";
inline constexpr WStringView kBadEnd = u"ファイルが不正です。";
// After a summary when the listing came with a warning.
inline constexpr WStringView kArchiveDamagedLine =
    u"\n書庫が壊れています。一覧にないファイルは処理されていません。";

// A member whose file could not be made or written (its path in the brackets, then the
// host's reason).
inline constexpr WStringView kCreateFailed = u"ファイルを作成できませんでした。";
inline constexpr WStringView kWriteFailed = u"ファイルを書き込めませんでした。";
// The host's reasons, as a user can act on them.
inline constexpr WStringView kReasonNotFound = u"ファイルまたはフォルダが見つかりません。";
inline constexpr WStringView kReasonNoPermission = u"アクセスする権限がありません。";
inline constexpr WStringView kReasonInTheWay = u"同じ名前のファイルまたはフォルダがあります。";
inline constexpr WStringView kReasonNameTooLong = u"名前が長すぎます。";
inline constexpr WStringView kReasonDiskFull = u"ディスクの空き容量が足りません。";
inline constexpr WStringView kReasonReadOnly = u"読み取り専用のファイルシステムです。";
inline constexpr WStringView kReasonOther = u"システムエラー ";  // + the host's number

// A protected member whose password was wrong, or not given.
inline constexpr WStringView kWrongPassword = u"パスワードが違います。";
inline constexpr WStringView kNoPassword = u"パスワードが入力されませんでした。";
// After the password dialog was cancelled, kNoPassword + kSkipEncrypted: Yes skips every
// protected member of the run without asking, No stops the run.
inline constexpr WStringView kSkipEncrypted =
    u"\n\n暗号化されたほかのファイルを飛ばして続けますか？\n（「いいえ」で中止します）";

// After kQuietAfterFailures failure messages, the next one comes with this question:
// Yes goes on without further failure messages, No stops the run.
inline constexpr WStringView kGoOnQuietly =
    u"\n\nこれ以降のエラーを表示せずに続けますか？\n（「いいえ」で中止します）";

// A run that was cancelled: kCancelled, then kDoneBefore + the members done.
inline constexpr WStringView kCancelled = u"中止しました。";
inline constexpr WStringView kDoneBefore = u"\n処理済みファイル数 ";
// The folder the files went to, after an extraction without the destination dialog.
inline constexpr WStringView kDestinationLine = u"\n展開先：";
// The summary's list of failed members, as its heading; a test's list.
inline constexpr WStringView kFailedListTitle = u"展開できなかったファイル";
inline constexpr WStringView kUncheckedListTitle = u"テストできなかったファイル";
// A test's protected members whose password was wrong or not given: not damaged, only
// not checked. "テストできたファイルは正常です。" when the others were good.
inline constexpr WStringView kUncheckedCountLine = u"\nテストできなかったファイル数 ";
inline constexpr WStringView kCheckedGood = u"テストできたファイルは正常です。";
// The summary's button that opens the folder the files went to.
inline constexpr WStringView kOpenFolder = u"フォルダを開く";

// The overwrite question's details.
inline constexpr WStringView kExistingFile = u"既存のファイル：";
inline constexpr WStringView kNewFile = u"新しいファイル：";
inline constexpr WStringView kBytes = u" バイト";

// Opening one member from the list: kOpenFailed + status + kOpenFailedEnd.
inline constexpr WStringView kOpenFailed = u"ファイルの展開が失敗しました。エラーコード[";
inline constexpr WStringView kOpenFailedEnd = u"]";

// The readers' questions: kUnsafeBefore + stored path + kUnsafeTarget + the place it
// would be written + kUnsafeAfter, and kOverwriteBefore + name + kOverwriteAfter.
inline constexpr WStringView kUnsafeBefore = u"書庫内のファイル[";
inline constexpr WStringView kUnsafeTarget =
    u"]が意図しないフォルダに展開される可能性があります。\n展開先：";
inline constexpr WStringView kUnsafeAfter = u"\n展開しますか？";
inline constexpr WStringView kOverwriteBefore = u"既に[";
inline constexpr WStringView kOverwriteAfter = u"]が存在します。上書きしますか？";

// The file-open dialog's filter: four entries, the first one selected.
struct FileFilter {
    WStringView description;
    WStringView patterns;  // ";" between patterns
};
inline constexpr FileFilter kArchiveFilters[] = {
    {u"すべての書庫 (*.lzh;*.lha;*.zip;*.exe;*.z01;*.001)",
     u"*.lzh;*.lha;*.zip;*.exe;*.z[0-9][0-9];*.[0-9][0-9][0-9]"},
    {u"LHA書庫 (*.lzh;*.lha)", u"*.lzh;*.lha"},
    {u"ZIP書庫 (*.zip;*.z01;*.001)", u"*.zip;*.z[0-9][0-9];*.[0-9][0-9][0-9]"},
    // Self-extracting LHA and ZIP archives, which open as the archive inside.
    {u"自己解凍書庫 (*.exe)", u"*.exe"},
    {u"すべてのファイル (*.*)", u"*.*"},
};

// The member list's name for a folder entry.
inline constexpr WStringView kFolderRowName = u"<DIR>";

}  // namespace quillory::texts
