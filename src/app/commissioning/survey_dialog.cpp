#include "app/commissioning/survey_dialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/commissioning/plain_button.h"

namespace vaskiro::app {

SurveyDialog::SurveyDialog(QWidget* parent, std::filesystem::path record)
    : QDialog(parent), m_record(std::move(record)) {
    setObjectName(QStringLiteral("SurveyDialog"));
    setWindowTitle(tr("Survey the Record"));
    auto* source = new QLabel(QString::fromStdU16String(m_record.u16string()));
    source->setObjectName(QStringLiteral("SurveyRecordLabel"));
    source->setTextFormat(Qt::PlainText);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("SurveySummary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("SurveyProgress"));
    m_progress->setAccessibleName(tr("Devices surveyed"));
    m_progress->setValue(0);
    m_table = new QTableWidget(0, 5);
    m_table->setObjectName(QStringLiteral("SurveyTable"));
    m_table->setAccessibleName(tr("Each device's verdict, the failures first"));
    m_table->setHorizontalHeaderLabels({tr("Device"), tr("Instance"), tr("Address"), tr("Verdict"), tr("Detail")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setTabKeyNavigation(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_surveyButton = plainButton(tr("&Survey the Record"), "SurveyButton", tr("Survey the record on the network"));
    m_stopButton = plainButton(tr("St&op"), "SurveyStopButton", tr("Stop the survey"));
    m_stopButton->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_surveyButton);
    buttons->addWidget(m_stopButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(source);
    layout->addLayout(buttons);
    layout->addWidget(m_progress);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    resize(760, 480);
    connect(m_surveyButton, &QPushButton::clicked, this, &SurveyDialog::SurveyButtonClick);
    connect(m_stopButton, &QPushButton::clicked, this, &SurveyDialog::StopButtonClick);
}

SurveyDialog::~SurveyDialog() {
    m_stop = true;
    if (m_worker.joinable()) m_worker.join();  // within the survey's time bound
}

void SurveyDialog::SurveyButtonClick() {
    if (running()) return;
    auto devices = commission::readSiteDevices(m_record, nullptr);
    if (!devices) {
        m_summary->setText(QString::fromStdString(devices.error()));
        return;
    }
    m_devices = std::move(*devices);
    m_table->setRowCount(0);
    m_progress->setRange(0, static_cast<int>(m_devices.size()));
    m_progress->setValue(0);
    m_summary->setText(tr("Surveying %1 devices...").arg(m_devices.size()));
    m_surveyButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_stop = false;
    std::vector<core::ConfigurationImage> images;
    for (const commission::SiteDevice& device : m_devices) images.push_back(device.image);
    m_worker = std::thread([this, images = std::move(images)] {
        bacnet::SurveyOptions options;
        options.stop = &m_stop;
        options.progress = [this](std::size_t done, std::size_t) {
            QMetaObject::invokeMethod(m_progress, "setValue", Qt::QueuedConnection, Q_ARG(int, int(done)));
        };
        m_result = bacnet::surveyNetwork(images, options);
        QMetaObject::invokeMethod(
            this, [this] { finished(); }, Qt::QueuedConnection);
    });
}

void SurveyDialog::StopButtonClick() { m_stop = true; }

void SurveyDialog::finished() {
    if (m_worker.joinable()) m_worker.join();
    m_rows = commission::surveyRows(m_devices, m_result);
    std::vector<const commission::SurveyRow*> ordered;
    for (const commission::SurveyRow& row : m_rows) ordered.push_back(&row);
    std::stable_sort(ordered.begin(), ordered.end(), [](auto* a, auto* b) { return a->failed() && !b->failed(); });
    m_table->setRowCount(static_cast<int>(ordered.size()));
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const commission::SurveyRow& row = *ordered[std::size_t(r)];
        const QStringList cells{QString::fromStdString(row.label), QString::number(row.instance),
                                QString::fromStdString(row.address), QString::fromStdString(row.said),
                                QString::fromStdString(row.detail)};
        for (int c = 0; c < cells.size(); ++c) m_table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    m_table->resizeColumnsToContents();
    m_summary->setText(m_result.failure.empty()
                           ? QString::fromStdString(commission::surveySummary(m_rows))
                           : tr("The survey could not be made: %1").arg(QString::fromStdString(m_result.failure)));
    m_progress->setValue(m_progress->maximum());
    m_surveyButton->setEnabled(true);
    m_stopButton->setEnabled(false);
}

}  // namespace vaskiro::app
