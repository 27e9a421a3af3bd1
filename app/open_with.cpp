// The portal is asked over the session bus with a descriptor of the file, as sandboxed
// applications do; its chooser then belongs to the desktop. Without a portal the list is
// the program's own dialog, and the application it names is started detached with the
// file, as its desktop entry's Exec says.
#include "app/open_with.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>
#include <algorithm>

#include "app/desktop_applications.h"
#include "app/dialog_controls.h"
#include "app/qt_text.h"

namespace quillory {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");

bool PortalRuns() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(kPortalService).value();
}

// The portal's chooser for the file; false when the portal refused the call.
bool OpenWithPortal(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortalService, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.OpenURI"), QStringLiteral("OpenFile"));
    const QVariantMap options{{QStringLiteral("ask"), true}};
    call << QString() << QVariant::fromValue(QDBusUnixFileDescriptor(fd)) << options;
    ::close(fd);  // the message holds its own duplicate
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace

QList<DesktopApplication> ChooserApplications(const QString& path,
                                              const QList<DesktopApplication>& installed) {
    // What cannot be started is not offered (a terminal program without a terminal).
    const auto startable = [&](const DesktopApplication& app) {
        return !CommandFor(app, path).isEmpty();
    };
    QList<DesktopApplication> apps;
    QSet<QString> listed;
    for (const DesktopApplication& app :
         ApplicationsFor(QMimeDatabase().mimeTypeForFile(path), installed)) {
        if (startable(app)) apps << app;
        listed.insert(app.id);
    }
    // Every other application after those for the type: a viewer of plain text, say,
    // that does not declare this particular type.
    QList<DesktopApplication> others;
    for (const DesktopApplication& app : installed) {
        if (!listed.contains(app.id) && startable(app)) others << app;
    }
    std::sort(others.begin(), others.end(),
              [](const auto& a, const auto& b) { return a.name.localeAwareCompare(b.name) < 0; });
    return apps << others;
}

bool DesktopOpens(const QString& path, const QList<DesktopApplication>& installed) {
    if (QFileInfo(path).isDir()) return true;
    return !ApplicationsFor(QMimeDatabase().mimeTypeForFile(path), installed).isEmpty();
}

// The program's own chooser; starts the chosen application with the file.
void ChooseApplication(QWidget* owner, const QString& path, const QList<DesktopApplication>& apps) {
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("openWith"));
    dialog.setWindowTitle(Tr("別のアプリケーションで開く"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(Tr("このファイルを開くアプリケーションを選んでください。") +
                                     u'\n' + QFileInfo(path).fileName(),
                                 &dialog));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("applications"));
    for (const DesktopApplication& app : apps)
        list->addItem(new QListWidgetItem(QIcon::fromTheme(app.icon), app.name));
    list->setCurrentRow(0);
    list->setMinimumSize(360, 280);
    layout->addWidget(list);
    QDialogButtonBox* buttons = OkCancelButtons(&dialog);
    layout->addWidget(buttons);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return;
    const QStringList command = CommandFor(apps[list->currentRow()], path);
    if (command.isEmpty() || !QProcess::startDetached(command.first(), command.mid(1))) {
        ShowMessageBox(owner, Tr("アプリケーションを起動できませんでした。"));
    }
}

void OfferOtherApplication(QWidget* owner, const QString& path,
                           const QList<DesktopApplication>& installed) {
    const bool portal = PortalRuns();
    const QList<DesktopApplication> apps =
        portal ? QList<DesktopApplication>() : ChooserApplications(path, installed);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillory"),
                    Tr("このファイルを開くアプリケーションが見つかりません。") + u'\n' +
                        QFileInfo(path).fileName(),
                    QMessageBox::NoButton, owner);
    QPushButton* other = nullptr;
    if (portal || !apps.isEmpty()) {
        other = box.addButton(Tr("別のアプリケーションで開く..."), QMessageBox::AcceptRole);
        other->setObjectName(QStringLiteral("openWithOther"));
        box.addButton(Tr("キャンセル"), QMessageBox::RejectRole);
        box.setDefaultButton(other);
    } else {
        box.addButton(QMessageBox::Ok);
    }
    box.exec();
    if (other == nullptr || box.clickedButton() != other) return;
    if (portal && OpenWithPortal(path)) return;
    ChooseApplication(owner, path, portal ? ChooserApplications(path, installed) : apps);
}

}  // namespace quillory
