#pragma once

#include <QWidget>

class QPushButton;

namespace vaskiro::app {
class FormControls;
}

namespace vaskiro::app {

// The "Inputs" page: invert flags and names of the sixteen binary inputs.
class InputsPage : public QWidget {
    Q_OBJECT
public:
    explicit InputsPage(app::FormControls& controls, QWidget* parent = nullptr);

    QPushButton* invertAllButton() const { return m_invertAll; }
    QPushButton* invertNoneButton() const { return m_invertNone; }

private:
    QPushButton* m_invertAll = nullptr;
    QPushButton* m_invertNone = nullptr;
};

}  // namespace vaskiro::app
