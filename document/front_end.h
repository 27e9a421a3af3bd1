// What a front end (the Qt GUI, quillory-cli, a test) implements and calls to run the
// document layer. Nothing here draws: every text, question and dialog reaches the user
// through UserInterface, and the front end decides how it looks.
//
// Implement:
//   - platform::Profile (platform/profile.h): integers and strings by section and value
//     name. The GUI backs it with QSettings("Ostrella Software", "Quillory"); the
//     command-line tool and tests use platform::MemoryProfile.
//   - UserInterface (document/user_interface.h): message boxes (OK; Yes/No where only
//     Yes proceeds), the typed questions (document/questions.h: the unsafe-path
//     question, No by default; the overwrite question with answers for all), the
//     file-open dialog (filters, initial folder), the destination, password and
//     settings dialogs (values in and out, false/nothing on Cancel; the destination an
//     absolute path), the progress dialog (open with a range, member name, bytes, step,
//     close), the run's summary (with its failed members), the archive-name bar,
//     repainting the active view, and the desktop's "open" for a file (or folder). Every
//     call is modal/synchronous; paths are program
//     paths: platform::FromHostPath and ToHostPath convert host paths (bytes, such as
//     argv or what a file dialog returns) both ways without loss, platform::DisplayPath
//     shows one, and platform::EditedPath takes back a shown path the user edited.
//   - DocumentView (document/document_view.h) for each view; OnUpdate rebuilds it,
//     typically with MemberList::Rebuild (inside beginResetModel/endResetModel in Qt).
//
// Call, in this order at start-up (a front end that opens members with the desktop
// first calls RemoveOldOpenedCopies()):
//   ApplicationSettings settings;               // filled by StartUp
//   CQuilloryDoc doc(ui, settings, profile);    // owns both readers
//   doc.AddView(&view);
//   switch (StartUp(doc, {desktopFolder, documentsFolder, archiveFromCommandLine, action})) {
//     case StartupResult::Quit: exit without showing a window;
//     case StartupResult::ShowMainWindow: show the window and run the event loop;
//   }
// Then, for each command id (document/commands.h), as CommandTargetOf(id) says:
//   Document    -> doc.OnCommand(id)  (open, close, extract all, test, settings)
//   View        -> list.ExtractSelected(doc, selectedRowNumbers)
//   Application -> the about box;  Framework -> exit, or doc.OnNewDocument();  None -> nothing
// and enable each one with IsCommandEnabled(id, doc.isOpen). A double-click calls
// list.OpenRow(doc, rowNumber), with -1 for empty space.
//
// Runs over the members (extract, test, open one member, the start-up's runs) are jobs
// (document/member_job.h) on the document's job host: by default the inline host, which
// runs them at once on the calling thread. A front end that keeps its window alive sets
// its own with doc.SetJobHost(&host) (the GUI's runs them on a worker thread), keeps the
// commands disabled while doc.Busy(), and stops a run with doc.jobHost().RequestStop();
// a command then returns a RunSummary with `running` set, and the summary comes later.
//
// A tool without a window drives the same flows directly: StartUp with the archive and
// "AutoExtract" off opens it (or reports "書庫を開けませんでした。" with doc.isOpen 0);
// MemberList lists it; doc.OnTest() and doc.OnExtractAll() run the commands, with the
// destination dialog answered by UserInterface::AskDestination, and return a RunSummary
// with the counts behind the summary message. ApplyOverwriteChoice sets the overwrite
// behaviour ("OverwriteInquire" 0, 1, 2) of the runs to come, ChooseNameEncoding the code
// page of the archive in hand.
#pragma once

#include "document/commands.h"
#include "document/document_view.h"
#include "document/member_list.h"
#include "document/quillory_doc.h"
#include "document/settings.h"
#include "document/startup.h"
#include "document/user_interface.h"
#include "platform/profile.h"
