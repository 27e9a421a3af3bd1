// quillory [--extract-here | --test] [ARCHIVE]: the program's entry point.
#include <QApplication>
#include <QIcon>
#include <string>
#include <vector>

#include "app/echo_mode.h"
#include "app/launch_options.h"
#include "app/quillory_app.h"
#include "app/screenshots.h"

int main(int argc, char** argv) {
    // --version and --help need no display: they are answered before Qt looks for one.
    if (const std::optional<int> status = quillory::AnswerVersionOrHelp(argc, argv)) return *status;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromUtf8(quillory::kOrganisationName));
    QApplication::setApplicationName(QString::fromUtf8(quillory::kApplicationName));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillory.svg")));
    if (quillory::EchoMode()) quillory::InstallWindowEcho(application);

    // QApplication has taken its own options out of argv; the rest are the host's bytes,
    // which QApplication::arguments() would decode and, for some names, lose.
    const std::vector<std::string> arguments(argv, argv + argc);
    quillory::CQuilloryApp app;
    if (!app.InitInstance(arguments)) return app.exitStatus();
    if (const QString folder = quillory::ScreenshotFolder(); !folder.isEmpty())
        quillory::ScheduleScreenshots(app, folder);
    return QApplication::exec();
}
