#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace vaskiro::app {
class FormControls;
}

namespace vaskiro::app {

// The "General" page: network and device object settings, and the log pane.
class GeneralPage : public QWidget {
    Q_OBJECT
public:
    // Puts the page's bound controls into `controls`.
    explicit GeneralPage(app::FormControls& controls, QWidget* parent = nullptr);

    QPlainTextEdit* logMemo() const { return m_logMemo; }

private:
    QPlainTextEdit* m_logMemo;
};

}  // namespace vaskiro::app
