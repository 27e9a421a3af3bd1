// Command ids shared by the menu, the accelerators and the command bar, where each one is
// handled, and when it is enabled. A front end turns a menu item, key or button into an
// id and hands it to the target that CommandTargetOf names.
#pragma once

#include <string_view>

namespace quillory {

enum CommandId : int {
    kCommandExtractAll = 32771,       // "すべてのファイルを展開(&E)..."
    kCommandTest = 32773,             // "テスト(&T)"
    kCommandExtractSelected = 32774,  // "選択ファイルを展開(&S)..."
    kCommandSettings = 32775,         // "設定(&C)..."
    // The names' encoding for the archive in hand (document/name_encodings.h), in the
    // order of the menu "文字コード(&K)".
    kCommandEncodingAuto = 32780,     // "自動判別(&A)"
    kCommandEncodingCp932 = 32781,    // "日本語 (CP932)(&J)"
    kCommandEncodingUtf8 = 32782,     // "Unicode (UTF-8)(&U)"
    kCommandEncodingGbk = 32783,      // "簡体字中国語 (GBK)(&S)"
    kCommandEncodingBig5 = 32784,     // "繁体字中国語 (Big5)(&T)"
    kCommandEncodingKorean = 32785,   // "韓国語 (CP949)(&K)"
    kCommandEncodingWestern = 32786,  // "西ヨーロッパ言語 (CP1252)(&W)"
    kCommandEncodingDos = 32787,      // "DOS (CP437)(&D)"
    kCommandFileNew = 57600,          // Ctrl+N: the framework's new-document step
    kCommandFileOpen = 57601,         // "書庫を開く(&O)...\tCtrl+O"
    kCommandFileClose = 57602,        // "書庫を閉じる(&C)"
    kCommandFileSave = 57603,         // Ctrl+S, no handler
    kCommandEditCopy = 57634,         // Ctrl+C, Ctrl+Insert, no handler
    kCommandEditCut = 57635,          // Ctrl+X, Shift+Delete, no handler
    kCommandEditPaste = 57637,        // Ctrl+V, Shift+Insert, no handler
    kCommandEditUndo = 57643,         // Ctrl+Z, Alt+Backspace, no handler
    kCommandAppAbout = 57664,         // "Quillory のバージョン情報(&A)..."
    kCommandAppExit = 57665,          // "アプリケーションの終了(&X)"
    kCommandNextPane = 57680,         // F6, no handler
    kCommandPrevPane = 57681,         // Shift+F6, no handler
};

enum class CommandTarget {
    Document,     // CQuilloryDoc::OnCommand
    View,         // the list view: MemberList::ExtractSelected with the selected rows
    Application,  // the about box
    Framework,    // exit, and the framework's new-document step (CQuilloryDoc::OnNewDocument)
    None,         // no handler: the command does nothing
};

CommandTarget CommandTargetOf(int id);

// The encoding commands, kCommandEncodingAuto to kCommandEncodingDos, and the code page
// each one chooses (as iconv names it; empty for automatic).
bool IsEncodingCommand(int id);
std::string_view CodePageOfCommand(int id);

// Extract all, extract selected, test, close and the encodings are enabled exactly while
// an archive is open; every other command is always enabled.
bool IsCommandEnabled(int id, int isOpen);

}  // namespace quillory
