// Start-up as the program runs it: the application object without and with an archive,
// the command line, the real binary extracting an archive named on its command line
// with "AutoExtract" on, and the desktop entry's command lines, each reaching its flow
// without ever showing the main window.
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QtTest>

#include "app/launch_options.h"
#include "app/qt_text.h"
#include "app/quillory_app.h"
#include "app/quillory_view.h"
#include "gui_harness.h"
#include "platform/path.h"

namespace quillory::testing {

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void withoutArgumentsTheWindowShowsAnEmptyList() {
        ScratchHome home;
        CQuilloryApp app;
        QVERIFY(app.InitInstance({"quillory"}));
        QVERIFY(app.frame().isVisible());
        QCOMPARE(app.frame().view()->model()->rowCount(), 0);
        QCOMPARE(app.frame().archiveNameEdit()->text(), QString());
        QCOMPARE(ToQString(app.settings().desktopFolder),
                 ToQString(ProgramPathOf(
                     QStandardPaths::writableLocation(QStandardPaths::DesktopLocation))) +
                     u'\\');
    }

    void anArchiveArgumentIsOpenedAndListed() {
        ScratchHome home;
        CQuilloryApp app;
        QVERIFY(app.InitInstance({"quillory", SamplePath("sample.zip").toStdString()}));
        // By folder: the one file at the top; every member at once in the flat list.
        QCOMPARE(app.frame().view()->model()->rowCount(), 1);
        app.frame().folderViewAction()->setChecked(false);
        QCOMPARE(app.frame().view()->model()->rowCount(), 6);
        QCOMPARE(app.frame().archiveNameEdit()->text(), SamplePath("sample.zip"));
        QCOMPARE(app.document().isOpen, 1);
    }

    void aRelativeArgumentIsTakenFromTheCurrentFolder() {
        const QString before = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(QUILLORY_SOURCE_DIR));
        // The argument's bytes as the host gave them: a "\\" and Shift-JIS in a name.
        const std::string odd = "samples/\x93\xFA/we\\ird.lzh";
        const auto launch = ParseLaunchArguments({"quillory", "samples/sample.lzh"});
        const auto oddLaunch = ParseLaunchArguments({"quillory", odd});
        QDir::setCurrent(before);
        QCOMPARE(HostPathText(std::get<LaunchRequest>(launch).archive.value()),
                 SamplePath("sample.lzh"));
        QCOMPARE(platform::ToHostPath(std::get<LaunchRequest>(oddLaunch).archive.value()),
                 QUILLORY_SOURCE_DIR "/" + odd);
        QVERIFY(!std::get<LaunchRequest>(ParseLaunchArguments({"quillory"})).archive);
    }

    void wrongCommandLinesAreRefusedWithStatusTwo() {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"quillory", "--bogus", "a.lzh"},
              {"quillory", "a.lzh", "b.lzh"},
              {"quillory", "--test", "--extract-here", "a.lzh"}}) {
            const auto launch = ParseLaunchArguments(args);
            QVERIFY2(std::holds_alternative<LaunchReply>(launch), args[1].c_str());
            QCOMPARE(std::get<LaunchReply>(launch).exitStatus, 2);
        }
    }

    void autoExtractRunsTheBinaryWithoutItsWindow() {
        QTemporaryDir home;
        const QString config = home.filePath(QStringLiteral("config"));
        QDir().mkpath(config + QStringLiteral("/Ostrella Software"));
        {
            QSettings store(config + QStringLiteral("/Ostrella Software/Quillory.conf"),
                            QSettings::IniFormat);
            store.setValue("Option/AutoExtract", 1);
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QUILLORY_ECHO_MESSAGES"), QStringLiteral("1"));
        // The C locale, whatever the caller's: the program's texts in Japanese.
        for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            environment.remove(QString::fromLatin1(variable));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUILLORY_BINARY), {SamplePath("sample.lzh")});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QStringList lines =
            QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        // One summary naming the folder, and no window of any kind appeared.
        const QString folder = home.filePath(QStringLiteral("Desktop/sample"));
        QCOMPARE(lines, (QStringList{U("message: 展開終了"), U("展開先：") + folder}));

        QFile report(folder + QString::fromUtf8("/資料/報告書.txt"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(report.readAll()).startsWith(QString::fromUtf8("四月の報告書")));
        QVERIFY(QFile::exists(folder + QString::fromUtf8("/資料/写真/花.png")));
        QVERIFY(QFile::exists(folder + QString::fromUtf8("/データ/数値.csv")));
        // The automatic extraction remembers no folder.
        QSettings store(config + QStringLiteral("/Ostrella Software/Quillory.conf"),
                        QSettings::IniFormat);
        QVERIFY(!store.contains("LastFolder/Extract"));
    }

    // Every Exec line of the desktop entry, with %f given a copy of the sample: the main
    // one opens the archive; each action runs the real binary, which shows its summary
    // and never the main window (nor, for so small an archive, the progress dialog).
    void desktopEntryCommandLinesReachTheirFlows() {
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("in"))));
        const QString archive = home.filePath(QStringLiteral("in/sample.lzh"));
        QVERIFY(QFile::copy(SamplePath("sample.lzh"), archive));
        QFile entry(QStringLiteral(QUILLORY_SOURCE_DIR "/app/quillory.desktop"));
        QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
        QMap<QString, QStringList> execByGroup;
        QString group;
        for (const QString& line : QString::fromUtf8(entry.readAll()).split(u'\n')) {
            if (line.startsWith(u'[')) group = line;
            if (line.startsWith(QStringLiteral("Exec="))) {
                execByGroup[group] = line.mid(5).split(u' ').replaceInStrings(U("%f"), archive);
            }
        }
        const QString extracted = home.filePath(QStringLiteral("in/sample/データ/数値.csv"));
        struct Expected {
            QString group;
            QStringList summary;
            bool writes;
        };
        const Expected actions[] = {
            {U("[Desktop Action test]"), {U("message: すべてのファイルは正常です。")}, false},
            {U("[Desktop Action extract-here]"),
             {U("message: 展開終了"), U("展開先：") + home.filePath(QStringLiteral("in/sample"))},
             true},
        };
        QCOMPARE(execByGroup.size(), 3);
        std::vector<std::string> mainCommand;
        for (const QString& word : execByGroup.value(U("[Desktop Entry]")))
            mainCommand.push_back(word.toStdString());
        const auto main = ParseLaunchArguments(mainCommand);
        QCOMPARE(HostPathText(std::get<LaunchRequest>(main).archive.value()), archive);
        QCOMPARE(std::get<LaunchRequest>(main).action, StartupAction::Open);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(U("config")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QUILLORY_ECHO_MESSAGES"), QStringLiteral("1"));
        // The C locale, whatever the caller's: the program's texts in Japanese.
        for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            environment.remove(QString::fromLatin1(variable));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        for (const Expected& action : actions) {
            QStringList command = execByGroup.value(action.group);
            QCOMPARE(command.value(0), QStringLiteral("quillory"));
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(QUILLORY_BINARY), command.mid(1));
            QVERIFY(program.waitForFinished(60000));
            QCOMPARE(program.exitCode(), 0);
            const QStringList lines =
                QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lines, action.summary);
            QCOMPARE(QFile::exists(extracted), action.writes);
        }
    }
};

}  // namespace quillory::testing

QTEST_MAIN(quillory::testing::StartupTest)
#include "startup_test.moc"
