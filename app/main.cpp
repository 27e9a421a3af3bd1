// quillory [--extract-here | --test] [ARCHIVE]: the program's entry point. --version and
// --help are answered before any display is needed; otherwise it chooses the language
// from the locale, makes the QApplication with the program's catalogue and Qt's own
// translations, the echo mode when asked and the stop watch, runs start-up, and ends
// with the shells' status for a signal when one stopped it.
#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QTranslator>
#include <memory>
#include <string>
#include <vector>

#include "app/echo_mode.h"
#include "app/launch_options.h"
#include "app/qt_translations.h"
#include "app/quillory_app.h"
#include "app/screenshots.h"
#include "app/stop_watch.h"
#include "document/translation.h"
#include "platform/stop_request.h"

int main(int argc, char** argv) {
    // --version and --help need no display: they are answered before Qt looks for one.
    if (const std::optional<int> status = quillory::AnswerVersionOrHelp(argc, argv)) return *status;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromUtf8(quillory::kOrganisationName));
    QApplication::setApplicationName(QString::fromUtf8(quillory::kApplicationName));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillory.svg")));
    if (quillory::EchoMode()) quillory::InstallWindowEcho(application);
    // The document's texts and the window's in the language the locale asks for, and Qt's
    // own dialogs and buttons (file and folder choosers) in the user's language; the
    // translators live as long as the application.
    const quillory::Language language = quillory::LanguageFromEnvironment();
    quillory::SetLanguage(language);
    const std::unique_ptr<QTranslator> programTexts(quillory::InstallProgramTranslation(language));
    const std::unique_ptr<QTranslator> qtTexts(quillory::InstallQtTranslations(QLocale()));

    // QApplication has taken its own options out of argv; the rest are the host's bytes,
    // which QApplication::arguments() would decode and, for some names, lose.
    const std::vector<std::string> arguments(argv, argv + argc);
    quillory::CQuilloryApp app;
    // Before start-up, whose automatic extraction is a run too.
    quillory::InstallStopWatch(app.frame());
    // The shells' convention for a process ended by a signal.
    constexpr int kExitBySignal = 128;
    const auto exitStatus = [](int status) {
        return quillory::platform::StopRequested()
                   ? kExitBySignal + quillory::platform::StopSignal()
                   : status;
    };
    if (!app.InitInstance(arguments)) return exitStatus(app.exitStatus());
    if (const QString folder = quillory::ScreenshotFolder(); !folder.isEmpty())
        quillory::ScheduleScreenshots(app, folder);
    return exitStatus(QApplication::exec());
}
