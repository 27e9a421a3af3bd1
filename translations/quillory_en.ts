<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The English texts of Quillory. Each source is a Japanese text exactly as the
     program shows it, one entry per text, all in the context "Quillory". The GUI
     reads the .qm that lrelease makes of this file; quillory-cli and the document
     layer read the same entries compiled in (translations/ts-to-catalogue.cmake).
     The completeness test fails for a Japanese text of the program that has no
     finished translation here. Where a text is a piece of a longer message, the
     comment above its group says how the pieces join. -->
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Quillory</name>
    <!-- Opening and closing an archive, and its listing warnings -->
    <message>
        <source>現在開いている書庫を閉じますか？</source>
        <translation>Close the archive that is open?</translation>
    </message>
    <message>
        <source>書庫を開けませんでした。</source>
        <translation>The archive could not be opened.</translation>
    </message>
    <message>
        <source>
理由：</source>
        <translation>
Reason: </translation>
    </message>
    <message>
        <source>LZH書庫でもZIP書庫でもありません。</source>
        <translation>It is neither an LZH nor a ZIP archive.</translation>
    </message>
    <message>
        <source>分割された書庫の一部 [</source>
        <translation>A part of the split archive, [</translation>
    </message>
    <message>
        <source>] が見つかりません。</source>
        <translation>], is missing.</translation>
    </message>
    <message>
        <source>形式のファイルには対応していません。</source>
        <translation> files are not supported.</translation>
    </message>
    <message>
        <source>書庫のヘッダまたはディレクトリが壊れています。</source>
        <translation>The archive's headers or its directory are damaged.</translation>
    </message>
    <message>
        <source>複数のディスクに分割された書庫には対応していません。</source>
        <translation>Archives split over several disks are not supported.</translation>
    </message>
    <message>
        <source>警告：ファイルの末尾にエンドマークがありません</source>
        <translation>Warning: the file has no end mark</translation>
    </message>
    <message>
        <source>警告：ヘッダCRCまたはヘッダチェックサムエラーです</source>
        <translation>Warning: a header's CRC or checksum is wrong</translation>
    </message>
    <message>
        <source>警告：書庫の中央ディレクトリが見つからないため、各ファイルのヘッダから読み取りました</source>
        <translation>Warning: the archive's central directory was not found, so the members were read from their own headers</translation>
    </message>
    <message>
        <source>警告：書庫の途中でヘッダが壊れています。それより前のファイルだけを扱います</source>
        <translation>Warning: a header inside the archive is damaged. Only the files before it are used</translation>
    </message>
    <message>
        <source>展開先のフォルダを絶対パスで指定してください。</source>
        <translation>Give the destination folder as an absolute path.</translation>
    </message>
    <message>
        <source>展開先のフォルダを作成できませんでした。</source>
        <translation>The destination folder could not be created.</translation>
    </message>
    <!-- Members that fail, and the summary of a run; the member's name follows in brackets -->
    <message>
        <source>パスが長すぎるため展開できません。</source>
        <translation>The path is too long to extract.</translation>
    </message>
    <message>
        <source>ファイルが壊れています。</source>
        <translation>The file is damaged.</translation>
    </message>
    <message>
        <source>展開終了</source>
        <translation>Extraction finished</translation>
    </message>
    <message>
        <source>
非対応圧縮ファイル数 </source>
        <translation>
Files of unsupported methods: </translation>
    </message>
    <message>
        <source>
非対応の方式 </source>
        <translation>
Unsupported methods: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>非対応：</source>
        <translation>Unsupported: </translation>
    </message>
    <message>
        <source>PKWARE強力暗号化</source>
        <translation>PKWARE strong encryption</translation>
    </message>
    <message>
        <source>方式 </source>
        <translation>method </translation>
    </message>
    <message>
        <source>
不正ファイル数 </source>
        <translation>
Damaged files: </translation>
    </message>
    <message>
        <source>すべてのファイルは正常です。</source>
        <translation>All files are good.</translation>
    </message>
    <message>
        <source>テストできたファイルはありません。</source>
        <translation>No file could be tested.</translation>
    </message>
    <message>
        <source>ファイル中</source>
        <translation> files tested, </translation>
    </message>
    <message>
        <source>ファイルが不正です。</source>
        <translation> damaged.</translation>
    </message>
    <message>
        <source>
書庫が壊れています。一覧にないファイルは処理されていません。</source>
        <translation>
The archive is damaged. Files missing from the list were not processed.</translation>
    </message>
    <message>
        <source>ファイルを作成できませんでした。</source>
        <translation>The file could not be created.</translation>
    </message>
    <message>
        <source>ファイルを書き込めませんでした。</source>
        <translation>The file could not be written.</translation>
    </message>
    <message>
        <source>ファイルまたはフォルダが見つかりません。</source>
        <translation>No such file or folder.</translation>
    </message>
    <message>
        <source>アクセスする権限がありません。</source>
        <translation>Permission denied.</translation>
    </message>
    <message>
        <source>同じ名前のファイルまたはフォルダがあります。</source>
        <translation>A file or folder of the same name is in the way.</translation>
    </message>
    <message>
        <source>名前が長すぎます。</source>
        <translation>The name is too long.</translation>
    </message>
    <message>
        <source>ディスクの空き容量が足りません。</source>
        <translation>There is not enough space on the disk.</translation>
    </message>
    <message>
        <source>読み取り専用のファイルシステムです。</source>
        <translation>The file system is read-only.</translation>
    </message>
    <message>
        <source>システムエラー </source>
        <translation>System error </translation>
    </message>
    <message>
        <source>パスワードが違います。</source>
        <translation>Wrong password.</translation>
    </message>
    <message>
        <source>パスワードが入力されませんでした。</source>
        <translation>No password was given.</translation>
    </message>
    <message>
        <source>

これ以降のエラーを表示せずに続けますか？
（「いいえ」で中止します）</source>
        <translation>

Go on without showing further errors?
(No stops the run.)</translation>
    </message>
    <message>
        <source>中止しました。</source>
        <translation>Stopped.</translation>
    </message>
    <message>
        <source>
処理済みファイル数 </source>
        <translation>
Files done: </translation>
    </message>
    <message>
        <source>
展開先：</source>
        <translation>
Destination: </translation>
    </message>
    <message>
        <source>展開できなかったファイル</source>
        <translation>Files that could not be extracted</translation>
    </message>
    <message>
        <source>ファイルの展開が失敗しました。エラーコード[</source>
        <translation>The file could not be extracted. Error code [</translation>
    </message>
    <!-- Questions -->
    <message>
        <source>既存のファイル：</source>
        <translation>Existing file: </translation>
    </message>
    <message>
        <source>新しいファイル：</source>
        <translation>New file: </translation>
    </message>
    <message>
        <source> バイト</source>
        <translation> bytes</translation>
    </message>
    <message>
        <source>書庫内のファイル[</source>
        <translation>Archive member [</translation>
    </message>
    <message>
        <source>]が意図しないフォルダに展開される可能性があります。
展開先：</source>
        <translation>] may be extracted into a folder you did not intend.
Destination: </translation>
    </message>
    <message>
        <source>
展開しますか？</source>
        <translation>
Extract it?</translation>
    </message>
    <message>
        <source>既に[</source>
        <translation>[</translation>
    </message>
    <message>
        <source>]が存在します。上書きしますか？</source>
        <translation>] already exists. Replace it?</translation>
    </message>
    <message>
        <source>]を展開しませんでした。</source>
        <translation>] was not extracted.</translation>
    </message>
    <message>
        <source>パスワードの入力</source>
        <translation>Enter Password</translation>
    </message>
    <!-- The member list's columns and the open dialog's filters -->
    <message>
        <source>ファイル名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>圧縮サイズ</source>
        <translation>Compressed</translation>
    </message>
    <message>
        <source>圧縮率</source>
        <translation>Ratio</translation>
    </message>
    <message>
        <source>最終更新日時</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>属性</source>
        <translation>Attributes</translation>
    </message>
    <message>
        <source>パス</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>すべての書庫 (*.lzh;*.lha;*.zip;*.exe;*.z01;*.001)</source>
        <translation>All archives (*.lzh;*.lha;*.zip;*.exe;*.z01;*.001)</translation>
    </message>
    <message>
        <source>LHA書庫 (*.lzh;*.lha)</source>
        <translation>LHA archives (*.lzh;*.lha)</translation>
    </message>
    <message>
        <source>ZIP書庫 (*.zip;*.z01;*.001)</source>
        <translation>ZIP archives (*.zip;*.z01;*.001)</translation>
    </message>
    <message>
        <source>自己解凍書庫 (*.exe)</source>
        <translation>Self-extracting archives (*.exe)</translation>
    </message>
    <message>
        <source>すべてのファイル (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <!-- The main window: menus, prompts, bars -->
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>書庫を開く(&amp;O)...	Ctrl+O</source>
        <translation>&amp;Open Archive...	Ctrl+O</translation>
    </message>
    <message>
        <source>書庫を閉じる(&amp;C)</source>
        <translation>&amp;Close Archive</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>操作(&amp;A)</source>
        <translation>&amp;Actions</translation>
    </message>
    <message>
        <source>すべてのファイルを展開(&amp;E)...</source>
        <translation>&amp;Extract All Files...</translation>
    </message>
    <message>
        <source>選択ファイルを展開(&amp;S)...</source>
        <translation>Extract &amp;Selected Files...</translation>
    </message>
    <message>
        <source>テスト(&amp;T)</source>
        <translation>&amp;Test</translation>
    </message>
    <message>
        <source>文字コード(&amp;K)</source>
        <translation>&amp;Encoding</translation>
    </message>
    <message>
        <source>自動判別(&amp;A)</source>
        <translation>&amp;Automatic</translation>
    </message>
    <message>
        <source>日本語 (CP932)(&amp;J)</source>
        <translation>&amp;Japanese (CP932)</translation>
    </message>
    <message>
        <source>Unicode (UTF-8)(&amp;U)</source>
        <translation>&amp;Unicode (UTF-8)</translation>
    </message>
    <message>
        <source>簡体字中国語 (GBK)(&amp;S)</source>
        <translation>&amp;Simplified Chinese (GBK)</translation>
    </message>
    <message>
        <source>繁体字中国語 (Big5)(&amp;T)</source>
        <translation>&amp;Traditional Chinese (Big5)</translation>
    </message>
    <message>
        <source>韓国語 (CP949)(&amp;K)</source>
        <translation>&amp;Korean (CP949)</translation>
    </message>
    <message>
        <source>西ヨーロッパ言語 (CP1252)(&amp;W)</source>
        <translation>&amp;Western European (CP1252)</translation>
    </message>
    <message>
        <source>DOS (CP437)(&amp;D)</source>
        <translation>&amp;DOS (CP437)</translation>
    </message>
    <message>
        <source>オプション(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>設定(&amp;C)...</source>
        <translation>&amp;Settings...</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Quillory のバージョン情報(&amp;A)...</source>
        <translation>&amp;About Quillory...</translation>
    </message>
    <message>
        <source>作業中のファイルを閉じる
閉じる</source>
        <translation>Close the active document
Close</translation>
    </message>
    <message>
        <source>プログラムの情報、バージョン番号そして著作権を表示
バージョン情報</source>
        <translation>Display program information, version number and copyright
About</translation>
    </message>
    <message>
        <source>アプリケーションを終了し、ファイルの保存を指示
終了</source>
        <translation>Quit the application; prompts to save documents
Exit</translation>
    </message>
    <message>
        <source>レディ</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>最近使った書庫(&amp;R)</source>
        <translation>&amp;Recent Archives</translation>
    </message>
    <message>
        <source>書庫名</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>(なし)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <!-- Dialogs and message boxes -->
    <message>
        <source>Quillory のバージョン情報</source>
        <translation>About Quillory</translation>
    </message>
    <message>
        <source>LZH・ZIP 書庫を展開するツール</source>
        <translation>A tool that extracts LZH and ZIP archives</translation>
    </message>
    <message>
        <source>展開先の指定</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>書庫と同名のフォルダを作成</source>
        <translation>Create a folder named after the archive</translation>
    </message>
    <message>
        <source>フォルダ付きで展開</source>
        <translation>Extract with folders</translation>
    </message>
    <message>
        <source>フォルダの選択</source>
        <translation>Choose a Folder</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>書庫：</source>
        <translation>Archive: </translation>
    </message>
    <message>
        <source>ファイル：</source>
        <translation>File: </translation>
    </message>
    <message>
        <source>進行状況</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source> ファイル</source>
        <translation> files</translation>
    </message>
    <message>
        <source>中止しています...</source>
        <translation>Stopping...</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>すべてはい(&amp;A)</source>
        <translation>Yes to &amp;All</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>すべていいえ(&amp;L)</source>
        <translation>N&amp;o to All</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>理由</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>自動展開</source>
        <translation>Extract automatically</translation>
    </message>
    <message>
        <source>デスクトップ</source>
        <translation>Desktop</translation>
    </message>
    <message>
        <source>一覧でフォルダを表示する</source>
        <translation>Show folders in the list</translation>
    </message>
    <message>
        <source>展開後にフォルダを開く</source>
        <translation>Open the folder after extracting</translation>
    </message>
    <message>
        <source>壊れたファイルを「.damaged」として残す</source>
        <translation>Keep damaged files as “.damaged”</translation>
    </message>
    <message>
        <source>上書き確認</source>
        <translation>Ask before replacing</translation>
    </message>
    <message>
        <source>常にする</source>
        <translation>Always</translation>
    </message>
    <message>
        <source>新しいファイルのみ</source>
        <translation>Only when newer</translation>
    </message>
    <message>
        <source>しない</source>
        <translation>Never</translation>
    </message>
    <message>
        <source>書庫選択フォルダ</source>
        <translation>Folder for opening archives</translation>
    </message>
    <message>
        <source>最後に開いたフォルダ</source>
        <translation>The folder used last</translation>
    </message>
    <message>
        <source>書庫展開フォルダ</source>
        <translation>Folder for extracting</translation>
    </message>
    <message>
        <source>

暗号化されたほかのファイルを飛ばして続けますか？
（「いいえ」で中止します）</source>
        <translation>

Skip the other encrypted files and go on?
(No stops the run.)</translation>
    </message>
    <message>
        <source>テストできなかったファイル</source>
        <translation>Files that could not be tested</translation>
    </message>
    <message>
        <source>
テストできなかったファイル数 </source>
        <translation>
Files that could not be tested: </translation>
    </message>
    <message>
        <source>テストできたファイルは正常です。</source>
        <translation>The files that could be tested are all right.</translation>
    </message>
    <message>
        <source>フォルダを開く</source>
        <translation>Open Folder</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>フォルダごとに表示(&amp;F)</source>
        <translation>By &amp;Folder</translation>
    </message>
    <message>
        <source>上のフォルダへ(&amp;U)</source>
        <translation>&amp;Up One Folder</translation>
    </message>
    <message>
        <source>%1 個のファイル、合計 %2</source>
        <translation>%1 files, %2 in all</translation>
    </message>
    <message>
        <source>（選択 %1 個、%2）</source>
        <translation> (%1 selected, %2)</translation>
    </message>
    <message>
        <source>ファイル名で絞り込み（Escで解除）</source>
        <translation>Filter by name (Esc clears)</translation>
    </message>
    <message>
        <source>絞り込み(&amp;S)</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>Quillory のヘルプ</source>
        <translation>Quillory Help</translation>
    </message>
    <message>
        <source>Quillory のヘルプ(&amp;H)</source>
        <translation>Quillory &amp;Help</translation>
    </message>
    <message>
        <source>Quillory は LZH 書庫と ZIP 書庫を開き、一覧し、展開し、テストします。</source>
        <translation>Quillory opens LZH and ZIP archives, lists, extracts and tests their files. </translation>
    </message>
    <message>
        <source>Windows で作られた書庫の日本語の名前も正しく展開します。</source>
        <translation>Japanese names in archives made on Windows come out right.</translation>
    </message>
    <message>
        <source>左のフォルダを選ぶと、その中のファイルが一覧されます。</source>
        <translation>Choose a folder on the left to list its files. </translation>
    </message>
    <message>
        <source>表示メニューで全ファイルの一覧に切り替えられます。</source>
        <translation>The View menu switches to a list of every file. </translation>
    </message>
    <message>
        <source>一覧のファイルはファイルマネージャーへドラッグして取り出せます。</source>
        <translation>Files can be dragged from the list to a file manager.</translation>
    </message>
    <message>
        <source>キー</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>書庫を開く</source>
        <translation>Open an archive</translation>
    </message>
    <message>
        <source>すべてのファイルを展開</source>
        <translation>Extract all files</translation>
    </message>
    <message>
        <source>選択ファイルを展開</source>
        <translation>Extract the selected files</translation>
    </message>
    <message>
        <source>テスト</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>書庫を閉じる</source>
        <translation>Close the archive</translation>
    </message>
    <message>
        <source>アプリケーションの終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>選択したファイルを開く</source>
        <translation>Open the selected file</translation>
    </message>
    <message>
        <source>ファイル名で絞り込む（Escで解除）</source>
        <translation>Filter by name (Esc clears)</translation>
    </message>
    <message>
        <source>上のフォルダへ</source>
        <translation>Up one folder</translation>
    </message>
    <message>
        <source>このヘルプ</source>
        <translation>This help</translation>
    </message>
    <message>
        <source>
ごみ箱に移した元のファイル数 </source>
        <translation>
Replaced files moved to the Trash: </translation>
    </message>
    <!-- A member the desktop has no application for, and the chooser -->
    <message>
        <source>このファイルを開くアプリケーションが見つかりません。</source>
        <translation>No application to open this file was found.</translation>
    </message>
    <message>
        <source>別のアプリケーションで開く...</source>
        <translation>Open With Another Application...</translation>
    </message>
    <message>
        <source>別のアプリケーションで開く</source>
        <translation>Open With Another Application</translation>
    </message>
    <message>
        <source>このファイルを開くアプリケーションを選んでください。</source>
        <translation>Choose the application to open this file with.</translation>
    </message>
    <message>
        <source>アプリケーションを起動できませんでした。</source>
        <translation>The application could not be started.</translation>
    </message>
</context>
</TS>
