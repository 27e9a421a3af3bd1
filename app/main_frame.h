// The program's only frame window: menu 128, the command bar (a tool bar with the four
// images of the bundled strip), the accelerators, the archive-name bar ("書庫名" and a
// read-only edit with the open archive's path), the list view in the middle and a status
// bar with the commands' prompt texts. Every menu item, key and button becomes a command
// id that goes where CommandTargetOf says; commands are enabled as IsCommandEnabled says
// and, while a run goes on (the frame's job host runs it on a worker thread), only the
// about box and exit are; exit then stops the run and closes once it has ended. The
// File menu lists the recent archives; an archive dropped on the window opens; the
// title names the open archive; the window's size and the list's columns are kept.
#pragma once

#include <QMainWindow>
#include <map>
#include <optional>

#include "app/qt_job_host.h"
#include "platform/text.h"

class QAction;
class QHBoxLayout;
class QLabel;
class QMimeData;
class QLineEdit;
class QMenu;
class QSplitter;
class QToolBar;
class QTreeWidget;

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
    QtJobHost& jobHost() { return host_; }
    QMenu* recentMenu() const { return recentMenu_; }
    QToolBar* commandBar() const { return commandBar_; }
    QLineEdit* archiveNameEdit() const { return archiveName_; }
    QTreeWidget* folderPane() const { return folderPane_; }
    QWidget* folderPath() const { return folderPath_; }
    QLabel* listSummary() const { return listSummary_; }
    // 表示: folders as folders (the folder pane and one folder's files in the list), or
    // every member at once; and going up one folder.
    QAction* folderViewAction() const { return folderView_; }
    QAction* upAction() const { return up_; }
    // Ctrl+F: the filter field over the list; Escape there clears and closes it.
    QLineEdit* filterEdit() const { return filter_; }
    // The action carrying a command id (menu item, button or accelerator), or null.
    QAction* action(int id) const;

    void SetArchiveName(const QString& hostPath);
    void OnCommand(int id);
    // Enables each command exactly as the document's state allows.
    void UpdateCommandStates();
    // The recent archives' menu, newest first.
    void FillRecentMenu();

protected:
    // A run going on is stopped first; the window closes when it has ended. The window's
    // size and the columns' widths are kept for the next start.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* CommandAction(int id);
    void CreateMenus();
    void CreateCommandBar();
    void CreateAccelerators();
    void CreateArchiveNameBar();
    void CreateStatusBar();
    void CreateViewMenu();
    // The folder view on or off, as the 表示 menu says (and kept for the next start).
    void ApplyFolderView(bool on);
    // The folder pane's tree from the archive's folders, and the path in the name bar.
    void RebuildFolderPane();
    void ShowCurrentFolder();
    // "N 個のファイル、合計 X" for the files listed, and the selection's count and size.
    void ShowListSummary();
    void RestoreLayout();
    void SaveLayout() const;
    // The archive a drop carries, or nothing.
    std::optional<WString> DroppedArchive(const QMimeData* mime) const;

    CQuilloryDoc& doc_;
    QtUserInterface& ui_;
    QtJobHost host_;
    CQuilloryView* view_;
    QMenu* recentMenu_ = nullptr;
    bool closeAfterRun_ = false;
    QToolBar* commandBar_ = nullptr;
    QLineEdit* archiveName_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* folderPane_ = nullptr;
    QWidget* folderPath_ = nullptr;
    QHBoxLayout* folderPathLayout_ = nullptr;
    QAction* folderView_ = nullptr;
    QAction* up_ = nullptr;
    QLabel* listSummary_ = nullptr;
    QLineEdit* filter_ = nullptr;
    std::map<int, QAction*> actions_;
};

}  // namespace quillory
