#include "app/help/help_viewer.h"

#include <algorithm>

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStringDecoder>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "app/help/sitemap.h"

namespace vaskiro::app {
namespace {

constexpr int kTopicRole = Qt::UserRole;  // archive path of an entry's page, with fragment

QString fromArchiveText(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QString notFoundPage(const QString& path) {
    return QStringLiteral(
               "<html><head><title>Page not found</title></head><body>"
               "<h1>Page not found</h1><p>The help file has no page %1.</p></body></html>")
        .arg(path.toHtmlEscaped());
}

// Alt+Left / Alt+Right everywhere, plus the platform's own back and forward
// keys, each once (a key bound twice to one action is ambiguous).
QList<QKeySequence> navigationKeys(QKeySequence::StandardKey standard, Qt::Key arrow) {
    QList<QKeySequence> keys{QKeySequence(Qt::ALT | arrow)};
    for (const QKeySequence& key : QKeySequence::keyBindings(standard))
        if (!keys.contains(key)) keys.append(key);
    return keys;
}

void addSitemapItems(QTreeWidgetItem* parent, QTreeWidget* tree, const std::vector<SitemapEntry>& entries,
                     const std::string& sitemapPath) {
    for (const SitemapEntry& entry : entries) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, fromArchiveText(entry.name));
        if (!entry.local.empty())
            item->setData(0, kTopicRole, fromArchiveText(resolveArchivePath(sitemapPath, entry.local)));
        addSitemapItems(item, tree, entry.children, sitemapPath);
    }
}

void addIndexItems(QListWidget* list, const std::vector<SitemapEntry>& entries, const std::string& sitemapPath,
                   const QString& indent) {
    for (const SitemapEntry& entry : entries) {
        auto* item = new QListWidgetItem(indent + fromArchiveText(entry.name), list);
        if (!entry.local.empty())
            item->setData(kTopicRole, fromArchiveText(resolveArchivePath(sitemapPath, entry.local)));
        addIndexItems(list, entry.children, sitemapPath, indent + QStringLiteral("    "));
    }
}

}  // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    setObjectName(QStringLiteral("HelpBrowser"));
    // Links are followed by followLink, which keeps other schemes out of the
    // page history.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::followLink);
}

QUrl HelpBrowser::topicUrl(const QString& archivePath) {
    QUrl url;
    url.setScheme(QString::fromLatin1(kScheme));
    const qsizetype hash = archivePath.indexOf(QLatin1Char('#'));
    url.setPath(hash < 0 ? archivePath : archivePath.left(hash), QUrl::DecodedMode);
    if (hash >= 0) url.setFragment(archivePath.mid(hash + 1), QUrl::DecodedMode);
    return url;
}

QString HelpBrowser::archivePathOf(const QUrl& url) {
    QString path = url.path(QUrl::FullyDecoded);
    if (url.hasFragment()) path += QLatin1Char('#') + url.fragment(QUrl::FullyDecoded);
    return path;
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = name.isRelative() ? m_page.resolved(name) : name;
    if (m_archive == nullptr || url.scheme() != QLatin1String(kScheme)) return {};

    const std::string path = normaliseArchivePath(archivePathOf(url).toStdString());
    const std::optional<std::string> bytes = m_archive->read(path);
    switch (type) {
    case QTextDocument::HtmlResource: {
        if (!bytes) return notFoundPage(fromArchiveText(path));
        const QByteArray data(bytes->data(), qsizetype(bytes->size()));
        auto decoder = QStringDecoder::decoderForHtml(data);
        if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
        return QString(decoder(data));
    }
    case QTextDocument::StyleSheetResource:
        if (!bytes) return {};
        return fromArchiveText(*bytes);
    default:
        if (!bytes) return {};
        return QByteArray(bytes->data(), qsizetype(bytes->size()));
    }
}

void HelpBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
    m_page = name.isRelative() ? m_page.resolved(name) : name;
    QTextBrowser::doSetSource(m_page, type);
}

void HelpBrowser::followLink(const QUrl& url) {
    // anchorClicked hands over the link resolved against the page, so a link
    // inside the file arrives with the archive's scheme.
    if (url.scheme() == QLatin1String(kScheme))
        setSource(url);
    else if (!url.scheme().isEmpty())
        QDesktopServices::openUrl(url);
}

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QString::fromLatin1(kDefaultTitle));
    // The main window's closing ends the run even while help is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("HelpToolBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->setMovable(false);
    // The desktop's icon theme where there is one, the style's icons elsewhere.
    auto icon = [this](const char* themeName, QStyle::StandardPixmap fallback) {
        return QIcon::fromTheme(QString::fromLatin1(themeName), style()->standardIcon(fallback));
    };
    m_backAction = toolBar->addAction(icon("go-previous", QStyle::SP_ArrowBack), tr("Back"));
    m_backAction->setShortcuts(navigationKeys(QKeySequence::Back, Qt::Key_Left));
    m_backAction->setToolTip(tr("Back (Alt+Left)"));
    m_backAction->setEnabled(false);
    m_forwardAction = toolBar->addAction(icon("go-next", QStyle::SP_ArrowForward), tr("Forward"));
    m_forwardAction->setShortcuts(navigationKeys(QKeySequence::Forward, Qt::Key_Right));
    m_forwardAction->setToolTip(tr("Forward (Alt+Right)"));
    m_forwardAction->setEnabled(false);
    m_homeAction = toolBar->addAction(icon("go-home", QStyle::SP_DirHomeIcon), tr("Home"));
    m_homeAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    m_homeAction->setToolTip(tr("The first page (Alt+Home)"));
    toolBar->widgetForAction(m_backAction)->setObjectName(QStringLiteral("HelpBackButton"));
    toolBar->widgetForAction(m_forwardAction)->setObjectName(QStringLiteral("HelpForwardButton"));
    toolBar->widgetForAction(m_homeAction)->setObjectName(QStringLiteral("HelpHomeButton"));

    m_contents = new QTreeWidget;
    m_contents->setObjectName(QStringLiteral("HelpContentsTree"));
    m_contents->setHeaderHidden(true);
    m_contents->setColumnCount(1);
    m_contents->header()->setStretchLastSection(true);

    auto* indexPage = new QWidget;
    m_indexFilter = new QLineEdit;
    m_indexFilter->setObjectName(QStringLiteral("HelpIndexFilter"));
    m_indexFilter->setPlaceholderText(tr("Type a keyword"));
    m_indexFilter->setClearButtonEnabled(true);
    m_index = new QListWidget;
    m_index->setObjectName(QStringLiteral("HelpIndexList"));
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(m_index);

    m_navigation = new QTabWidget;
    m_navigation->setObjectName(QStringLiteral("HelpNavigationTabs"));
    m_navigation->addTab(m_contents, tr("Contents"));
    m_navigation->addTab(indexPage, tr("Index"));

    m_browser = new HelpBrowser;
    m_browser->setArchive(&m_archive);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(m_navigation);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({270, 730});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(splitter, 1);
    resize(1000, 700);

    m_navigation->setAccessibleName(tr("Help navigation"));
    m_navigation->tabBar()->setAccessibleName(tr("Contents or index"));
    m_contents->setAccessibleName(tr("Contents"));
    m_indexFilter->setAccessibleName(tr("Index keyword"));
    m_index->setAccessibleName(tr("Index"));
    m_browser->setAccessibleName(tr("Help page"));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(m_backAction, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(m_forwardAction, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(m_homeAction, &QAction::triggered, this, &HelpViewer::showDefaultTopic);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_backAction, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forwardAction, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpViewer::selectContentsEntry);
    connect(m_contents, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { openContentsItem(item); });
    connect(m_contents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { openContentsItem(item); });
    connect(m_index, &QListWidget::itemClicked, this, &HelpViewer::openIndexItem);
    connect(m_index, &QListWidget::itemActivated, this, &HelpViewer::openIndexItem);
    connect(m_indexFilter, &QLineEdit::textChanged, this, &HelpViewer::findInIndex);
    connect(m_indexFilter, &QLineEdit::returnPressed, this, [this] { openIndexItem(m_index->currentItem()); });
}

void HelpViewer::placeOnScreenOf(const QWidget& owner) {
    QScreen* screen = owner.screen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    // The window system's frame is known once the window has been shown;
    // before that, room for a title bar and borders is kept.
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty()) frame = QSize(16, 48);
    resize(size().boundedTo(room.size() - frame));
    QRect outer(QPoint(), size() + frame);
    outer.moveCenter(owner.frameGeometry().center());
    outer.moveRight(std::min(outer.right(), room.right()));
    outer.moveBottom(std::min(outer.bottom(), room.bottom()));
    outer.moveLeft(std::max(outer.left(), room.left()));
    outer.moveTop(std::max(outer.top(), room.top()));
    move(outer.topLeft());
}

HelpViewer::~HelpViewer() {
    // The browser may still ask for resources while it is torn down.
    m_browser->setArchive(nullptr);
}

bool HelpViewer::openFile(const QString& chmPath) {
    ChmArchive archive;
    if (!archive.open(std::filesystem::path(QFile::encodeName(chmPath).toStdString()))) return false;
    const std::string& topic = archive.systemInfo().defaultTopic;
    if (topic.empty() || !archive.contains(topic)) return false;

    m_browser->clear();
    m_browser->clearHistory();
    m_archive = std::move(archive);
    const std::string& title = m_archive.systemInfo().title;
    setWindowTitle(title.empty() ? QString::fromLatin1(kDefaultTitle) : fromArchiveText(title));
    buildContents();
    buildIndex();
    return true;
}

QString HelpViewer::defaultTopic() const { return fromArchiveText(m_archive.systemInfo().defaultTopic); }

void HelpViewer::showDefaultTopic() { showTopic(defaultTopic()); }

bool HelpViewer::showTopic(const QString& archivePath) {
    if (!m_archive.contains(archivePath.toStdString())) return false;
    const QString path = fromArchiveText(resolveArchivePath("/", archivePath.toStdString()));
    m_browser->setSource(HelpBrowser::topicUrl(path));
    return true;
}

QString HelpViewer::currentTopic() const {
    const QUrl source = m_browser->source();
    return source.isEmpty() ? QString() : HelpBrowser::archivePathOf(source);
}

void HelpViewer::buildContents() {
    const QSignalBlocker blocker(m_contents);
    m_contents->clear();
    const std::string& file = m_archive.systemInfo().contentsFile;
    if (const auto text = m_archive.read(file)) addSitemapItems(nullptr, m_contents, parseSitemap(*text), file);
    m_contents->expandAll();
}

void HelpViewer::buildIndex() {
    m_index->clear();
    const std::string& file = m_archive.systemInfo().indexFile;
    if (const auto text = m_archive.read(file)) addIndexItems(m_index, parseSitemap(*text), file, QString());
    m_navigation->setTabEnabled(1, m_index->count() > 0);
}

void HelpViewer::selectContentsEntry(const QUrl& url) {
    const QString topic = HelpBrowser::archivePathOf(url);
    const QString page = topic.section(QLatin1Char('#'), 0, 0);
    QTreeWidgetItem* samePage = nullptr;
    QTreeWidgetItem* exact = nullptr;
    for (QTreeWidgetItemIterator it(m_contents); *it != nullptr && exact == nullptr; ++it) {
        const QString entry = (*it)->data(0, kTopicRole).toString();
        if (entry == topic)
            exact = *it;
        else if (samePage == nullptr && entry.section(QLatin1Char('#'), 0, 0) == page)
            samePage = *it;
    }
    QTreeWidgetItem* item = exact != nullptr ? exact : samePage;
    const QSignalBlocker blocker(m_contents);
    m_contents->setCurrentItem(item);
    if (item != nullptr) m_contents->scrollToItem(item);
}

void HelpViewer::openContentsItem(QTreeWidgetItem* item) {
    if (item == nullptr) return;
    const QString topic = item->data(0, kTopicRole).toString();
    if (!topic.isEmpty() && topic != currentTopic()) showTopic(topic);
}

void HelpViewer::openIndexItem(QListWidgetItem* item) {
    if (item == nullptr) return;
    const QString topic = item->data(kTopicRole).toString();
    if (!topic.isEmpty()) showTopic(topic);
}

void HelpViewer::findInIndex(const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty()) return;
    for (int row = 0; row < m_index->count(); ++row) {
        QListWidgetItem* item = m_index->item(row);
        if (item->text().trimmed().startsWith(wanted, Qt::CaseInsensitive)) {
            m_index->setCurrentItem(item);
            m_index->scrollToItem(item, QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

}  // namespace vaskiro::app
