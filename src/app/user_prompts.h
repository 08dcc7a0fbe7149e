#pragma once

#include <QString>

class QWidget;

namespace vaskiro::app {

// Every message box and file dialog of the main window goes through here, so
// that tests can answer them without a person and without blocking.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // Modal boxes with a single OK button.
    virtual void showError(QWidget* parent, const QString& text) = 0;
    virtual void showInformation(QWidget* parent, const QString& text) = 0;

    // The chosen file's full path, or an empty string when the user cancelled.
    // The save dialog adds ".dat" to a name typed without an extension and
    // replaces an existing file without asking.
    virtual QString askSaveFileName(QWidget* parent) = 0;
    virtual QString askOpenFileName(QWidget* parent) = 0;
    // A CSV file to save ("csv" added to a name without an extension), or empty.
    virtual QString askSaveCsvFileName(QWidget* parent) = 0;
    // Yes or No; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;
};

// The real thing: QMessageBox and QFileDialog.
class DialogPrompts : public UserPrompts {
public:
    void showError(QWidget* parent, const QString& text) override;
    void showInformation(QWidget* parent, const QString& text) override;
    QString askSaveFileName(QWidget* parent) override;
    QString askOpenFileName(QWidget* parent) override;
    QString askSaveCsvFileName(QWidget* parent) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
};

}  // namespace vaskiro::app
