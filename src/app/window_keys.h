#pragma once

class QTabWidget;
class QWidget;

namespace vaskiro::app {

// Ctrl+Tab and Ctrl+PgDn show the next page of `pages`, Ctrl+Shift+Tab and
// Ctrl+PgUp the one before, wrapping round, wherever the focus is in
// `window`: the tab widget alone does so only while the focus is inside it,
// and after Read or Write it is on the buttons below. Also names the page
// control and its tabs for screen readers.
void addPageKeys(QTabWidget& pages, QWidget& window);

}  // namespace vaskiro::app
