#pragma once

#include <QDialog>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "commission/survey_report.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace vaskiro::app {

// "Survey the Record": every device of the record (or a folder of data
// files) checked on the network at once, as `vaskiro survey` does, on a
// thread of its own; a table of the verdicts, the failures first, a
// progress bar and Stop. Closing the dialog stops a survey under way.
class SurveyDialog : public QDialog {
    Q_OBJECT
public:
    SurveyDialog(QWidget* parent, std::filesystem::path record);
    ~SurveyDialog() override;

    bool running() const { return m_worker.joinable(); }
    const std::vector<commission::SurveyRow>& rows() const { return m_rows; }

public slots:
    void SurveyButtonClick();
    void StopButtonClick();

private:
    void finished();

    std::filesystem::path m_record;
    QLabel* m_summary;
    QProgressBar* m_progress;
    QTableWidget* m_table;
    QPushButton* m_surveyButton;
    QPushButton* m_stopButton;
    std::vector<commission::SiteDevice> m_devices;
    std::vector<commission::SurveyRow> m_rows;
    bacnet::SurveyResult m_result;  // the worker's, read once it is joined
    std::atomic<bool> m_stop{false};
    std::thread m_worker;
};

}  // namespace vaskiro::app
