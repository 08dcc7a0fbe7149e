#pragma once

#include <QDialog>

#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "app/window_ports.h"
#include "commission/as_left_record.h"
#include "commission/commission_run.h"
#include "commission/device_steps.h"
#include "core/configuration_image.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace vaskiro::app {

class CommissionRows;

// "Commission from Worklist": the worklist, base file and record are chosen
// (the record beside the worklist unless told), every fault of the worklist
// is listed before anything starts, then the rows are commissioned one
// device after another as devices come and go, without a click between them.
// The run itself is commission::CommissionRun; this dialog only watches the
// devices (enumeration, whenever the window's indicator looks at them again)
// and runs each step on a thread of its own, so the window never waits on a
// device.
//
// No key starts or stops a run by accident: no button is a default, Enter
// acts only on the button that has the focus, and Escape or closing the
// dialog during a run asks first. A stopped run ends once the running step
// is over; the record keeps every finished row, and the next start offers
// to resume after them. When a run ends, the main window returns to the
// settings it held before it.
class CommissionDialog : public QDialog {
    Q_OBJECT
public:
    CommissionDialog(FormSettings& form, WindowDialogs& dialogs, CommissionHost& host);
    ~CommissionDialog() override;

    const commission::CommissionRun* run() const { return m_run.get(); }
    // True when no run is under way, or the user agreed to stop it (asked
    // once; a run already stopping is not asked about again).
    bool mayClose();

public slots:
    void StartButtonClick();
    void SkipRowButtonClick();
    void RetryRowButtonClick();
    void StopButtonClick();
    void PrintSheetButtonClick();
    void SurveyRecordButtonClick();
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void worklistChanged();
    void browse(QLineEdit* edit, const QString& filter);
    QStringList prepare(commission::Worklist& list);
    void watchDevices();
    void startStep();
    void stepDone();
    void showRun();
    void stopAndWait();

    FormSettings& m_form;
    WindowDialogs& m_dialogs;
    CommissionHost& m_host;
    QLineEdit* m_worklistEdit;
    QLineEdit* m_baseEdit;
    QLineEdit* m_recordEdit;
    QCheckBox* m_networkBox;
    QCheckBox* m_resumeBox;
    QPushButton* m_startButton;
    std::vector<QPushButton*> m_browseButtons;
    QListWidget* m_faults;
    QLabel* m_prompt;
    QPlainTextEdit* m_reason;
    CommissionRows* m_rows;
    QPushButton* m_skipButton;
    QPushButton* m_retryButton;
    QPushButton* m_stopButton;
    QPushButton* m_printButton;
    QPushButton* m_surveyButton;

    commission::AsLeftRecord m_record;
    std::unique_ptr<commission::CommissionRun> m_run;
    std::unique_ptr<commission::DeviceSteps> m_steps;
    std::thread m_worker;
    commission::StepResult m_result;  // the worker's, read once it is joined
    // What the main window held when the run began; set while its pages show a row.
    core::ConfigurationImage m_formBefore;
    bool m_formShowsRow = false;
};

}  // namespace vaskiro::app
