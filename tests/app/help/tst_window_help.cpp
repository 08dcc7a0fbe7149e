// The main window's Help button, F1 and closing, with and without the help file.
#include <QPushButton>
#include <QTest>

#include "app/help/help_viewer.h"
#include "app/main_form.h"

using vaskiro::app::TMainForm;

class TstWindowHelp : public QObject {
    Q_OBJECT

private slots:
    void withoutTheFileHelpIsHidden() {
        QTemporaryDir empty;
        TMainForm form(nullptr, nullptr, empty.path());
        form.show();
        QVERIFY(form.findChild<QPushButton*>("HelpButton")->isHidden());
        QVERIFY(form.close());
    }

    void withTheFileHelpOpensOnItsDefaultTopicAndClosesWithTheWindow() {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(VASKIRO_HELP_FILE, dir.filePath("bacnet-interface.chm")));
        TMainForm form(nullptr, nullptr, dir.path());
        form.show();
        auto* help = form.findChild<QPushButton*>("HelpButton");
        QVERIFY(help->isVisible() && help->text().remove('&') == "Help");
        QVERIFY(!form.help().viewerWindow()->isVisible());  // shown only when asked for
        QTest::mouseClick(help, Qt::LeftButton);
        auto* viewer = qobject_cast<vaskiro::app::HelpViewer*>(form.help().viewerWindow());
        QVERIFY(viewer && viewer->isVisible());
        // Whole on the main window's screen, though made larger than the offscreen one.
        QVERIFY(form.screen()->availableGeometry().contains(viewer->frameGeometry()));
        QVERIFY(viewer->showTopic("/data-files.html") && QTest::qWaitForWindowActive(viewer));
        QTest::keyClick(viewer->browser(), Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_F1);
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->currentTopic(), QStringLiteral("/welcome.html"));  // opened again on the default topic
        QVERIFY(form.close());
        QVERIFY(!form.help().viewerWindow());
    }
};

QTEST_MAIN(TstWindowHelp)
#include "tst_window_help.moc"
