// Start-up as the program runs it: the application object without and with an archive,
// and the real binary extracting an archive named on its command line with
// "AutoExtract" on, without ever showing its window.
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QtTest>

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
        QCOMPARE(app.frame().view()->model()->rowCount(), 6);
        QCOMPARE(app.frame().archiveNameEdit()->text(), SamplePath("sample.zip"));
        QCOMPARE(app.document().isOpen, 1);
    }

    void aRelativeArgumentIsTakenFromTheCurrentFolder() {
        const QString before = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(QUILLORY_SOURCE_DIR));
        const std::optional<WString> archive = ArchiveArgument({"quillory", "samples/sample.lzh"});
        // The argument's bytes as the host gave them: a "\\" and Shift-JIS in a name.
        const std::string odd = "samples/\x93\xFA/we\\ird.lzh";
        const std::optional<WString> oddArchive = ArchiveArgument({"quillory", odd});
        QDir::setCurrent(before);
        QCOMPARE(HostPathText(archive.value()), SamplePath("sample.lzh"));
        QCOMPARE(platform::ToHostPath(oddArchive.value()), QUILLORY_SOURCE_DIR "/" + odd);
        QVERIFY(!ArchiveArgument({"quillory"}).has_value());
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
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUILLORY_BINARY), {SamplePath("sample.lzh")});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QStringList lines =
            QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        // One summary, and no window of any kind appeared.
        QCOMPARE(lines, QStringList{QString::fromUtf8("message: 展開終了")});

        const QString folder = home.filePath(QStringLiteral("Desktop/sample"));
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
};

}  // namespace quillory::testing

QTEST_MAIN(quillory::testing::StartupTest)
#include "startup_test.moc"
