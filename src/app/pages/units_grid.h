#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTableWidget>

namespace vaskiro::app {

// The catalogue grid of the units picker at the keyboard. The arrows move
// from unit to unit, never onto an empty cell: Left and Right in reading
// order, on into the next row and round from the last unit to the first; Up
// and Down to the row above or below, onto its last unit where it is shorter;
// Home and End to a row's first and last unit (with Ctrl, the catalogue's).
// Typing jumps, as in a file manager, to the next unit whose name starts with
// the letters typed in quick succession ("kil" reaches Kilograms, and "kil"
// again the next such unit). Tab leaves the grid.
class UnitsGrid : public QTableWidget {
    Q_OBJECT
public:
    UnitsGrid(int rows, int columns, QWidget* parent = nullptr);

    // Unit columns at least `width` wide, widened so that whole columns fill
    // the view: scrolling sideways by whole columns then never shows part of
    // one, not even at the right end.
    void setUnitColumnWidth(int width);

    void keyboardSearch(const QString& search) override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitColumns();

    int m_unitColumnWidth = 0;
    QString m_typed;
    QElapsedTimer m_lastTyped;
};

}  // namespace vaskiro::app
