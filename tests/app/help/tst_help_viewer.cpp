// HelpViewer: contents, links, index and history navigate inside the file;
// nothing outside it is read; other schemes go to the desktop; the file's
// images show and its folders resolve.
#include <QDesktopServices>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QTest>

#include "app/help/help_viewer.h"

using vaskiro::app::HelpViewer;

class TestHelpViewer : public QObject {
    Q_OBJECT

    QList<QUrl> m_opened;  // what went to the desktop's browser

public slots:
    void open(const QUrl& url) { m_opened << url; }

private slots:
    void navigatesInsideTheFile() {
        HelpViewer viewer;
        QVERIFY(!viewer.openFile(VASKIRO_HELP_SOURCE_DIR "/welcome.html") && viewer.defaultTopic().isEmpty());
        QVERIFY(viewer.openFile(VASKIRO_HELP_FILE));
        viewer.show();
        viewer.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        viewer.showDefaultTopic();
        QTreeWidget* tree = viewer.contentsTree();
        QTreeWidgetItem* entry =
            tree->findItems("Messages and what to do", Qt::MatchExactly | Qt::MatchRecursive).value(0);
        tree->scrollToItem(entry);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(entry).center());
        QCOMPARE(viewer.currentTopic(), QStringLiteral("/device.html#messages"));
        emit viewer.browser()->anchorClicked(viewer.browser()->source().resolved(QUrl("general.html#password")));
        // The page's entry: the anchor has none
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("General page"));
        auto* filter = viewer.findChild<QLineEdit*>("HelpIndexFilter");
        filter->setText("there are");
        QTest::keyClick(filter, Qt::Key_Return);
        QCOMPARE(viewer.currentTopic(), QStringLiteral("/device.html#errors"));
        QVERIFY(!viewer.showTopic("/no-such-page.html"));

        QTest::mouseClick(viewer.findChild<QToolButton*>("HelpBackButton"), Qt::LeftButton);
        QTest::mouseClick(viewer.findChild<QToolButton*>("HelpBackButton"), Qt::LeftButton);
        QCOMPARE(viewer.currentTopic(), QStringLiteral("/device.html#messages"));
        QTest::mouseClick(viewer.findChild<QToolButton*>("HelpForwardButton"), Qt::LeftButton);
        QTest::keyClick(viewer.browser(), Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(viewer.currentTopic(), QStringLiteral("/device.html#errors"));
        QTest::mouseClick(viewer.findChild<QToolButton*>("HelpHomeButton"), Qt::LeftButton);
        QCOMPARE(viewer.currentTopic(), QStringLiteral("/welcome.html"));

        QDesktopServices::setUrlHandler("https", this, "open");
        emit viewer.browser()->anchorClicked(QUrl("https://example.org/bacnet"));
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(m_opened, QList<QUrl>({QUrl("https://example.org/bacnet")}));
        QCOMPARE(viewer.currentTopic(), QStringLiteral("/welcome.html"));
        QTextBrowser* browser = viewer.browser();
        const QUrl none("chm:/none.html"), css = QUrl::fromLocalFile(VASKIRO_HELP_SOURCE_DIR "/help.css");
        QVERIFY(browser->loadResource(QTextDocument::HtmlResource, none).toString().contains("Page not found"));
        QVERIFY(!browser->loadResource(QTextDocument::StyleSheetResource, css).isValid());
    }

    // The fixture has what the real help lacks: an image and a page in a folder.
    void imagesAndFoldersResolveInsideTheFile() {
        HelpViewer viewer;
        QVERIFY(viewer.openFile(VASKIRO_HELP_FIXTURE));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        viewer.showDefaultTopic();
        const QImage shown = viewer.browser()->viewport()->grab().toImage();
        bool painted = false;
        for (int y = 0; y < shown.height() && !painted; ++y)
            for (int x = 0; x < shown.width() && !painted; ++x) painted = shown.pixelColor(x, y) == QColor(200, 30, 30);
        QVERIFY2(painted, "the red dot from the file is not on the page");
        emit viewer.browser()->anchorClicked(viewer.browser()->source().resolved(QUrl("sub/page.html")));
        QCOMPARE(viewer.currentTopic(), QStringLiteral("/sub/page.html"));
        const QUrl dot("../images/dot.png");
        QVERIFY(!viewer.browser()->loadResource(QTextDocument::ImageResource, dot).toByteArray().isEmpty());
    }
};

QTEST_MAIN(TestHelpViewer)
#include "tst_help_viewer.moc"
