// Start-up as both front ends run it, once their profile, user interface and document
// exist: the special folders, the settings, the readers' overwrite and folder flags, the
// archive named on the command line and, with "AutoExtract" on, its extraction into a
// folder named after it, after which the program quits without showing its window. The
// desktop entry's two actions, extract here and test, run the same way on their archive.
#pragma once

#include <optional>

#include "document/quillory_doc.h"
#include "platform/text.h"

namespace quillory {

// What the command line asks of its archive: open it (and extract it at once when
// "AutoExtract" is on), or one of the desktop entry's actions, which run on the archive
// with the current settings, show the summary and quit without the main window.
enum class StartupAction {
    Open,
    ExtractHere,  // "ここに展開": every member into the folder that holds the archive
    Test,         // "テスト": the test command
};

struct StartupRequest {
    // The desktop's and the documents folder as the platform reports them (program
    // paths; a trailing "\" is added when missing). Empty when the query failed.
    WString desktopFolder;
    WString myDocumentsFolder;
    // The archive named on the command line, as a program path.
    std::optional<WString> archive;
    StartupAction action = StartupAction::Open;
};

enum class StartupResult {
    ShowMainWindow,  // show the main window and run the message loop
    Quit,            // the automatic extraction ran (or the archive failed): quit now
};

// Reads the settings through the document's profile into its settings, sets up the
// readers and opens the archive; an action without an archive asks for one with the
// open dialog, and quits when it is cancelled. An archive that cannot be opened is
// reported with "書庫を開けませんでした。"; with "AutoExtract" on or an action asked for,
// the program then quits without running anything.
// On Quit, *exitStatus (when given) is what the program should exit with: that of the
// run (ExitStatusOf), kExitNotOpened for an archive that could not be opened.
StartupResult StartUp(CQuilloryDoc& doc, const StartupRequest& request, int* exitStatus = nullptr);

// The automatic extraction of the open archive: every member into the folder named after
// it below the desktop (or My Documents with "AutoExtractMethod" 1), no destination or
// progress dialog, the summary message, no remembered folder.
RunSummary AutoExtract(CQuilloryDoc& doc);

// The extract-here action on the open archive: every member into the archive's own
// folder, or into the folder named after the archive there when "CreateFolder" is on,
// with the progress dialog and the summary message; no destination dialog and no
// remembered folder, as the user chose the place by choosing the archive.
RunSummary ExtractHere(CQuilloryDoc& doc);

}  // namespace quillory
