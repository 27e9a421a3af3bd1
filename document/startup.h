// Start-up as both front ends run it, once their profile, user interface and document
// exist: the special folders, the settings, the readers' overwrite and folder flags, the
// archive named on the command line and, with "AutoExtract" on, its extraction into a
// folder named after it, after which the program quits without showing its window.
#pragma once

#include <optional>

#include "document/quillory_doc.h"
#include "platform/text.h"

namespace quillory {

struct StartupRequest {
    // The desktop's and the documents folder as the platform reports them (program
    // paths; a trailing "\" is added when missing). Empty when the query failed.
    WString desktopFolder;
    WString myDocumentsFolder;
    // The archive named on the command line, as a program path.
    std::optional<WString> archive;
};

enum class StartupResult {
    ShowMainWindow,  // show the main window and run the message loop
    Quit,            // the automatic extraction ran (or the archive failed): quit now
};

// Reads the settings through the document's profile into its settings, sets up the
// readers and opens the archive. An archive that cannot be opened is reported with
// "書庫を開けませんでした。"; with "AutoExtract" on the program then quits without
// extracting.
StartupResult StartUp(CQuilloryDoc& doc, const StartupRequest& request);

// The automatic extraction of the open archive: every member into the folder named after
// it below the desktop (or My Documents with "AutoExtractMethod" 1), no destination or
// progress dialog, the summary message, no remembered folder.
RunSummary AutoExtract(CQuilloryDoc& doc);

}  // namespace quillory
