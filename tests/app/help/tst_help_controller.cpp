// HelpController: the help file beside the executable (or in the
// installation's data directory) decides whether help is offered; the Help
// button shows the default topic; FormClose closes the viewer. The main
// window's own wiring is tested in tst_window_help.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include <algorithm>

#include "app/help/help_controller.h"
#include "app/help/help_viewer.h"

using vaskiro::app::HelpController;
using vaskiro::app::HelpViewer;

namespace {

bool copyHelpFileInto(const QTemporaryDir& dir)
{
    return QFile::copy(QStringLiteral(VASKIRO_HELP_FILE), dir.filePath(QString::fromLatin1(HelpController::kHelpFileName)));
}

QString headingOf(const HelpViewer* viewer)
{
    for (QTextBlock block = viewer->browser()->document()->begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() == 1) return block.text().trimmed();
    return {};
}

bool noWindowShown()
{
    const auto windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(), [](const QWidget* w) { return w->isVisible(); });
}

}  // namespace

class TestHelpController : public QObject {
    Q_OBJECT

private slots:
    void helpFilePathIsAbsoluteAndNormalised();
    void helpFileIsLookedForBesideTheExecutable();
    void helpFileIsFoundInTheDataDirectory();
    void helpFileBesideTheExecutableComesFirst();
    void setUpFindsTheInstalledHelpFile();
    void setUpFailsWhenTheFileIsAbsent();
    void setUpFailsWhenTheFileIsNotHelp();
    void setUpSucceedsWhenTheFileIsPresent();
    void helpButtonClickShowsTheDefaultTopic();
    void formCloseClosesTheViewer();
};

void TestHelpController::helpFilePathIsAbsoluteAndNormalised()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    HelpController help(dir.path() + QStringLiteral("/./sub/..//"));
    QVERIFY(help.HelpFilePath().isEmpty());
    help.SetUpHelp();
    QCOMPARE(help.HelpFilePath(), QDir::cleanPath(dir.path()) + QStringLiteral("/bacnet-interface.chm"));
    QVERIFY(QDir::isAbsolutePath(help.HelpFilePath()));

    // A relative directory is taken from the current directory.
    HelpController relative(QStringLiteral("."));
    relative.SetUpHelp();
    QCOMPARE(relative.HelpFilePath(), QDir::current().absoluteFilePath(QStringLiteral("bacnet-interface.chm")));
}

void TestHelpController::helpFileIsLookedForBesideTheExecutable()
{
    HelpController help;
    const bool ready = help.SetUpHelp();
    const QString expected = QCoreApplication::applicationDirPath() + QStringLiteral("/bacnet-interface.chm");
    QCOMPARE(help.HelpFilePath(), HelpController::HelpFileFor(QCoreApplication::applicationDirPath()));
    if (!QFile::exists(help.HelpFilePath())) QCOMPARE(help.HelpFilePath(), QDir::cleanPath(expected));
    QCOMPARE(ready, QFile::exists(help.HelpFilePath()));
    help.FormClose();
}

// An installation: <prefix>/bin holds the executable, <prefix>/share/vaskiro-config the help.
void TestHelpController::helpFileIsFoundInTheDataDirectory()
{
    QTemporaryDir prefix;
    QDir root(prefix.path());
    QVERIFY(root.mkpath(QStringLiteral("bin")));
    QVERIFY(root.mkpath(QStringLiteral("share/vaskiro-config")));
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString beside = QDir::cleanPath(bin + QStringLiteral("/bacnet-interface.chm"));
    const QString installed = QDir::cleanPath(root.filePath(QStringLiteral("share/vaskiro-config/bacnet-interface.chm")));

    // Neither place holds it: the answer is the place beside the executable.
    QCOMPARE(HelpController::HelpFileFor(bin), beside);

    QVERIFY(QFile::copy(QStringLiteral(VASKIRO_HELP_FILE), installed));
    QCOMPARE(HelpController::HelpFileFor(bin), installed);
    QCOMPARE(HelpController::HelpFileFor(bin + QStringLiteral("/")), installed);
    QVERIFY(QDir::isAbsolutePath(HelpController::HelpFileFor(bin)));
    QCOMPARE(QString::fromLatin1(HelpController::kDataDirectory), QStringLiteral("../share/vaskiro-config"));
}

void TestHelpController::helpFileBesideTheExecutableComesFirst()
{
    QTemporaryDir prefix;
    QDir root(prefix.path());
    QVERIFY(root.mkpath(QStringLiteral("bin")));
    QVERIFY(root.mkpath(QStringLiteral("share/vaskiro-config")));
    const QString bin = root.filePath(QStringLiteral("bin"));
    QVERIFY(QFile::copy(QStringLiteral(VASKIRO_HELP_FILE), root.filePath(QStringLiteral("share/vaskiro-config/bacnet-interface.chm"))));
    QVERIFY(QFile::copy(QStringLiteral(VASKIRO_HELP_FILE), root.filePath(QStringLiteral("bin/bacnet-interface.chm"))));
    QCOMPARE(HelpController::HelpFileFor(bin), QDir::cleanPath(bin + QStringLiteral("/bacnet-interface.chm")));

    // A directory of that name beside the executable is not the help file.
    QTemporaryDir other;
    QDir otherRoot(other.path());
    QVERIFY(otherRoot.mkpath(QStringLiteral("bin/bacnet-interface.chm")));
    QVERIFY(otherRoot.mkpath(QStringLiteral("share/vaskiro-config")));
    const QString installed = otherRoot.filePath(QStringLiteral("share/vaskiro-config/bacnet-interface.chm"));
    QVERIFY(QFile::copy(QStringLiteral(VASKIRO_HELP_FILE), installed));
    QCOMPARE(HelpController::HelpFileFor(otherRoot.filePath(QStringLiteral("bin"))), QDir::cleanPath(installed));
}

// The controller of an installed window: no directory given, the help in the
// data directory beside <prefix>/bin. The test program stands in for the
// executable: its directory's ../share/vaskiro-config gets the file for the
// duration of the test.
void TestHelpController::setUpFindsTheInstalledHelpFile()
{
    const QString executableDirectory = QCoreApplication::applicationDirPath();
    if (QFile::exists(executableDirectory + QStringLiteral("/bacnet-interface.chm")))
        QSKIP("a help file lies beside the test program");
    QDir dataDirectory(
        QDir::cleanPath(QDir(executableDirectory).filePath(QString::fromLatin1(HelpController::kDataDirectory))));
    const QString installed = QDir::cleanPath(dataDirectory.absoluteFilePath(QStringLiteral("bacnet-interface.chm")));
    if (QFile::exists(installed)) QSKIP("a help file is already installed next to the test program");
    const bool madeDirectory = !dataDirectory.exists();
    QVERIFY(QDir().mkpath(dataDirectory.absolutePath()));
    QVERIFY(QFile::copy(QStringLiteral(VASKIRO_HELP_FILE), installed));
    auto cleanUp = qScopeGuard([&] {
        QFile::remove(installed);
        // Removes the folders it made, up to the first that holds anything.
        if (madeDirectory) QDir().rmpath(dataDirectory.absolutePath());
    });

    HelpController help;
    QVERIFY(help.SetUpHelp());
    QCOMPARE(help.HelpFilePath(), installed);
    help.HelpButtonClick();
    auto* viewer = qobject_cast<HelpViewer*>(help.viewerWindow());
    QVERIFY(viewer != nullptr && viewer->isVisible());
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/welcome.html"));
    help.FormClose();
}

void TestHelpController::setUpFailsWhenTheFileIsAbsent()
{
    QTemporaryDir dir;
    HelpController help(dir.path());
    QVERIFY(!help.SetUpHelp());
    QVERIFY(!help.ready());
    QVERIFY(help.viewerWindow() == nullptr);
    help.HelpButtonClick();  // nothing to show, nothing happens
    QVERIFY(noWindowShown());
    help.FormClose();
    help.FormClose();
}

void TestHelpController::setUpFailsWhenTheFileIsNotHelp()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("bacnet-interface.chm")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    HelpController help(dir.path());
    QVERIFY(!help.SetUpHelp());
    QVERIFY(!help.ready());

    // A directory of that name is no help file either.
    QTemporaryDir other;
    QVERIFY(QDir(other.path()).mkdir(QStringLiteral("bacnet-interface.chm")));
    HelpController folder(other.path());
    QVERIFY(!folder.SetUpHelp());
}

void TestHelpController::setUpSucceedsWhenTheFileIsPresent()
{
    QTemporaryDir dir;
    QVERIFY(copyHelpFileInto(dir));
    HelpController help(dir.path());
    QVERIFY(help.SetUpHelp());
    QVERIFY(help.ready());
    QVERIFY(help.viewerWindow() != nullptr);
    QVERIFY(!help.viewerWindow()->isVisible());  // shown only when asked for
    help.FormClose();
}

void TestHelpController::helpButtonClickShowsTheDefaultTopic()
{
    QTemporaryDir dir;
    QVERIFY(copyHelpFileInto(dir));
    HelpController help(dir.path());
    QVERIFY(help.SetUpHelp());
    help.HelpButtonClick();
    auto* viewer = qobject_cast<HelpViewer*>(help.viewerWindow());
    QVERIFY(viewer != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->windowTitle(), QStringLiteral("VASKIRO BACnet Interface Help"));
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/welcome.html"));
    QCOMPARE(headingOf(viewer), QStringLiteral("VASKIRO BACnet Interface Help"));

    // Closed on another topic, it opens again on the default one.
    QVERIFY(viewer->showTopic(QStringLiteral("/data-files.html")));
    viewer->close();
    help.HelpButtonClick();
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/welcome.html"));
    help.FormClose();
}

void TestHelpController::formCloseClosesTheViewer()
{
    QTemporaryDir dir;
    QVERIFY(copyHelpFileInto(dir));
    HelpController help(dir.path());
    QVERIFY(help.SetUpHelp());
    help.HelpButtonClick();
    QPointer<QWidget> viewer = help.viewerWindow();
    QVERIFY(viewer && viewer->isVisible());

    help.FormClose();
    QVERIFY(viewer.isNull());
    QVERIFY(!help.ready());
    QVERIFY(help.viewerWindow() == nullptr);
    help.HelpButtonClick();  // help is shut down: nothing reopens
    QVERIFY(help.viewerWindow() == nullptr);
    QVERIFY(noWindowShown());
    help.FormClose();
}

QTEST_MAIN(TestHelpController)
#include "tst_help_controller.moc"
