#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vaskiro::app {

class UnitsGrid;

// The units picker: the whole catalogue as a grid of categories, one per row.
// Not modal; OK and Cancel only hide it, so one instance serves the whole run.
class TSelectAnalogueUnitsForm : public QDialog {
    Q_OBJECT
public:
    explicit TSelectAnalogueUnitsForm(QWidget* parent = nullptr);

    int TargetChannel() const { return m_targetChannel; }  // 0 to 7
    std::uint32_t SelectedUnitCode() const { return m_selectedUnitCode; }

    // Points the picker at analogue channel `channel` (0 to 7), whose unit is
    // `code`. Also re-targets an open picker and shows the new unit at once.
    void setTarget(int channel, std::uint32_t code);

signals:
    // OK was pressed: the channel's unit is to become `code`.
    void unitApplied(int channel, std::uint32_t code);

public slots:
    // Row 0 to 26, column 0 to 12 of the catalogue; column 0 is the category
    // header. Only a cell that holds a unit changes the selection.
    void SelectAnalogueUnitsAdvStringGridClickCell(int row, int column);
    void RefreshCurrentSelection();
    void OKButtonClick();
    void CancelButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void revealCurrentUnit();

    QWidget* m_panel;
    QLineEdit* m_currentSelectionEdit;
    QLabel* m_label;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
    UnitsGrid* m_grid;
    int m_targetChannel = 0;
    std::uint32_t m_selectedUnitCode = 0;
};

}  // namespace vaskiro::app
