// The main frame built: menus, command bar, accelerators, archive-name bar and status
// bar, each item turned into a command id and routed as CommandTargetOf says. While a run
// goes on only the about box and exit are enabled; exit then stops the run and closes
// once it has ended. The window's size and the list's columns are kept between runs.
#include "app/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <numeric>
#include <unordered_map>

#include "app/about_dialog.h"
#include "app/help_dialog.h"
#include "app/qt_text.h"
#include "app/qt_user_interface.h"
#include "app/quillory_view.h"
#include "app/settings_profile.h"
#include "document/commands.h"
#include "document/quillory_doc.h"
#include "document/recent_archives.h"

namespace quillory {
namespace {

// A menu item; id 0 is a separator.
struct MenuItem {
    int id;
    const char* text;
};

struct MenuDefinition {
    const char* title;
    std::initializer_list<MenuItem> items;
};

const MenuDefinition kMenus[] = {
    {"ファイル(&F)",
     {{kCommandFileOpen, "書庫を開く(&O)...\tCtrl+O"},
      {kCommandFileClose, "書庫を閉じる(&C)"},
      {0, nullptr},
      {kCommandAppExit, "アプリケーションの終了(&X)"}}},
    {"操作(&A)",
     {{kCommandExtractAll, "すべてのファイルを展開(&E)..."},
      {kCommandExtractSelected, "選択ファイルを展開(&S)..."},
      {0, nullptr},
      {kCommandTest, "テスト(&T)"}}},
    {"文字コード(&K)",
     {{kCommandEncodingAuto, "自動判別(&A)"},
      {0, nullptr},
      {kCommandEncodingCp932, "日本語 (CP932)(&J)"},
      {kCommandEncodingUtf8, "Unicode (UTF-8)(&U)"},
      {kCommandEncodingGbk, "簡体字中国語 (GBK)(&S)"},
      {kCommandEncodingBig5, "繁体字中国語 (Big5)(&T)"},
      {kCommandEncodingKorean, "韓国語 (CP949)(&K)"},
      {kCommandEncodingWestern, "西ヨーロッパ言語 (CP1252)(&W)"},
      {kCommandEncodingDos, "DOS (CP437)(&D)"}}},
    {"オプション(&O)", {{kCommandSettings, "設定(&C)..."}}},
    {"ヘルプ(&H)", {{kCommandAppAbout, "Quillory のバージョン情報(&A)..."}}},
};

// The command bar: a command with its image in the strip, or a separator (id 0).
struct BarPosition {
    int id;
    int image;
};
constexpr BarPosition kCommandBar[] = {
    {0, -1},
    {kCommandFileOpen, 0},
    {kCommandExtractAll, 1},
    {kCommandExtractSelected, 2},
    {0, -1},
    {kCommandAppAbout, 3},
    {0, -1},
};
// The images are square; each is an SVG file, sharp at any scale.
constexpr int kImagePixels = 16;

struct Accelerator {
    QKeyCombination keys;
    int id;
};
const Accelerator kAccelerators[] = {
    {Qt::CTRL | Qt::Key_N, kCommandFileNew},
    {Qt::CTRL | Qt::Key_O, kCommandFileOpen},
    {Qt::CTRL | Qt::Key_S, kCommandFileSave},
    {Qt::CTRL | Qt::Key_Z, kCommandEditUndo},
    {Qt::CTRL | Qt::Key_X, kCommandEditCut},
    {Qt::CTRL | Qt::Key_C, kCommandEditCopy},
    {Qt::CTRL | Qt::Key_V, kCommandEditPaste},
    {Qt::ALT | Qt::Key_Backspace, kCommandEditUndo},
    {Qt::SHIFT | Qt::Key_Delete, kCommandEditCut},
    {Qt::CTRL | Qt::Key_Insert, kCommandEditCopy},
    {Qt::SHIFT | Qt::Key_Insert, kCommandEditPaste},
    {QKeyCombination(Qt::Key_F6), kCommandNextPane},
    {Qt::SHIFT | Qt::Key_F6, kCommandPrevPane},
    // What desktop archive programs answer to.
    {Qt::CTRL | Qt::Key_E, kCommandExtractAll},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_E, kCommandExtractSelected},
    {Qt::CTRL | Qt::Key_T, kCommandTest},
    {Qt::CTRL | Qt::Key_W, kCommandFileClose},
    {Qt::CTRL | Qt::Key_Q, kCommandAppExit},
};

// Prompt texts: the status-bar line, then after "\n" the tool tip.
struct Prompt {
    int id;
    const char* text;
};
constexpr Prompt kPrompts[] = {
    {kCommandFileClose, "作業中のファイルを閉じる\n閉じる"},
    {kCommandAppAbout, "プログラムの情報、バージョン番号そして著作権を表示\nバージョン情報"},
    {kCommandAppExit, "アプリケーションを終了し、ファイルの保存を指示\n終了"},
};
constexpr char kIdlePrompt[] = "レディ";  // 57345

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// What stays usable while a run goes on.
bool UsableDuringRun(int id) {
    return id == kCommandAppAbout || id == kCommandAppExit;
}

// Where the window's size and the columns are kept, beside the options.
QSettings LayoutStore() {
    return QSettings(Text(kOrganisationName), Text(kApplicationName));
}
const QString kGeometryKey = QStringLiteral("Window/Geometry");
const QString kColumnsKey = QStringLiteral("Window/Columns");
const QString kSplitterKey = QStringLiteral("Window/Splitter");
const QString kFolderViewKey = QStringLiteral("View/Folders");

// The folder pane's items carry their folder's stored path.
constexpr int kFolderPathRole = Qt::UserRole;

// The last name of a stored folder path ("a\\b\\" -> "b").
QString LastName(const WString& path) {
    WString name = path;
    if (!name.empty() && (name.back() == u'\\' || name.back() == u'/')) name.pop_back();
    const std::size_t cut = name.find_last_of(u"\\/");
    return ToQString(cut == WString::npos ? name : name.substr(cut + 1));
}

}  // namespace

CMainFrame::CMainFrame(CQuilloryDoc& doc, QtUserInterface& ui)
    : doc_(doc), ui_(ui), view_(new CQuilloryView(doc, this)) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(Text(kDocumentTemplate).section(u'\n', 0, 0));
    CreateMenus();
    CreateCommandBar();
    CreateAccelerators();
    CreateArchiveNameBar();
    CreateStatusBar();
    // The folder pane beside the list.
    splitter_ = new QSplitter(this);
    splitter_->setObjectName(QStringLiteral("splitter"));
    folderPane_ = new QTreeWidget(splitter_);
    folderPane_->setObjectName(QStringLiteral("folderPane"));
    folderPane_->setHeaderHidden(true);
    folderPane_->setUniformRowHeights(true);
    splitter_->addWidget(folderPane_);
    // The filter field over the list, shown by Ctrl+F.
    auto* listSide = new QWidget(splitter_);
    auto* listLayout = new QVBoxLayout(listSide);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(2);
    filter_ = new QLineEdit(listSide);
    filter_->setObjectName(QStringLiteral("filterEdit"));
    filter_->setPlaceholderText(Tr("ファイル名で絞り込み（Escで解除）"));
    filter_->setClearButtonEnabled(true);
    filter_->hide();
    filter_->installEventFilter(this);
    connect(filter_, &QLineEdit::textChanged, view_, &CQuilloryView::SetFilter);
    listLayout->addWidget(filter_);
    listLayout->addWidget(view_);
    splitter_->addWidget(listSide);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({180, 680});
    setCentralWidget(splitter_);
    connect(folderPane_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && view_->folder()) {
            view_->SetFolder(FromQString(item->data(0, kFolderPathRole).toString()));
        }
    });
    CreateViewMenu();
    connect(view_, &CQuilloryView::updated, this, &CMainFrame::UpdateCommandStates);
    connect(view_, &CQuilloryView::updated, this, &CMainFrame::RebuildFolderPane);
    connect(view_, &CQuilloryView::folderChanged, this, &CMainFrame::ShowCurrentFolder);
    connect(view_, &CQuilloryView::folderChanged, this, &CMainFrame::UpdateCommandStates);
    connect(view_, &CQuilloryView::updated, this, &CMainFrame::ShowListSummary);
    connect(view_, &CQuilloryView::folderChanged, this, &CMainFrame::ShowListSummary);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CMainFrame::ShowListSummary);
    // The list's context menu: the frame's commands around the view's "開く".
    auto* separator = new QAction(view_);
    separator->setSeparator(true);
    view_->addActions(
        {action(kCommandExtractSelected), view_->openAction(), separator, action(kCommandTest)});
    // Runs go to a worker thread; the commands wait while one goes on.
    doc_.SetJobHost(&host_);
    ui_.setStopHandler([this] { host_.RequestStop(); });
    connect(&host_, &QtJobHost::busyChanged, this, [this](bool busy) {
        UpdateCommandStates();
        if (!busy && closeAfterRun_) close();
    });
    setAcceptDrops(true);
    resize(860, 520);
    RestoreLayout();
    ui_.setFrame(this);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    ui_.setStopHandler(nullptr);
    ui_.setFrame(nullptr);
    doc_.SetJobHost(nullptr);
}

QAction* CMainFrame::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* CMainFrame::CommandAction(int id) {
    if (QAction* existing = action(id)) return existing;
    auto* created = new QAction(this);
    created->setData(id);
    created->setShortcutContext(Qt::WindowShortcut);
    connect(created, &QAction::triggered, this, [this, id] { OnCommand(id); });
    // Accelerators reach the frame's actions from anywhere in the window.
    addAction(created);
    actions_[id] = created;
    return created;
}

void CMainFrame::CreateMenus() {
    for (const MenuDefinition& definition : kMenus) {
        QMenu* menu = menuBar()->addMenu(Tr(definition.title));
        for (const MenuItem& item : definition.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* command = CommandAction(item.id);
            command->setText(Tr(item.text));
            menu->addAction(command);
            if (item.id == kCommandFileClose) {
                recentMenu_ = menu->addMenu(Tr("最近使った書庫(&R)"));
                recentMenu_->setObjectName(QStringLiteral("recentMenu"));
                connect(recentMenu_, &QMenu::aboutToShow, this, &CMainFrame::FillRecentMenu);
            }
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        // The encodings are one choice: radio items.
        QActionGroup* encodings = nullptr;
        for (QAction* item : menu->actions()) {
            if (!IsEncodingCommand(item->data().toInt())) continue;
            if (encodings == nullptr) encodings = new QActionGroup(menu);
            item->setCheckable(true);
            encodings->addAction(item);
        }
    }
}

void CMainFrame::CreateCommandBar() {
    commandBar_ = addToolBar(QString());
    commandBar_->setObjectName(QStringLiteral("commandBar"));
    commandBar_->setMovable(false);
    commandBar_->setFloatable(false);
    commandBar_->setIconSize(QSize(kImagePixels, kImagePixels));
    commandBar_->toggleViewAction()->setVisible(false);
    for (const BarPosition& position : kCommandBar) {
        if (position.id == 0) {
            commandBar_->addSeparator();
            continue;
        }
        QAction* command = CommandAction(position.id);
        command->setIcon(QIcon(QStringLiteral(":/toolbar-%1.svg").arg(position.image)));
        commandBar_->addAction(command);
    }
}

void CMainFrame::CreateAccelerators() {
    for (const Accelerator& accelerator : kAccelerators) {
        QAction* command = CommandAction(accelerator.id);
        QList<QKeySequence> keys = command->shortcuts();
        keys << QKeySequence(accelerator.keys);
        command->setShortcuts(keys);
    }
}

void CMainFrame::CreateArchiveNameBar() {
    addToolBarBreak();
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("archiveNameBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    auto* label = new QLabel(Tr("書庫名"), bar);
    label->setContentsMargins(4, 0, 6, 0);
    bar->addWidget(label);
    archiveName_ = new QLineEdit(bar);
    archiveName_->setObjectName(QStringLiteral("control%1").arg(kArchiveNameEdit));
    archiveName_->setReadOnly(true);
    archiveName_->setFocusPolicy(Qt::ClickFocus);
    bar->addWidget(archiveName_);
    // The folder shown, as a path of buttons that go back along it.
    folderPath_ = new QWidget(bar);
    folderPath_->setObjectName(QStringLiteral("folderPath"));
    folderPathLayout_ = new QHBoxLayout(folderPath_);
    folderPathLayout_->setContentsMargins(6, 0, 0, 0);
    folderPathLayout_->setSpacing(0);
    bar->addWidget(folderPath_);
    addToolBar(Qt::TopToolBarArea, bar);
}

void CMainFrame::CreateStatusBar() {
    for (const Prompt& prompt : kPrompts) {
        const QString text = Tr(prompt.text);
        QAction* command = CommandAction(prompt.id);
        command->setStatusTip(text.section(u'\n', 0, 0));
        command->setToolTip(text.section(u'\n', 1, 1));
    }
    QStatusBar* bar = statusBar();
    // With no prompt to show, the bar shows the idle text.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
        if (message.isEmpty()) bar->showMessage(Tr(kIdlePrompt));
    });
    bar->showMessage(Tr(kIdlePrompt));
    listSummary_ = new QLabel(bar);
    listSummary_->setObjectName(QStringLiteral("listSummary"));
    bar->addPermanentWidget(listSummary_);
}

void CMainFrame::ShowListSummary() {
    const MemberList& list = view_->memberModel().list();
    const auto summary = [&list](const auto& rows) {
        int files = 0;
        std::uint64_t bytes = 0;
        for (const int row : rows) {
            const MemberList::RowFacts facts = list.Facts(row);
            if (facts.folder) continue;
            ++files;
            bytes += facts.size;
        }
        return std::make_pair(files, bytes);
    };
    if (doc_.isOpen == 0) return listSummary_->clear();
    std::vector<int> all(static_cast<std::size_t>(list.rowCount()));
    std::iota(all.begin(), all.end(), 0);
    const auto [files, bytes] = summary(all);
    QString text = Tr("%1 個のファイル、合計 %2").arg(files).arg(ReadableSize(bytes));
    const std::vector<int> selected = view_->SelectedRows();
    if (!selected.empty()) {
        const auto [chosen, chosenBytes] = summary(selected);
        text += Tr("（選択 %1 個、%2）").arg(chosen).arg(ReadableSize(chosenBytes));
    }
    listSummary_->setText(text);
}

void CMainFrame::CreateViewMenu() {
    QMenu* menu = new QMenu(Tr("表示(&V)"), this);
    menu->setObjectName(QStringLiteral("viewMenu"));
    folderView_ = menu->addAction(Tr("フォルダごとに表示(&F)"));
    folderView_->setObjectName(QStringLiteral("folderViewAction"));
    folderView_->setCheckable(true);
    connect(folderView_, &QAction::toggled, this, [this](bool on) {
        LayoutStore().setValue(kFolderViewKey, on);
        ApplyFolderView(on);
    });
    QAction* find = menu->addAction(Tr("絞り込み(&S)"));
    find->setObjectName(QStringLiteral("findAction"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        filter_->show();
        filter_->setFocus();
        filter_->selectAll();
    });
    up_ = menu->addAction(Tr("上のフォルダへ(&U)"));
    up_->setObjectName(QStringLiteral("upAction"));
    up_->setShortcuts({QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Up)});
    up_->setShortcutContext(Qt::WindowShortcut);
    addAction(up_);
    connect(up_, &QAction::triggered, view_, &CQuilloryView::GoUp);
    // After 操作, before 文字コード.
    const QList<QAction*> menus = menuBar()->actions();
    menuBar()->insertMenu(menus.size() > 2 ? menus[2] : nullptr, menu);
    // F1: the help window, first in the ヘルプ menu.
    QMenu* helpMenu = menus.isEmpty() ? nullptr : menus.last()->menu();
    auto* help = new QAction(Tr("Quillory のヘルプ(&H)"), this);
    help->setObjectName(QStringLiteral("helpAction"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    addAction(help);
    if (helpMenu != nullptr) helpMenu->insertAction(helpMenu->actions().value(0), help);
    connect(help, &QAction::triggered, this, [this] {
        auto* window = findChild<CHelpDialog*>();
        if (window == nullptr) window = new CHelpDialog(this);
        window->show();
        window->raise();
        window->activateWindow();
    });
    {
        const QSignalBlocker quiet(folderView_);
        folderView_->setChecked(LayoutStore().value(kFolderViewKey, true).toBool());
    }
    ApplyFolderView(folderView_->isChecked());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // Escape in the filter field shows every row again and goes back to the list.
    if (watched == filter_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        filter_->clear();
        filter_->hide();
        view_->setFocus();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::ApplyFolderView(bool on) {
    folderPane_->setVisible(on);
    folderPath_->setVisible(on);
    view_->SetFolder(on ? std::optional<WString>(WString()) : std::nullopt);
    ShowCurrentFolder();
}

void CMainFrame::RebuildFolderPane() {
    const QSignalBlocker quiet(folderPane_);
    folderPane_->clear();
    if (doc_.isOpen == 0) return ShowCurrentFolder();
    // The top is the archive itself; every folder goes below its parent, which sorts
    // before it.
    auto* top = new QTreeWidgetItem(folderPane_, {QFileInfo(archiveName_->text()).fileName()});
    top->setData(0, kFolderPathRole, QString());
    // One icon for every folder: looked up once, its pictures made once.
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    top->setIcon(0, folderIcon);
    std::unordered_map<WString, QTreeWidgetItem*> items{{WString(), top}};
    for (const WString& folder : view_->memberModel().list().folders()) {
        WString parent = folder;
        parent.pop_back();
        const std::size_t cut = parent.find_last_of(u"\\/");
        parent.resize(cut == WString::npos ? 0 : cut + 1);
        const auto found = items.find(parent);
        QTreeWidgetItem* above = found == items.end() ? top : found->second;
        auto* item = new QTreeWidgetItem(above, {LastName(folder)});
        item->setData(0, kFolderPathRole, ToQString(folder));
        item->setIcon(0, folderIcon);
        items[folder] = item;
    }
    top->setExpanded(true);
    ShowCurrentFolder();
}

void CMainFrame::ShowCurrentFolder() {
    const std::optional<WString>& folder = view_->folder();
    // The pane's current item follows the folder shown.
    {
        const QSignalBlocker quiet(folderPane_);
        const QString wanted = folder ? ToQString(*folder) : QString();
        for (QTreeWidgetItemIterator it(folderPane_); *it != nullptr; ++it) {
            if ((*it)->data(0, kFolderPathRole).toString() == wanted) {
                folderPane_->setCurrentItem(*it);
                for (QTreeWidgetItem* up = (*it)->parent(); up != nullptr; up = up->parent())
                    up->setExpanded(true);
                break;
            }
        }
    }
    // The path: the archive, then each folder down to the one shown.
    while (QLayoutItem* item = folderPathLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (!folder || doc_.isOpen == 0) return;
    const auto addStep = [this](const QString& text, const WString& path) {
        auto* step = new QToolButton(folderPath_);
        step->setText(text);
        step->setAutoRaise(true);
        step->setFocusPolicy(Qt::NoFocus);
        step->setProperty("folder", ToQString(path));
        connect(step, &QToolButton::clicked, this, [this, path] { view_->SetFolder(path); });
        folderPathLayout_->addWidget(step);
    };
    addStep(QFileInfo(archiveName_->text()).fileName(), WString());
    for (std::size_t i = 0; i < folder->size(); ++i) {
        const WChar c = (*folder)[i];
        if (c != u'\\' && c != u'/') continue;
        auto* separator = new QLabel(QStringLiteral("›"), folderPath_);
        folderPathLayout_->addWidget(separator);
        addStep(LastName(folder->substr(0, i + 1)), folder->substr(0, i + 1));
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (host_.Busy()) {
        // Stop the run and close once it has ended; its end says nothing.
        closeAfterRun_ = true;
        ui_.setClosing(true);
        host_.RequestStop();
        return event->ignore();
    }
    SaveLayout();
    QMainWindow::closeEvent(event);
}

void CMainFrame::RestoreLayout() {
    QSettings store = LayoutStore();
    restoreGeometry(store.value(kGeometryKey).toByteArray());
    // A window kept from a larger screen is fitted to this one.
    if (const QScreen* screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        if (width() > room.width() || height() > room.height()) {
            resize(std::min(width(), room.width()), std::min(height(), room.height()));
        }
        if (!room.contains(frameGeometry().topLeft())) move(room.topLeft());
    }
    splitter_->restoreState(store.value(kSplitterKey).toByteArray());
    view_->header()->restoreState(store.value(kColumnsKey).toByteArray());
}

void CMainFrame::SaveLayout() const {
    QSettings store = LayoutStore();
    store.setValue(kGeometryKey, saveGeometry());
    store.setValue(kColumnsKey, view_->header()->saveState());
    store.setValue(kSplitterKey, splitter_->saveState());
}

std::optional<WString> CMainFrame::DroppedArchive(const QMimeData* mime) const {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) return std::nullopt;
    const QUrl url = mime->urls().constFirst();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile()) return std::nullopt;
    return ProgramPathOf(url.toLocalFile());
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    // Members dragged out of the list are not archives to open here.
    if (!host_.Busy() && event->source() == nullptr && DroppedArchive(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const std::optional<WString> path = DroppedArchive(event->mimeData());
    if (!path || host_.Busy()) return;
    event->acceptProposedAction();
    // The drop is answered first: the close question must not hold the file manager.
    QMetaObject::invokeMethod(
        this, [this, archive = *path] { doc_.OpenChosen(archive); }, Qt::QueuedConnection);
}

void CMainFrame::FillRecentMenu() {
    recentMenu_->clear();
    const std::vector<WString> recent = ReadRecentArchives(doc_.profile());
    int number = 1;
    for (const WString& path : recent) {
        // A "&" in a path is text, not a mnemonic.
        const QString shown = HostPathText(path).replace(u'&', QStringLiteral("&&"));
        QAction* item = recentMenu_->addAction(QStringLiteral("&%1 ").arg(number++) + shown);
        connect(item, &QAction::triggered, this, [this, path] {
            if (!host_.Busy()) doc_.OpenChosen(path);
        });
    }
    recentMenu_->setEnabled(!host_.Busy());
    if (recent.empty()) recentMenu_->addAction(Tr("(なし)"))->setEnabled(false);
}

void CMainFrame::SetArchiveName(const QString& hostPath) {
    archiveName_->setText(hostPath);
    archiveName_->setCursorPosition(0);
    // The title names the open archive, as file managers and task bars show it.
    const QString program = Text(kDocumentTemplate).section(u'\n', 0, 0);
    setWindowTitle(hostPath.isEmpty()
                       ? program
                       : QFileInfo(hostPath).fileName() + QStringLiteral(" - ") + program);
}

void CMainFrame::OnCommand(int id) {
    if (!IsCommandEnabled(id, doc_.isOpen)) return;
    if (host_.Busy() && !UsableDuringRun(id)) return;
    switch (CommandTargetOf(id)) {
        case CommandTarget::Document:
            doc_.OnCommand(id);
            break;
        case CommandTarget::View:
            view_->ExtractSelected();
            break;
        case CommandTarget::Application: {
            CAboutDialog about(this);
            about.exec();
            break;
        }
        case CommandTarget::Framework:
            if (id == kCommandAppExit) {
                close();
            } else {
                doc_.OnNewDocument();
            }
            break;
        case CommandTarget::None:
            break;
    }
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
    const bool busy = host_.Busy();
    for (const auto& [id, command] : actions_) {
        command->setEnabled(IsCommandEnabled(id, doc_.isOpen) && (!busy || UsableDuringRun(id)));
        // The encoding in force for the archive in hand has its mark.
        if (IsEncodingCommand(id)) {
            command->setCheckable(true);
            command->setChecked(CodePageOfCommand(id) == doc_.nameEncoding());
        }
    }
    view_->openAction()->setEnabled(doc_.isOpen == 1 && !busy);
    if (up_ != nullptr) up_->setEnabled(view_->folder() && !view_->folder()->empty());
    if (recentMenu_ != nullptr) recentMenu_->setEnabled(!busy);
}

}  // namespace quillory
