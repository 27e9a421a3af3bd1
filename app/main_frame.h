// The program's only frame window: menu 128, the command bar (a tool bar with the four
// images of the bundled strip), the accelerators, the archive-name bar ("書庫名" and a
// read-only edit with the open archive's path), the list view in the middle and a status
// bar with the commands' prompt texts. Every menu item, key and button becomes a command
// id that goes where CommandTargetOf says; commands are enabled as IsCommandEnabled says.
#pragma once

#include <QMainWindow>
#include <map>

#include "platform/text.h"

class QAction;
class QLineEdit;
class QToolBar;

namespace quillory {

class CQuilloryDoc;
class CQuilloryView;
class QtUserInterface;

// The first field of the document template string is the frame's title.
inline constexpr char kDocumentTemplate[] =
    "Quillory\n\nQuillory\n\n\nQuillory.Document\nQuillory Document";

class CMainFrame final : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kArchiveNameEdit = 1001;

    // Builds the frame and its view over doc, and becomes ui's frame.
    CMainFrame(CQuilloryDoc& doc, QtUserInterface& ui);
    ~CMainFrame() override;

    CQuilloryView* view() const { return view_; }
    QToolBar* commandBar() const { return commandBar_; }
    QLineEdit* archiveNameEdit() const { return archiveName_; }
    // The action carrying a command id (menu item, button or accelerator), or null.
    QAction* action(int id) const;

    void SetArchiveName(const QString& hostPath);
    void OnCommand(int id);
    // Enables each command exactly as the document's state allows.
    void UpdateCommandStates();

protected:
    // The window stays while a run is going: its loop lets the window repaint.
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* CommandAction(int id);
    void CreateMenus();
    void CreateCommandBar();
    void CreateAccelerators();
    void CreateArchiveNameBar();
    void CreateStatusBar();

    CQuilloryDoc& doc_;
    QtUserInterface& ui_;
    CQuilloryView* view_;
    QToolBar* commandBar_ = nullptr;
    QLineEdit* archiveName_ = nullptr;
    std::map<int, QAction*> actions_;
};

}  // namespace quillory
