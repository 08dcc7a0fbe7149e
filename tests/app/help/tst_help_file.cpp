// The help file that the build makes: every page of the help folder is in
// it with its title, and every link, contents entry and index entry leads
// to a page (and anchor) inside it.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include "app/help/chm_archive.h"
#include "app/help/sitemap.h"

using vaskiro::app::ChmArchive;
using vaskiro::app::SitemapEntry;

namespace {

QString titleOf(const QString& html)
{
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    return title.match(html).captured(1).simplified();
}

QString sourcePage(const QString& name)
{
    QFile file(QStringLiteral(VASKIRO_HELP_SOURCE_DIR) + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QStringList expectedPages() { return QStringLiteral(VASKIRO_HELP_PAGES).split(QLatin1Char(','), Qt::SkipEmptyParts); }

bool isExternal(const QString& reference)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return scheme.match(reference).hasMatch();
}

void collectLocals(const std::vector<SitemapEntry>& entries, QStringList& locals)
{
    for (const SitemapEntry& entry : entries) {
        if (!entry.local.empty()) locals << QString::fromStdString(entry.local);
        collectLocals(entry.children, locals);
    }
}

}  // namespace

class TestHelpFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void holdsEveryPageWithItsTitle_data();
    void holdsEveryPageWithItsTitle();
    void linksStayInsideTheFile_data();
    void linksStayInsideTheFile();
    void contentsAndIndexLeadToPages();
    void contentsReachEveryPage();
    void defaultTopicIsTheWelcomePage();

private:
    // True when `reference`, written in `page`, names a file of the archive
    // and, with a fragment, an anchor of that page.
    bool leadsInside(const QString& page, const QString& reference, QString* why) const;

    ChmArchive m_archive;
};

void TestHelpFile::initTestCase()
{
    QVERIFY2(m_archive.open(VASKIRO_HELP_FILE), "the built help file does not open: " VASKIRO_HELP_FILE);
    QVERIFY2(expectedPages().size() >= 9, qPrintable(expectedPages().join(QLatin1Char(' '))));
}

void TestHelpFile::holdsEveryPageWithItsTitle_data()
{
    QTest::addColumn<QString>("page");
    for (const QString& page : expectedPages()) QTest::newRow(qPrintable(page)) << page;
}

void TestHelpFile::holdsEveryPageWithItsTitle()
{
    QFETCH(QString, page);
    const QString source = sourcePage(page);
    QVERIFY2(!source.isEmpty(), qPrintable(page));
    const QString expectedTitle = titleOf(source);
    QVERIFY2(!expectedTitle.isEmpty(), qPrintable(page + QStringLiteral(" has no <title>")));

    const auto compiled = m_archive.read("/" + page.toStdString());
    QVERIFY2(compiled.has_value(), qPrintable(page + QStringLiteral(" is missing from the help file")));
    QCOMPARE(titleOf(QString::fromStdString(*compiled)), expectedTitle);
    QCOMPARE(QByteArray::fromStdString(*compiled), source.toUtf8());
}

void TestHelpFile::linksStayInsideTheFile_data()
{
    QTest::addColumn<QString>("page");
    for (const QString& page : expectedPages()) QTest::newRow(qPrintable(page)) << page;
}

void TestHelpFile::linksStayInsideTheFile()
{
    QFETCH(QString, page);
    const auto compiled = m_archive.read("/" + page.toStdString());
    QVERIFY(compiled.has_value());
    static const QRegularExpression reference(QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\""),
                                              QRegularExpression::CaseInsensitiveOption);
    int checked = 0;
    for (const auto& match : reference.globalMatch(QString::fromStdString(*compiled))) {
        const QString target = match.captured(1);
        if (isExternal(target)) continue;
        QString why;
        QVERIFY2(leadsInside("/" + page, target, &why), qPrintable(why));
        ++checked;
    }
    QVERIFY2(checked > 0, "every page links at least to its style sheet");
}

void TestHelpFile::contentsAndIndexLeadToPages()
{
    for (const std::string& file : {m_archive.systemInfo().contentsFile, m_archive.systemInfo().indexFile}) {
        const auto text = m_archive.read(file);
        QVERIFY2(text.has_value(), file.c_str());
        QStringList locals;
        collectLocals(vaskiro::app::parseSitemap(*text), locals);
        QVERIFY2(locals.size() >= 5, file.c_str());
        for (const QString& local : locals) {
            QString why;
            QVERIFY2(leadsInside(QString::fromStdString(file), local, &why), qPrintable(why));
        }
    }
}

void TestHelpFile::contentsReachEveryPage()
{
    const auto text = m_archive.read(m_archive.systemInfo().contentsFile);
    QVERIFY(text.has_value());
    QStringList locals;
    collectLocals(vaskiro::app::parseSitemap(*text), locals);
    for (const QString& page : expectedPages()) {
        const bool listed = std::any_of(locals.begin(), locals.end(), [&](const QString& local) {
            return local.section(QLatin1Char('#'), 0, 0) == page;
        });
        QVERIFY2(listed, qPrintable(page + QStringLiteral(" is not in the table of contents")));
    }
}

void TestHelpFile::defaultTopicIsTheWelcomePage()
{
    QCOMPARE(m_archive.systemInfo().defaultTopic, std::string("/welcome.html"));
    const auto welcome = m_archive.read("/welcome.html");
    QVERIFY(welcome.has_value());
    QVERIFY(QString::fromStdString(*welcome).contains(QStringLiteral("<h1>VASKIRO BACnet Interface Help</h1>")));
}

bool TestHelpFile::leadsInside(const QString& page, const QString& reference, QString* why) const
{
    const QString resolved =
        QString::fromStdString(vaskiro::app::resolveArchivePath(page.toStdString(), reference.toStdString()));
    const QString path = resolved.section(QLatin1Char('#'), 0, 0);
    const QString fragment = resolved.section(QLatin1Char('#'), 1);
    const auto target = m_archive.read(path.toStdString());
    if (!target) {
        *why = page + QStringLiteral(": ") + reference + QStringLiteral(" leads to a missing file");
        return false;
    }
    if (fragment.isEmpty()) return true;
    const QString text = QString::fromStdString(*target);
    if (text.contains(QStringLiteral("name=\"%1\"").arg(fragment))
        || text.contains(QStringLiteral("id=\"%1\"").arg(fragment)))
        return true;
    *why = page + QStringLiteral(": ") + reference + QStringLiteral(" leads to a missing anchor");
    return false;
}

QTEST_GUILESS_MAIN(TestHelpFile)
#include "tst_help_file.moc"
