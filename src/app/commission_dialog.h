#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>
#include <thread>
#include <vector>

#include "commission/as_left_record.h"
#include "commission/commission_run.h"
#include "commission/device_steps.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace vaskiro::app {

class TMainForm;

// "Commission from Worklist": the worklist, base file and record are chosen
// (the record beside the worklist unless told), every fault of the worklist
// is listed before anything starts, then the rows are commissioned one
// device after another as devices come and go, without a click between them.
// The run itself is commission::CommissionRun; this dialog only watches the
// devices (enumeration, as the status bar's indicator does) and runs each
// step on a thread of its own, so the window never waits on a device.
// Closing the dialog stops the run once the running step is over; the record
// keeps every finished row, and the next start offers to resume after them.
class CommissionDialog : public QDialog {
    Q_OBJECT
public:
    explicit CommissionDialog(TMainForm& form);
    ~CommissionDialog() override;

    const commission::CommissionRun* run() const { return m_run.get(); }

public slots:
    void StartButtonClick();
    void SkipRowButtonClick();
    void RetryRowButtonClick();
    void StopButtonClick();
    void PrintSheetButtonClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void worklistChanged();
    void browse(QLineEdit* edit, const QString& filter);
    void watchDevices();
    void startStep();
    void stepDone();
    void showRun();
    void stopAndWait();

    TMainForm& m_form;
    QLineEdit* m_worklistEdit;
    QLineEdit* m_baseEdit;
    QLineEdit* m_recordEdit;
    QCheckBox* m_networkBox;
    QCheckBox* m_resumeBox;
    QPushButton* m_startButton;
    std::vector<QPushButton*> m_browseButtons;
    QListWidget* m_faults;
    QLabel* m_prompt;
    QTableWidget* m_rows;
    QPushButton* m_skipButton;
    QPushButton* m_retryButton;
    QPushButton* m_stopButton;
    QPushButton* m_printButton;

    commission::AsLeftRecord m_record;
    std::unique_ptr<commission::CommissionRun> m_run;
    std::unique_ptr<commission::DeviceSteps> m_steps;
    std::thread m_worker;
    commission::StepResult m_result;  // the worker's, read once it is joined
    QTimer m_watch;
};

}  // namespace vaskiro::app
