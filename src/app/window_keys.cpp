#include "app/window_keys.h"

#include <QKeySequence>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

namespace vaskiro::app {

void addPageKeys(QTabWidget& pages, QWidget& window) {
    pages.setAccessibleName(QObject::tr("Pages"));
    pages.tabBar()->setAccessibleName(QObject::tr("Page tabs"));
    QTabWidget* tabs = &pages;
    const auto bind = [tabs, &window](const QList<QKeySequence>& keys, int step) {
        auto* shortcut = new QShortcut(&window);
        shortcut->setKeys(keys);
        QObject::connect(shortcut, &QShortcut::activated, tabs, [tabs, step] {
            tabs->setCurrentIndex((tabs->currentIndex() + step + tabs->count()) % tabs->count());
        });
    };
    bind({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, 1);
    bind({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
          QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
         -1);
}

}  // namespace vaskiro::app
