// Renders the help window to a PNG, for the screenshot in docs/screenshots:
//   help_screenshot <file.chm> <out.png> [archive path of the page]
// Run under a display (xvfb-run) so that fonts and styles are the real ones.
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

#include "app/help/help_viewer.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: help_screenshot <file.chm> <out.png> [page]\n");
        return 2;
    }
    vaskiro::app::HelpViewer viewer;
    if (!viewer.openFile(args.at(1))) {
        std::fprintf(stderr, "help_screenshot: %s is not a readable help file\n", qPrintable(args.at(1)));
        return 1;
    }
    viewer.showDefaultTopic();
    if (args.size() > 3 && !viewer.showTopic(args.at(3))) {
        std::fprintf(stderr, "help_screenshot: the file has no page %s\n", qPrintable(args.at(3)));
        return 1;
    }
    viewer.show();
    int result = 1;
    // Let the window be laid out and painted before it is grabbed.
    QTimer::singleShot(500, &viewer, [&] {
        result = viewer.grab().save(args.at(2)) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return result;
}
