// HelpViewer: the default topic renders, the contents and links navigate
// inside the file, back and forward work, other schemes leave the window.
#include <QAction>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

#include "app/help/help_viewer.h"

using vaskiro::app::HelpViewer;

// Stands in for the desktop's browser.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

class TestHelpViewer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rendersTheDefaultTopicWithItsHeading();
    void appliesTheStyleSheetFromTheFile();
    void refusesFilesThatAreNotHelp();
    void refusesPagesTheFileDoesNotHold();
    void listsTheContentsOfTheFile();
    void contentsClickNavigates();
    void navigationSelectsTheContentsEntry();
    void linkClickNavigatesInsideTheFile();
    void fragmentLinkKeepsItsAnchor();
    void backAndForwardButtonsWalkTheHistory();
    void altLeftAndAltRightWalkTheHistory();
    void externalLinksGoToTheDesktop();
    void imagesAndFoldersResolveInsideTheFile();
    void indexFindsAndOpensAKeyword();
    void closingHidesWithoutKeepingTheApplication();

private:
    QTreeWidgetItem* contentsItem(const QString& text) const;
    // Clicks the middle of the first occurrence of `text` in the page shown.
    void clickText(const QString& text);
    QString heading() const;

    std::unique_ptr<HelpViewer> m_viewer;
};

void TestHelpViewer::init()
{
    m_viewer = std::make_unique<HelpViewer>();
    QVERIFY(m_viewer->openFile(QStringLiteral(VASKIRO_HELP_FILE)));
}

void TestHelpViewer::cleanup() { m_viewer.reset(); }

QTreeWidgetItem* TestHelpViewer::contentsItem(const QString& text) const
{
    const auto items = m_viewer->contentsTree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

void TestHelpViewer::clickText(const QString& text)
{
    QTextBrowser* browser = m_viewer->browser();
    const QTextCursor found = browser->document()->find(text);
    QVERIFY2(!found.isNull(), qPrintable(text));
    QTextCursor middle(browser->document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    browser->setTextCursor(middle);
    browser->ensureCursorVisible();
    const QPoint point = browser->cursorRect(middle).center();
    QVERIFY2(!browser->anchorAt(point).isEmpty(), qPrintable(text + QStringLiteral(" is not a link")));
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
}

QString TestHelpViewer::heading() const
{
    for (QTextBlock block = m_viewer->browser()->document()->begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() == 1) return block.text().trimmed();
    return {};
}

void TestHelpViewer::rendersTheDefaultTopicWithItsHeading()
{
    QCOMPARE(m_viewer->defaultTopic(), QStringLiteral("/welcome.html"));
    m_viewer->showDefaultTopic();
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/welcome.html"));
    QCOMPARE(m_viewer->browser()->documentTitle(), QStringLiteral("VASKIRO BACnet Interface Help"));
    QCOMPARE(heading(), QStringLiteral("VASKIRO BACnet Interface Help"));
    QVERIFY(m_viewer->browser()->toPlainText().contains(QStringLiteral("What do you want to do?")));
    QCOMPARE(m_viewer->windowTitle(), QStringLiteral("VASKIRO BACnet Interface Help"));
}

void TestHelpViewer::appliesTheStyleSheetFromTheFile()
{
    m_viewer->showDefaultTopic();
    const QVariant css = m_viewer->browser()->loadResource(QTextDocument::StyleSheetResource, QUrl("help.css"));
    QVERIFY(css.toString().contains(QStringLiteral("h1")));
    // help.css colours the headings; Qt's own style would leave them black.
    QTextBlock block = m_viewer->browser()->document()->begin();
    while (block.isValid() && block.blockFormat().headingLevel() != 1) block = block.next();
    QVERIFY(block.isValid());
    QCOMPARE(block.charFormat().foreground().color(), QColor(QStringLiteral("#1f4e79")));
}

void TestHelpViewer::refusesFilesThatAreNotHelp()
{
    HelpViewer viewer;
    QVERIFY(!viewer.openFile(QStringLiteral(VASKIRO_HELP_SOURCE_DIR "/welcome.html")));
    QVERIFY(!viewer.openFile(QStringLiteral(VASKIRO_HELP_SOURCE_DIR "/absent.chm")));
    QVERIFY(!viewer.isOpen());
    QVERIFY(viewer.defaultTopic().isEmpty());
}

void TestHelpViewer::refusesPagesTheFileDoesNotHold()
{
    m_viewer->showDefaultTopic();
    QVERIFY(!m_viewer->showTopic(QStringLiteral("/no-such-page.html")));
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/welcome.html"));
    const QVariant page =
        m_viewer->browser()->loadResource(QTextDocument::HtmlResource, QUrl(QStringLiteral("chm:/no-such-page.html")));
    QVERIFY(page.toString().contains(QStringLiteral("Page not found")));
    QVERIFY(!m_viewer->browser()->loadResource(QTextDocument::ImageResource, QUrl("missing.png")).isValid());
    // Nothing outside the file is read, whatever a page asks for.
    QVERIFY(!m_viewer->browser()
                 ->loadResource(QTextDocument::StyleSheetResource,
                                QUrl::fromLocalFile(QStringLiteral(VASKIRO_HELP_SOURCE_DIR "/help.css")))
                 .isValid());
}

void TestHelpViewer::listsTheContentsOfTheFile()
{
    QTreeWidget* tree = m_viewer->contentsTree();
    QStringList top;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) top << tree->topLevelItem(i)->text(0);
    QCOMPARE(top, QStringList({"Welcome", "The window", "Reading and writing the device", "Data files",
                               "Choosing units", "Troubleshooting"}));
    QTreeWidgetItem* window = contentsItem(QStringLiteral("The window"));
    QVERIFY(window != nullptr);
    QCOMPARE(window->childCount(), 4);
    QVERIFY(window->isExpanded());
}

void TestHelpViewer::contentsClickNavigates()
{
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
    m_viewer->showDefaultTopic();
    QTreeWidget* tree = m_viewer->contentsTree();
    QTreeWidgetItem* item = contentsItem(QStringLiteral("Troubleshooting"));
    QVERIFY(item != nullptr);
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/troubleshooting.html"));
    QCOMPARE(heading(), QStringLiteral("Troubleshooting"));

    QTreeWidgetItem* sub = contentsItem(QStringLiteral("Messages and what to do"));
    QVERIFY(sub != nullptr);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(sub).center());
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/device.html#messages"));
}

void TestHelpViewer::navigationSelectsTheContentsEntry()
{
    m_viewer->showTopic(QStringLiteral("/units.html"));
    QVERIFY(m_viewer->contentsTree()->currentItem() != nullptr);
    QCOMPARE(m_viewer->contentsTree()->currentItem()->text(0), QStringLiteral("Choosing units"));
    m_viewer->showTopic(QStringLiteral("/device.html#read"));
    QCOMPARE(m_viewer->contentsTree()->currentItem()->text(0), QStringLiteral("Reading the settings"));
    // A page anchor without its own entry selects its page's entry.
    m_viewer->showTopic(QStringLiteral("/general.html#password"));
    QCOMPARE(m_viewer->contentsTree()->currentItem()->text(0), QStringLiteral("General page"));
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/general.html#password"));
}

void TestHelpViewer::linkClickNavigatesInsideTheFile()
{
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
    m_viewer->showDefaultTopic();
    clickText(QStringLiteral("Find out why the device is not found"));
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/troubleshooting.html"));
    QCOMPARE(heading(), QStringLiteral("Troubleshooting"));
}

void TestHelpViewer::fragmentLinkKeepsItsAnchor()
{
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
    m_viewer->showDefaultTopic();
    clickText(QStringLiteral("Read the settings out of a device"));
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/device.html#read"));
    QCOMPARE(heading(), QStringLiteral("Reading and writing the device"));
}

void TestHelpViewer::backAndForwardButtonsWalkTheHistory()
{
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
    auto* back = m_viewer->findChild<QToolButton*>(QStringLiteral("HelpBackButton"));
    auto* forward = m_viewer->findChild<QToolButton*>(QStringLiteral("HelpForwardButton"));
    auto* home = m_viewer->findChild<QToolButton*>(QStringLiteral("HelpHomeButton"));
    QVERIFY(back && forward && home);

    m_viewer->showDefaultTopic();
    QVERIFY(!back->isEnabled());
    QVERIFY(!forward->isEnabled());
    m_viewer->showTopic(QStringLiteral("/general.html"));
    m_viewer->showTopic(QStringLiteral("/inputs.html"));
    QVERIFY(back->isEnabled());

    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/general.html"));
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/welcome.html"));
    QVERIFY(!back->isEnabled());
    QVERIFY(forward->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/general.html"));
    QCOMPARE(heading(), QStringLiteral("General page"));
    QTest::mouseClick(home, Qt::LeftButton);
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/welcome.html"));
}

void TestHelpViewer::altLeftAndAltRightWalkTheHistory()
{
    m_viewer->show();
    m_viewer->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_viewer.get()));
    m_viewer->showDefaultTopic();
    m_viewer->showTopic(QStringLiteral("/outputs.html"));

    for (QWidget* focus : {static_cast<QWidget*>(m_viewer->browser()), static_cast<QWidget*>(m_viewer->contentsTree())}) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/welcome.html"));
        QTest::keyClick(focus, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/outputs.html"));
    }
}

void TestHelpViewer::externalLinksGoToTheDesktop()
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    m_viewer->showDefaultTopic();
    emit m_viewer->browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/bacnet")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(recorder.opened, QList<QUrl>({QUrl(QStringLiteral("https://example.org/bacnet"))}));
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/welcome.html"));
}

void TestHelpViewer::imagesAndFoldersResolveInsideTheFile()
{
    HelpViewer viewer;
    QVERIFY(viewer.openFile(QStringLiteral(VASKIRO_HELP_FIXTURE)));
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    viewer.showDefaultTopic();
    QCOMPARE(viewer.currentTopic(), QStringLiteral("/start.html"));
    const QImage dot = QImage::fromData(
        viewer.browser()->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/dot.png"))).toByteArray());
    QCOMPARE(dot.size(), QSize(8, 8));
    QCOMPARE(dot.pixelColor(4, 4), QColor(200, 30, 30));
    // ... and the page shows it.
    const QImage shown = viewer.browser()->viewport()->grab().toImage();
    bool painted = false;
    for (int y = 0; y < shown.height() && !painted; ++y)
        for (int x = 0; x < shown.width() && !painted; ++x) painted = shown.pixelColor(x, y) == QColor(200, 30, 30);
    QVERIFY(painted);

    // The page in the folder reaches the image and the start page through "..".
    emit viewer.browser()->anchorClicked(viewer.browser()->source().resolved(QUrl(QStringLiteral("sub/page.html"))));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("/sub/page.html"));
    QCOMPARE(viewer.browser()->documentTitle(), QStringLiteral("Fixture page in a folder"));
    QVERIFY(!QImage::fromData(viewer.browser()
                                  ->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("../images/dot.png")))
                                  .toByteArray())
                 .isNull());
    QCOMPARE(viewer.contentsTree()->currentItem()->text(0), QStringLiteral("Page in a folder"));
    emit viewer.browser()->anchorClicked(viewer.browser()->source().resolved(QUrl(QStringLiteral("../start.html"))));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("/start.html"));
}

void TestHelpViewer::indexFindsAndOpensAKeyword()
{
    auto* filter = m_viewer->findChild<QLineEdit*>(QStringLiteral("HelpIndexFilter"));
    auto* index = m_viewer->findChild<QListWidget*>(QStringLiteral("HelpIndexList"));
    QVERIFY(filter && index);
    QVERIFY(index->count() > 40);
    filter->setText(QStringLiteral("there are"));
    QVERIFY(index->currentItem() != nullptr);
    QCOMPARE(index->currentItem()->text(), QStringLiteral("There are errors"));
    QTest::keyClick(filter, Qt::Key_Return);
    QCOMPARE(m_viewer->currentTopic(), QStringLiteral("/device.html#errors"));
}

void TestHelpViewer::closingHidesWithoutKeepingTheApplication()
{
    QVERIFY(!m_viewer->testAttribute(Qt::WA_QuitOnClose));
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
    QVERIFY(m_viewer->close());
    QVERIFY(!m_viewer->isVisible());
}

QTEST_MAIN(TestHelpViewer)
#include "tst_help_viewer.moc"
