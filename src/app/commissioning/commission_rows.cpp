#include "app/commissioning/commission_rows.h"

#include <QHeaderView>

#include <algorithm>

#include "app/shown_text.h"
#include "commission/commission_run.h"

namespace vaskiro::app {

namespace {

using commission::RowState;

constexpr int kStateColumn = 4;

// The state with its reason, in full; the cell shows it on one line.
QString stateText(const commission::RowStatus& status) {
    const QString reason = shownLines(status.reason);
    switch (status.state) {
    case RowState::Waiting: return QObject::tr("waiting");
    case RowState::ConnectNow: return QObject::tr("connect now");
    case RowState::Identifying: return QObject::tr("identifying");
    case RowState::Writing: return QObject::tr("writing");
    case RowState::Verifying: return QObject::tr("verifying");
    case RowState::CheckingNetwork: return QObject::tr("checking on the network");
    case RowState::Done: return QObject::tr("done: %1").arg(shownText(status.serial));
    case RowState::Failed: return QObject::tr("failed: %1").arg(reason);
    case RowState::Skipped: return QObject::tr("skipped");
    case RowState::Refused: return QObject::tr("refused: %1").arg(reason);
    }
    return {};
}

QString addressText(const core::ConfigurationImage& image) {
    if (image.dhcpEnable()) return QObject::tr("DHCP");
    auto octets = image.address(core::AddressField::IPAddress);
    return QStringLiteral("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]);
}

}  // namespace

CommissionRows::CommissionRows() : QTableWidget(0, 5) {
    setObjectName(QStringLiteral("CommissionRows"));
    setAccessibleName(tr("Worklist rows"));
    setHorizontalHeaderLabels({tr("Tag"), tr("Name"), tr("Address"), tr("Object identifier"), tr("State")});
    // The state takes the room the others leave, however often the table is filled.
    horizontalHeader()->setSectionResizeMode(kStateColumn, QHeaderView::Stretch);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void CommissionRows::setCell(int row, int column, const QString& text, const QString& full) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell) setItem(row, column, cell = new QTableWidgetItem);
    cell->setText(text);
    cell->setToolTip(full);
    cell->setData(Qt::AccessibleTextRole, full);
}

void CommissionRows::fill(const commission::CommissionRun& run) {
    clearContents();
    setRowCount(static_cast<int>(run.rows().size()));
    for (int r = 0; r < rowCount(); ++r) {
        const commission::WorklistRow& row = run.rows()[static_cast<std::size_t>(r)];
        const QString cells[] = {shownText(row.tag), shownDeviceText(row.image.text(core::TextField::DeviceName)),
                                 addressText(row.image), QString::number(row.image.objectIdentifier())};
        for (int c = 0; c < kStateColumn; ++c) setCell(r, c, cells[c], cells[c]);
        setCell(r, kStateColumn, {}, {});
    }
    // A tag may be as long as its spreadsheet cell: no column takes more than a name's width.
    const int widest = fontMetrics().averageCharWidth() * 32;
    for (int c = 0; c < kStateColumn; ++c) {
        resizeColumnToContents(c);
        setColumnWidth(c, std::min(columnWidth(c), widest));
    }
}

void CommissionRows::showStates(const commission::CommissionRun& run) {
    for (int r = 0; r < rowCount(); ++r) {
        const QString full = stateText(run.status(r));
        setCell(r, kStateColumn, QString(full).replace(QLatin1Char('\n'), QLatin1Char(' ')), full);
    }
    if (rowCount() > 0) {
        selectRow(run.currentIndex());
        scrollToItem(item(run.currentIndex(), 0));
    }
}

}  // namespace vaskiro::app
