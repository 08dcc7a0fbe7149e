// HelpController: the help file beside the program comes first, then the
// installation's data folder (<prefix>/share/vaskiro-config beside <prefix>/bin);
// a folder of that name is no help file. Showing it is tst_window_help's.
#include <QTest>

#include "app/help/help_controller.h"

using vaskiro::app::HelpController;

class TestHelpController : public QObject {
    Q_OBJECT

private slots:
    void looksBesideTheProgramThenInTheDataFolder() {
        QTemporaryDir prefix;
        QDir root(prefix.path());
        const QString beside = root.filePath("bin/bacnet-interface.chm");
        const QString installed = root.filePath("share/vaskiro-config/bacnet-interface.chm");
        QVERIFY(root.mkpath(beside) && root.mkpath("share/vaskiro-config"));  // a folder where the file would be
        // Neither there: beside.
        QCOMPARE(HelpController::HelpFileFor(root.filePath("bin") + "/./"), QDir::cleanPath(beside));
        QVERIFY(QFile::copy(VASKIRO_HELP_FILE, installed));
        QCOMPARE(HelpController::HelpFileFor(root.filePath("bin")), installed);
        QVERIFY(root.rmdir(beside) && QFile::copy(VASKIRO_HELP_FILE, beside));
        QCOMPARE(HelpController::HelpFileFor(root.filePath("bin")), beside);
    }
};

QTEST_MAIN(TestHelpController)
#include "tst_help_controller.moc"
