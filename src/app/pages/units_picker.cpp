#include "app/pages/units_picker.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <utility>

#include "app/pages/units_grid.h"
#include "core/engineering_units.h"

namespace vaskiro::app {

namespace {

QString cellText(int row, int column) {
    return QString::fromStdString(std::string(core::categoryCellText(row, column)));
}

QString unitName(std::uint32_t code) { return QString::fromStdString(std::string(core::EngineeringUnitName(code))); }

// The grid cell that shows `code`; the header cell of row 0 for a code the
// catalogue does not know, where no unit is chosen.
std::pair<int, int> cellOf(std::uint32_t code) {
    for (int row = 0; row < core::kCategoryRows; ++row)
        for (int column = 1; column < core::kCategoryColumns; ++column)
            if (core::unitCodeAt(row, column) == code) return {row, column};
    return {0, 0};
}

}  // namespace

TSelectAnalogueUnitsForm::TSelectAnalogueUnitsForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SelectAnalogueUnitsForm"));
    setWindowTitle(QStringLiteral("SelectAnalogueUnitsForm"));
    setModal(false);

    m_grid = new UnitsGrid(core::kCategoryRows, core::kCategoryColumns);
    m_grid->setObjectName(QStringLiteral("SelectAnalogueUnitsAdvStringGrid"));
    m_grid->setAccessibleName(tr("Engineering units"));
    m_grid->setAccessibleDescription(
        tr("one category per row; arrow keys move between units, typing a unit's "
           "name finds it, Enter chooses, Escape cancels"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_grid->horizontalHeader()->hide();
    // Column 0 holds the category headers. It is shown through the vertical
    // header, which stays in place when the grid scrolls sideways; the column
    // itself is hidden so that cell (row, column) keeps the catalogue's numbering.
    m_grid->setColumnHidden(0, true);
    QHeaderView* categories = m_grid->verticalHeader();
    QFont bold = categories->font();
    bold.setBold(true);
    categories->setFont(bold);
    categories->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    categories->setSectionResizeMode(QHeaderView::Fixed);
    categories->setDefaultSectionSize(fontMetrics().height() + fontMetrics().height() / 2);
    connect(categories, &QHeaderView::sectionClicked, this,
            [this](int row) { SelectAnalogueUnitsAdvStringGridClickCell(row, 0); });
    connect(m_grid, &QTableWidget::cellClicked, this,
            &TSelectAnalogueUnitsForm::SelectAnalogueUnitsAdvStringGridClickCell);
    // The keyboard chooses as the mouse does: the highlighted unit is the
    // one shown and the one that OK (or Return) applies.
    connect(m_grid, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { SelectAnalogueUnitsAdvStringGridClickCell(row, column); });
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (!core::unitCodeAt(row, column)) return;
        SelectAnalogueUnitsAdvStringGridClickCell(row, column);
        OKButtonClick();
    });

    m_panel = new QWidget;
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_label = new QLabel(QStringLiteral("Label1"));
    m_label->setObjectName(QStringLiteral("Label1"));
    m_currentSelectionEdit = new QLineEdit;
    m_currentSelectionEdit->setObjectName(QStringLiteral("CurrentSelectionEdit"));
    m_currentSelectionEdit->setAccessibleName(tr("Chosen unit"));
    // Room for the longest unit name, with the edit's own frame and margins
    // (its size hint is 17 'x' wide plus those).
    int longest = 0;
    for (std::uint32_t code = 0; code < core::kUnitCount; ++code)
        longest = std::max(longest, m_currentSelectionEdit->fontMetrics().horizontalAdvance(unitName(code)));
    const int frame = m_currentSelectionEdit->sizeHint().width() -
                      17 * m_currentSelectionEdit->fontMetrics().horizontalAdvance(QLatin1Char('x'));
    m_currentSelectionEdit->setMinimumWidth(longest + frame);
    m_label->setBuddy(m_currentSelectionEdit);
    m_okButton = new QPushButton(tr("OK"));
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);  // Enter chooses, wherever the focus is but on Cancel
    m_cancelButton = new QPushButton(tr("Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(m_okButton, &QPushButton::clicked, this, &TSelectAnalogueUnitsForm::OKButtonClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &TSelectAnalogueUnitsForm::CancelButtonClick);

    const int padding = fontMetrics().height();
    auto* strip = new QHBoxLayout(m_panel);
    strip->setContentsMargins(2 * padding, padding, 2 * padding, padding);
    strip->addWidget(m_label);
    strip->addWidget(m_currentSelectionEdit);
    strip->addStretch(4);
    strip->addWidget(m_okButton);
    strip->addStretch(2);
    strip->addWidget(m_cancelButton);
    strip->addStretch(3);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    form->addWidget(m_grid, 1);
    form->addWidget(m_panel);

    setTabOrder(m_currentSelectionEdit, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    setTabOrder(m_cancelButton, m_grid);

    FormCreate();
    resize(948, 441);
}

// Fills the grid, once for the whole run.
void TSelectAnalogueUnitsForm::FormCreate() {
    QStringList headers;
    for (int row = 0; row < core::kCategoryRows; ++row) {
        headers << cellText(row, 0);
        for (int column = 0; column < core::kCategoryColumns; ++column) {
            auto* item = new QTableWidgetItem(cellText(row, column));
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            m_grid->setItem(row, column, item);
        }
    }
    m_grid->setVerticalHeaderLabels(headers);

    // Every unit column as wide as the longest name, so none is cut.
    m_grid->resizeColumnsToContents();
    int width = 0;
    for (int column = 1; column < core::kCategoryColumns; ++column)
        width = std::max(width, m_grid->columnWidth(column));
    m_grid->setUnitColumnWidth(width);
}

void TSelectAnalogueUnitsForm::setTarget(int channel, std::uint32_t code) {
    m_targetChannel = channel;
    m_selectedUnitCode = code;
    // The cursor starts on the channel's unit, so that arrows move from there
    // and focusing the grid chooses nothing new.
    const auto [row, column] = cellOf(code);
    m_grid->setCurrentCell(row, column);
    RefreshCurrentSelection();
    if (isVisible()) revealCurrentUnit();
}

// The categories stay in view in the grid's row header; the grid scrolls
// sideways from its left end only as far as the current unit needs.
void TSelectAnalogueUnitsForm::revealCurrentUnit() {
    m_grid->horizontalScrollBar()->setValue(0);
    if (QTableWidgetItem* item = m_grid->currentItem()) m_grid->scrollToItem(item);
}

void TSelectAnalogueUnitsForm::SelectAnalogueUnitsAdvStringGridClickCell(int row, int column) {
    // The code comes from the catalogue's table, never from the cell's text.
    if (const auto code = core::unitCodeAt(row, column)) m_selectedUnitCode = *code;
    RefreshCurrentSelection();
}

void TSelectAnalogueUnitsForm::RefreshCurrentSelection() {
    m_currentSelectionEdit->setText(unitName(m_selectedUnitCode));
}

void TSelectAnalogueUnitsForm::OKButtonClick() {
    emit unitApplied(m_targetChannel, m_selectedUnitCode);
    hide();
}

void TSelectAnalogueUnitsForm::CancelButtonClick() { hide(); }

void TSelectAnalogueUnitsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RefreshCurrentSelection();
    m_grid->setFocus();  // the keys start on the channel's unit
    revealCurrentUnit();
}

}  // namespace vaskiro::app
