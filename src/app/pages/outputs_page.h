#pragma once

#include <QWidget>

class QPushButton;

namespace vaskiro::app {
class FormControls;
}

namespace vaskiro::app {

// The "Outputs" page: start-up state, invert flags and names of the sixteen
// binary outputs.
class OutputsPage : public QWidget {
    Q_OBJECT
public:
    explicit OutputsPage(app::FormControls& controls, QWidget* parent = nullptr);

    QPushButton* allActiveButton() const { return m_allActive; }
    QPushButton* noneActiveButton() const { return m_noneActive; }
    QPushButton* invertAllButton() const { return m_invertAll; }
    QPushButton* invertNoneButton() const { return m_invertNone; }

private:
    QPushButton* m_allActive = nullptr;
    QPushButton* m_noneActive = nullptr;
    QPushButton* m_invertAll = nullptr;
    QPushButton* m_invertNone = nullptr;
};

}  // namespace vaskiro::app
