#include "app/pages/units_grid.h"

#include <QApplication>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/engineering_units.h"

namespace vaskiro::app {

namespace {

using Cell = std::pair<int, int>;  // row, column

int rowLength(int row) { return static_cast<int>(core::categoryTable()[static_cast<std::size_t>(row)].units.size()); }

// Every unit's cell in reading order: row by row, left to right.
const std::vector<Cell>& unitCells() {
    static const std::vector<Cell> cells = [] {
        std::vector<Cell> out;
        for (int row = 0; row < core::kCategoryRows; ++row)
            for (int column = 1; column <= rowLength(row); ++column) out.emplace_back(row, column);
        return out;
    }();
    return cells;
}

// Where `at` is in reading order: the position of the first unit cell at or
// after it (the end for a cell past the last unit).
std::size_t positionOf(Cell at) {
    const std::vector<Cell>& cells = unitCells();
    return static_cast<std::size_t>(std::lower_bound(cells.begin(), cells.end(), at) - cells.begin());
}

}  // namespace

UnitsGrid::UnitsGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {
    setTabKeyNavigation(false);
    setHorizontalScrollMode(ScrollPerItem);
}

void UnitsGrid::setUnitColumnWidth(int width) {
    m_unitColumnWidth = width;
    fitColumns();
}

void UnitsGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    fitColumns();
}

void UnitsGrid::fitColumns() {
    const int view = viewport()->width();
    if (m_unitColumnWidth <= 0 || view <= 0) return;
    const int last = columnCount() - 1;
    const int whole = std::clamp(view / m_unitColumnWidth, 1, last);
    const int width = std::max(m_unitColumnWidth, view / whole);
    for (int column = 1; column <= last; ++column) setColumnWidth(column, width);
    // At the right end the grid lines its last column up with the view's edge.
    if (whole * width < view) setColumnWidth(last, width + view - whole * width);
}

QModelIndex UnitsGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const std::vector<Cell>& cells = unitCells();
    const QModelIndex current = currentIndex();
    // A click may have left the cursor on a header or an empty cell.
    const Cell at = current.isValid() ? Cell{current.row(), current.column()} : cells.front();
    const std::size_t position = positionOf(at);
    const bool onUnit = position < cells.size() && cells[position] == at;
    const int rowStep = std::max(1, viewport()->height() / std::max(1, rowHeight(0)) - 1);
    auto inRow = [](int row, int column) { return Cell{row, std::clamp(column, 1, rowLength(row))}; };
    Cell to = at;
    switch (action) {
    case MoveRight:
    case MoveNext: to = cells[(position + (onUnit ? 1 : 0)) % cells.size()]; break;
    case MoveLeft:
    case MovePrevious: to = cells[(position + cells.size() - 1) % cells.size()]; break;
    case MoveDown: to = inRow((at.first + 1) % core::kCategoryRows, at.second); break;
    case MoveUp: to = inRow((at.first + core::kCategoryRows - 1) % core::kCategoryRows, at.second); break;
    case MovePageDown: to = inRow(std::min(at.first + rowStep, core::kCategoryRows - 1), at.second); break;
    case MovePageUp: to = inRow(std::max(at.first - rowStep, 0), at.second); break;
    case MoveHome: to = modifiers & Qt::ControlModifier ? cells.front() : Cell{at.first, 1}; break;
    case MoveEnd: to = modifiers & Qt::ControlModifier ? cells.back() : Cell{at.first, rowLength(at.first)}; break;
    }
    return model()->index(to.first, to.second);
}

// Letters typed within the keyboard input interval of one another make one
// search, which may stay on the highlighted unit while it still matches; a
// new search starts after it.
void UnitsGrid::keyboardSearch(const QString& search) {
    if (search.isEmpty()) return;
    const bool fresh = !m_lastTyped.isValid() || m_lastTyped.elapsed() > QApplication::keyboardInputInterval();
    m_lastTyped.start();
    m_typed = fresh ? search : m_typed + search;

    const std::vector<Cell>& cells = unitCells();
    const QModelIndex current = currentIndex();
    const Cell at = current.isValid() ? Cell{current.row(), current.column()} : cells.back();
    std::size_t start = positionOf(at);
    if (fresh && start < cells.size() && cells[start] == at) ++start;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const auto [row, column] = cells[(start + i) % cells.size()];
        if (item(row, column)->text().startsWith(m_typed, Qt::CaseInsensitive)) {
            setCurrentCell(row, column);
            return;
        }
    }
}

}  // namespace vaskiro::app
