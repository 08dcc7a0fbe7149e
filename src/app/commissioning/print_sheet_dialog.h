#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "commission/handover_sheet.h"

class QCheckBox;

namespace vaskiro::app {

// "Print Sheet": the handover sheet of the devices it is given (the current
// configuration, or a finished worklist's devices), printed or saved as PDF
// through Qt's print support. The password is left out unless its box is
// ticked.
class PrintSheetDialog : public QDialog {
    Q_OBJECT
public:
    using Devices = std::function<std::vector<commission::SheetDevice>()>;
    PrintSheetDialog(QWidget* parent, Devices devices);

    std::string html() const;
    // False when the file could not be written.
    bool saveAsPdf(const QString& path) const;

public slots:
    void PrintButtonClick();
    void SavePdfButtonClick();

private:
    Devices m_devices;
    QCheckBox* m_withPassword;
};

}  // namespace vaskiro::app
