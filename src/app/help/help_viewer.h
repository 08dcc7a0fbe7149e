#pragma once

#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

#include "app/help/chm_archive.h"

class QAction;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vaskiro::app {

// A text browser whose pages, style sheets and images come from a help
// archive. Pages are addressed by "chm:" URLs whose path is the archive path
// ("chm:/device.html#read"); links between pages resolve inside the archive,
// and links with any other scheme (http, https, mailto) go to the desktop's
// handler instead of replacing the page.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT

public:
    static constexpr const char* kScheme = "chm";

    explicit HelpBrowser(QWidget* parent = nullptr);

    // The archive to read from; not owned, must outlive the browser or be
    // replaced first. nullptr shows nothing.
    void setArchive(const ChmArchive* archive) { m_archive = archive; }

    // "/device.html#read" <-> "chm:/device.html#read".
    static QUrl topicUrl(const QString& archivePath);
    static QString archivePathOf(const QUrl& url);

    // Pages (as text, decoded by their charset), style sheets and images by
    // archive path; a reference relative to the page being shown is resolved
    // against it. A missing page gives a short "not found" page; a missing
    // style sheet or image gives nothing.
    QVariant loadResource(int type, const QUrl& name) override;

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    void followLink(const QUrl& url);

    const ChmArchive* m_archive = nullptr;
    QUrl m_page;  // the page shown (or being loaded): the base of relative references
};

// The help window of platforms without HTML Help: the pages of a .chm file
// beside its table of contents and keyword index, with back, forward and
// home. Closing it (or Escape) only hides it; the window does not keep the
// application running when the main window has closed.
class HelpViewer : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kDefaultTitle = "VASKIRO BACnet Interface Help";

    explicit HelpViewer(QWidget* parent = nullptr);
    ~HelpViewer() override;

    // Opens the help file at `chmPath` and fills the contents and index.
    // False (and nothing shown) when it is not a readable help file with a
    // default topic.
    bool openFile(const QString& chmPath);
    bool isOpen() const { return m_archive.isOpen(); }

    // Archive path of the page shown first, e.g. "/welcome.html".
    QString defaultTopic() const;
    void showDefaultTopic();
    // Shows `archivePath` (a "#fragment" scrolls to that anchor) and adds it
    // to the history. False, with the page unchanged, when the file has no
    // such page.
    bool showTopic(const QString& archivePath);
    // Archive path of the page shown, with its fragment; empty before any.
    QString currentTopic() const;

    // Sizes and moves the window so that it lies whole on the screen that
    // holds `owner`, centred on it where there is room.
    void placeOnScreenOf(const QWidget& owner);

    HelpBrowser* browser() const { return m_browser; }
    QTreeWidget* contentsTree() const { return m_contents; }

private:
    void buildContents();
    void buildIndex();
    void selectContentsEntry(const QUrl& url);
    void openContentsItem(QTreeWidgetItem* item);
    void openIndexItem(QListWidgetItem* item);
    void findInIndex(const QString& text);

    ChmArchive m_archive;
    HelpBrowser* m_browser = nullptr;
    QTabWidget* m_navigation = nullptr;
    QTreeWidget* m_contents = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QListWidget* m_index = nullptr;
    QAction* m_backAction = nullptr;
    QAction* m_forwardAction = nullptr;
    QAction* m_homeAction = nullptr;
};

}  // namespace vaskiro::app
