// ChmArchive and the sitemap parser: paths, loose sitemap HTML, failures.
#include <QTest>

#include <algorithm>
#include <array>

#include "app/help/chm_archive.h"
#include "app/help/sitemap.h"

using vaskiro::app::ChmArchive;
using vaskiro::app::SitemapEntry;

class TestChmArchive : public QObject {
    Q_OBJECT

private slots:
    // An empty base: the path alone, normalised.
    void resolvesPaths_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("resolved");
        const std::array<const char*, 4> rows[] = {
            {"fragment dropped", "", "general.html#ip", "/general.html"},
            {"dot segments", "", "/a/./b/../c.png", "/a/c.png"},
            {"no climbing above root", "", "../../x.html", "/x.html"},
            {"doubled separators", "", "//images//x.png", "/images/x.png"},
            {"backslashes", "", "images\\x.png", "/images/x.png"},
            {"sibling with fragment", "/welcome.html", "device.html#read", "/device.html#read"},
            {"base fragment ignored", "/device.html#read", "#errors", "/device.html#errors"},
            {"from subfolder up", "/sub/page.html", "../help.css", "/help.css"}};
        for (auto [name, base, path, resolved] : rows)
            QTest::newRow(name) << QString(base) << QString(path) << QString(resolved);
    }
    void resolvesPaths() {
        QFETCH(QString, base);
        QFETCH(QString, path);
        QFETCH(QString, resolved);
        const std::string result = base.isEmpty()
                                       ? vaskiro::app::normaliseArchivePath(path.toStdString())
                                       : vaskiro::app::resolveArchivePath(base.toStdString(), path.toStdString());
        QCOMPARE(QString::fromStdString(result), resolved);
    }

    void parsesLooseSitemapHtml() {
        // Properties, a comment, a stray </ul>, mixed quoting and case, entities, a list never closed.
        const auto entries = vaskiro::app::parseSitemap(R"(
<OBJECT type="text/site properties"><param name="Window Styles" value="0x800025"></OBJECT>
<!-- <object type="text/sitemap"><param name="Name" value="commented out"></object> -->
<ul></ul></ul><UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Heading"></OBJECT>
<ul><li><object type='text/sitemap'><param name=Name value=One><param name='Local' value='one.html#x'></object>
<li><object type="TEXT/SITEMAP"><PARAM NAME="name" VALUE="Two"></object></ul>
<li><object type="text/sitemap"><param name="Name" value="Three"><param name="Local" value="three.html"></object>
<ul><li><object type="text/sitemap"><param name="Name" value="Four">)");
        QCOMPARE(entries.size(), std::size_t(2));
        QCOMPARE(entries[0].children.size(), std::size_t(2));
        QCOMPARE(entries[0].children[1].name, std::string("Two"));
        const auto named = vaskiro::app::parseSitemap(
            "<ul><li><object type=text/sitemap><param name=Name value=\"&amp; "
            "&quot;.dat&quot; &#65; &bogus; & x\"></object></ul>");
        QCOMPARE(named[0].name, std::string("& \".dat\" A &bogus; & x"));
        QCOMPARE(entries[1].local, std::string("three.html"));
        QCOMPARE(vaskiro::app::firstTopic(entries)->local, std::string("one.html#x"));  // depth first
        QVERIFY(vaskiro::app::firstTopic({}) == nullptr && vaskiro::app::parseSitemap("").empty());
    }

    void refusesWhatIsNoArchive() {
        QTemporaryDir dir;
        QFile file(dir.filePath("bacnet-interface.chm"));
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write("<html><body>not a compiled help file</body></html>") > 0);
        file.close();
        for (const QString& path : {dir.filePath("absent.chm"), file.fileName(), dir.path()}) {
            ChmArchive archive;
            QVERIFY2(!archive.open(std::filesystem::path(path.toStdString())), qPrintable(path));
            QVERIFY(!archive.isOpen() && archive.fileNames().empty() && !archive.read("/welcome.html"));
        }
    }

    void listsOnlyItsOwnFilesAndMovesItsOwnership() {
        ChmArchive first;
        QVERIFY2(first.open(VASKIRO_HELP_FILE), VASKIRO_HELP_FILE);
        ChmArchive archive;
        archive = std::move(first);
        QVERIFY(!first.isOpen() && archive.contains("welcome.html#window"));  // NOLINT(bugprone-use-after-move)
        for (const std::string& name : archive.fileNames())                   // no system objects, no folders
            QVERIFY2(name.size() > 1 && name[0] == '/' && name[1] != '#' && name[1] != '$' && name.back() != '/',
                     name.c_str());
        archive.close();
        QVERIFY(!archive.isOpen() && archive.systemInfo().defaultTopic.empty());
    }
};

QTEST_GUILESS_MAIN(TestChmArchive)
#include "tst_chm_archive.moc"
