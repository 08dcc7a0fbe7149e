#pragma once

#include <QTableWidget>

namespace vaskiro::commission {
class CommissionRun;
}

namespace vaskiro::app {

// The worklist's rows during a run: tag, name, address, object identifier
// and state, the current row selected. A cell too narrow for its text is
// elided; its tooltip and accessible text hold all of it, so that a long
// failure never widens the dialog.
class CommissionRows : public QTableWidget {
    Q_OBJECT
public:
    CommissionRows();

    // One line per row of the run, states empty until showStates().
    void fill(const commission::CommissionRun& run);
    void showStates(const commission::CommissionRun& run);

private:
    void setCell(int row, int column, const QString& text, const QString& full);
};

}  // namespace vaskiro::app
