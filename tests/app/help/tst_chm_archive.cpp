// ChmArchive and the sitemap parser: paths, loose sitemap HTML, failures.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

#include "app/help/chm_archive.h"
#include "app/help/sitemap.h"

using vaskiro::app::ChmArchive;
using vaskiro::app::SitemapEntry;

class TestChmArchive : public QObject {
    Q_OBJECT

private slots:
    void normalisesArchivePaths_data();
    void normalisesArchivePaths();
    void resolvesReferencesAgainstThePage_data();
    void resolvesReferencesAgainstThePage();

    void parsesNestedContents();
    void parsesLooseSitemapHtml();
    void decodesEntitiesInNames();
    void firstTopicIsDepthFirst();

    void refusesAMissingFile();
    void refusesAFileThatIsNotAnArchive();
    void refusesADirectory();
    void opensTheBuiltHelpFile();
    void readsWholeObjectsAndNothingElse();
    void listsOnlyTheProjectsOwnFiles();
    void movesOwnership();
};

void TestChmArchive::normalisesArchivePaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("normalised");
    QTest::newRow("bare name") << "welcome.html" << "/welcome.html";
    QTest::newRow("absolute") << "/welcome.html" << "/welcome.html";
    QTest::newRow("fragment dropped") << "general.html#ip" << "/general.html";
    QTest::newRow("query dropped") << "a.html?x=1" << "/a.html";
    QTest::newRow("dot segments") << "/a/./b/../c.png" << "/a/c.png";
    QTest::newRow("no climbing above root") << "../../x.html" << "/x.html";
    QTest::newRow("doubled separators") << "//images//x.png" << "/images/x.png";
    QTest::newRow("backslashes") << "images\\x.png" << "/images/x.png";
    QTest::newRow("empty") << "" << "/";
}

void TestChmArchive::normalisesArchivePaths()
{
    QFETCH(QString, path);
    QFETCH(QString, normalised);
    QCOMPARE(QString::fromStdString(vaskiro::app::normaliseArchivePath(path.toStdString())), normalised);
}

void TestChmArchive::resolvesReferencesAgainstThePage_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("resolved");
    QTest::newRow("sibling") << "/welcome.html" << "device.html" << "/device.html";
    QTest::newRow("sibling with fragment") << "/welcome.html" << "device.html#read" << "/device.html#read";
    QTest::newRow("fragment only") << "/device.html" << "#errors" << "/device.html#errors";
    QTest::newRow("base fragment ignored") << "/device.html#read" << "#errors" << "/device.html#errors";
    QTest::newRow("subfolder") << "/welcome.html" << "images/window.png" << "/images/window.png";
    QTest::newRow("from subfolder up") << "/sub/page.html" << "../help.css" << "/help.css";
    QTest::newRow("absolute reference") << "/sub/page.html" << "/welcome.html" << "/welcome.html";
    QTest::newRow("base is the root") << "/" << "toc.hhc" << "/toc.hhc";
}

void TestChmArchive::resolvesReferencesAgainstThePage()
{
    QFETCH(QString, base);
    QFETCH(QString, reference);
    QFETCH(QString, resolved);
    QCOMPARE(QString::fromStdString(vaskiro::app::resolveArchivePath(base.toStdString(), reference.toStdString())),
             resolved);
}

void TestChmArchive::parsesNestedContents()
{
    const auto entries = vaskiro::app::parseSitemap(R"(
<HTML><BODY>
<OBJECT type="text/site properties"><param name="Window Styles" value="0x800025"></OBJECT>
<UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="Welcome"><param name="Local" value="welcome.html"></OBJECT>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="The window"></OBJECT>
  <UL>
    <LI><OBJECT type="text/sitemap"><param name="Name" value="General page"><param name="Local" value="general.html"></OBJECT>
    <LI><OBJECT type="text/sitemap"><param name="Name" value="Inputs page"><param name="Local" value="inputs.html#names"></OBJECT>
  </UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="Troubleshooting"><param name="Local" value="troubleshooting.html"></OBJECT>
</UL>
</BODY></HTML>)");
    QCOMPARE(entries.size(), std::size_t(3));
    QCOMPARE(entries[0].name, std::string("Welcome"));
    QCOMPARE(entries[0].local, std::string("welcome.html"));
    QCOMPARE(entries[1].name, std::string("The window"));
    QVERIFY(entries[1].local.empty());
    QCOMPARE(entries[1].children.size(), std::size_t(2));
    QCOMPARE(entries[1].children[1].local, std::string("inputs.html#names"));
    QCOMPARE(entries[2].name, std::string("Troubleshooting"));
}

void TestChmArchive::parsesLooseSitemapHtml()
{
    // Lower-case tags, unquoted and single-quoted values, a comment, a
    // stray </ul> and a list that is never closed.
    const auto entries = vaskiro::app::parseSitemap(R"(
<!-- <object type="text/sitemap"><param name="Name" value="commented out"></object> -->
<ul></ul></ul>
<ul>
<li><object type='text/sitemap'><param name=Name value=One><param name='Local' value='one.html'></object>
<ul>
<li><object type="TEXT/SITEMAP"><PARAM NAME="name" VALUE="Two"><PARAM NAME="local" VALUE="two.html"></object>
)");
    QCOMPARE(entries.size(), std::size_t(1));
    QCOMPARE(entries[0].name, std::string("One"));
    QCOMPARE(entries[0].local, std::string("one.html"));
    QCOMPARE(entries[0].children.size(), std::size_t(1));
    QCOMPARE(entries[0].children[0].name, std::string("Two"));
    QVERIFY(vaskiro::app::parseSitemap("").empty());
    QVERIFY(vaskiro::app::parseSitemap("<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"x").empty());
}

void TestChmArchive::decodesEntitiesInNames()
{
    const auto entries = vaskiro::app::parseSitemap(
        R"(<ul><li><object type="text/sitemap"><param name="Name" value="Save &amp; load &quot;.dat&quot; &#65; &bogus; & x"></object></ul>)");
    QCOMPARE(entries.size(), std::size_t(1));
    QCOMPARE(entries[0].name, std::string(R"(Save & load ".dat" A &bogus; & x)"));
}

void TestChmArchive::firstTopicIsDepthFirst()
{
    std::vector<SitemapEntry> entries(2);
    entries[0].name = "heading";
    entries[0].children.resize(1);
    entries[0].children[0].local = "child.html";
    entries[1].local = "second.html";
    const SitemapEntry* first = vaskiro::app::firstTopic(entries);
    QVERIFY(first != nullptr);
    QCOMPARE(first->local, std::string("child.html"));
    QVERIFY(vaskiro::app::firstTopic({}) == nullptr);
}

void TestChmArchive::refusesAMissingFile()
{
    QTemporaryDir dir;
    ChmArchive archive;
    QVERIFY(!archive.open(std::filesystem::path(dir.filePath("absent.chm").toStdString())));
    QVERIFY(!archive.isOpen());
    QVERIFY(archive.fileNames().empty());
    QVERIFY(!archive.read("/welcome.html"));
    QVERIFY(!archive.contains("/welcome.html"));
}

void TestChmArchive::refusesAFileThatIsNotAnArchive()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bacnet-interface.chm");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><body>not a compiled help file</body></html>");
    file.close();
    ChmArchive archive;
    QVERIFY(!archive.open(std::filesystem::path(path.toStdString())));
    QVERIFY(!archive.isOpen());
}

void TestChmArchive::refusesADirectory()
{
    QTemporaryDir dir;
    ChmArchive archive;
    QVERIFY(!archive.open(std::filesystem::path(dir.path().toStdString())));
}

void TestChmArchive::opensTheBuiltHelpFile()
{
    ChmArchive archive;
    QVERIFY2(archive.open(VASKIRO_HELP_FILE), VASKIRO_HELP_FILE);
    const auto& system = archive.systemInfo();
    QCOMPARE(system.defaultTopic, std::string("/welcome.html"));
    QCOMPARE(system.title, std::string("VASKIRO BACnet Interface Help"));
    QCOMPARE(system.contentsFile, std::string("/toc.hhc"));
    QCOMPARE(system.indexFile, std::string("/index.hhk"));
}

void TestChmArchive::readsWholeObjectsAndNothingElse()
{
    ChmArchive archive;
    QVERIFY(archive.open(VASKIRO_HELP_FILE));
    QFile source(QStringLiteral(VASKIRO_HELP_SOURCE_DIR "/help.css"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray expected = source.readAll();
    const auto css = archive.read("help.css#ignored");
    QVERIFY(css.has_value());
    QCOMPARE(QByteArray::fromStdString(*css), expected);
    QVERIFY(!archive.read("/no-such-page.html"));
    QVERIFY(!archive.contains("/no-such-page.html"));
    QVERIFY(archive.contains("welcome.html#window"));
}

void TestChmArchive::listsOnlyTheProjectsOwnFiles()
{
    ChmArchive archive;
    QVERIFY(archive.open(VASKIRO_HELP_FILE));
    const auto names = archive.fileNames();
    QVERIFY(std::find(names.begin(), names.end(), "/welcome.html") != names.end());
    QVERIFY(std::find(names.begin(), names.end(), "/help.css") != names.end());
    for (const std::string& name : names) {
        QVERIFY2(name.size() > 1 && name[0] == '/', name.c_str());
        QVERIFY2(name[1] != '#' && name[1] != '$', name.c_str());
        QVERIFY2(name.back() != '/', name.c_str());
    }
}

void TestChmArchive::movesOwnership()
{
    ChmArchive first;
    QVERIFY(first.open(VASKIRO_HELP_FILE));
    ChmArchive second(std::move(first));
    QVERIFY(second.isOpen());
    QVERIFY(!first.isOpen());  // NOLINT(bugprone-use-after-move): a moved-from archive is closed
    QVERIFY(second.read("/welcome.html").has_value());
    ChmArchive third;
    third = std::move(second);
    QVERIFY(third.isOpen());
    QCOMPARE(third.systemInfo().defaultTopic, std::string("/welcome.html"));
    third.close();
    QVERIFY(!third.isOpen());
    QVERIFY(third.systemInfo().defaultTopic.empty());
}

QTEST_GUILESS_MAIN(TestChmArchive)
#include "tst_chm_archive.moc"
