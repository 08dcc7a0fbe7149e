// The help file that the build makes: every page of the help folder is in it,
// byte for byte, and every link, contents and index entry leads to a page
// (and anchor) inside it.
#include <QTest>

#include "app/help/chm_archive.h"
#include "app/help/sitemap.h"

using vaskiro::app::ChmArchive;
using vaskiro::app::SitemapEntry;

namespace {

QStringList expectedPages() { return QStringLiteral(VASKIRO_HELP_PAGES).split(',', Qt::SkipEmptyParts); }

void collectLocals(const std::vector<SitemapEntry>& entries, QStringList& locals) {
    for (const SitemapEntry& entry : entries) {
        if (!entry.local.empty()) locals << QString::fromStdString(entry.local);
        collectLocals(entry.children, locals);
    }
}

}  // namespace

class TestHelpFile : public QObject {
    Q_OBJECT

    ChmArchive m_archive;

    // Empty when `reference`, written in `page`, names a file of the archive
    // and, with a fragment, an anchor of that file; otherwise why not.
    QString whyNotInside(const QString& page, const QString& reference) const {
        const QString resolved =
            QString::fromStdString(vaskiro::app::resolveArchivePath(page.toStdString(), reference.toStdString()));
        const auto target = m_archive.read(resolved.section('#', 0, 0).toStdString());
        if (!target) return page + ": " + reference + " leads to a missing file";
        const QString fragment = resolved.section('#', 1), text = QString::fromStdString(*target);
        if (fragment.isEmpty() || text.contains(QStringLiteral("name=\"%1\"").arg(fragment)) ||
            text.contains(QStringLiteral("id=\"%1\"").arg(fragment)))
            return {};
        return page + ": " + reference + " leads to a missing anchor";
    }

    QStringList sitemapLocals(const std::string& file) const {
        QStringList locals;
        const auto text = m_archive.read(file);
        if (text) collectLocals(vaskiro::app::parseSitemap(*text), locals);
        return locals;
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_archive.open(VASKIRO_HELP_FILE), VASKIRO_HELP_FILE);
        QVERIFY(expectedPages().size() >= 9);
        QCOMPARE(m_archive.systemInfo().defaultTopic, std::string("/welcome.html"));
    }

    void everyPageIsThereAndLinksInside_data() {
        QTest::addColumn<QString>("page");
        for (const QString& page : expectedPages()) QTest::newRow(qPrintable(page)) << page;
    }
    void everyPageIsThereAndLinksInside() {
        QFETCH(QString, page);
        QFile source(QStringLiteral(VASKIRO_HELP_SOURCE_DIR "/") + page);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const auto compiled = m_archive.read("/" + page.toStdString());
        QVERIFY2(compiled.has_value(), qPrintable(page + " is missing from the help file"));
        QCOMPARE(QByteArray::fromStdString(*compiled), source.readAll());
        QVERIFY2(compiled->find("<title>") != std::string::npos, qPrintable(page));

        static const QRegularExpression reference("(?:href|src)\\s*=\\s*\"([^\"]*)\"",
                                                  QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression scheme("^[A-Za-z][A-Za-z0-9+.-]*:");
        int checked = 0;
        for (const auto& match : reference.globalMatch(QString::fromStdString(*compiled))) {
            if (scheme.match(match.captured(1)).hasMatch()) continue;
            const QString why = whyNotInside("/" + page, match.captured(1));
            QVERIFY2(why.isEmpty(), qPrintable(why));
            ++checked;
        }
        QVERIFY2(checked > 0, "every page links at least to its style sheet");
    }

    void contentsAndIndexLeadToPages() {
        for (const std::string& file : {m_archive.systemInfo().contentsFile, m_archive.systemInfo().indexFile}) {
            const QStringList locals = sitemapLocals(file);
            QVERIFY2(locals.size() >= 5, file.c_str());
            for (const QString& local : locals) {
                const QString why = whyNotInside(QString::fromStdString(file), local);
                QVERIFY2(why.isEmpty(), qPrintable(why));
            }
        }
        const QStringList contents = sitemapLocals(m_archive.systemInfo().contentsFile);
        for (const QString& page : expectedPages())
            QVERIFY2(std::any_of(contents.begin(), contents.end(),
                                 [&](const QString& local) { return local.section('#', 0, 0) == page; }),
                     qPrintable(page + " is not in the table of contents"));
    }
};

QTEST_GUILESS_MAIN(TestHelpFile)
#include "tst_help_file.moc"
