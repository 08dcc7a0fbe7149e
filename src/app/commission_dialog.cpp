#include "app/commission_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "app/print_sheet_dialog.h"
#include "commission/worklist.h"
#include "core/data_file.h"
#include "core/display_text.h"
#include "device/device_presence.h"

namespace vaskiro::app {

namespace {

using commission::Phase;
using commission::RowState;

QString shown(const std::string& text) { return QString::fromStdString(core::escapeControlCharacters(text)); }

QString stateText(const commission::RowStatus& status) {
    switch (status.state) {
    case RowState::Waiting: return QObject::tr("waiting");
    case RowState::ConnectNow:
        return status.reason.empty() ? QObject::tr("connect now")
                                     : QObject::tr("connect now (refused: %1)").arg(shown(status.reason));
    case RowState::Identifying: return QObject::tr("identifying");
    case RowState::Writing: return QObject::tr("writing");
    case RowState::Verifying: return QObject::tr("verifying");
    case RowState::CheckingNetwork: return QObject::tr("checking on the network");
    case RowState::Done: return QObject::tr("done: %1").arg(shown(status.serial));
    case RowState::Failed: return QObject::tr("failed: %1").arg(shown(status.reason));
    case RowState::Skipped: return QObject::tr("skipped");
    }
    return {};
}

QString addressText(const config::ConfigurationImage& image) {
    if (image.dhcpEnable()) return QObject::tr("DHCP");
    auto octets = image.address(config::AddressField::IPAddress);
    return QStringLiteral("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]);
}

QPushButton* button(const QString& text, const char* name, const QString& accessible) {
    auto* b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    return b;
}

QLineEdit* fileEdit(const char* name, const QString& accessible) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessible);
    return edit;
}

}  // namespace

CommissionDialog::CommissionDialog(TMainForm& form) : QDialog(&form), m_form(form) {
    setObjectName(QStringLiteral("CommissionDialog"));
    setWindowTitle(tr("Commission from Worklist"));
    m_worklistEdit = fileEdit("WorklistEdit", tr("Worklist file"));
    m_baseEdit = fileEdit("BaseEdit", tr("Base data file"));
    m_recordEdit = fileEdit("RecordEdit", tr("As-left record file"));
    m_recordEdit->setPlaceholderText(tr("beside the worklist: NAME-as-left.csv"));
    m_networkBox = new QCheckBox(tr("Check each device on the &network"));
    m_networkBox->setObjectName(QStringLiteral("CheckNetworkBox"));
    m_networkBox->setAccessibleName(tr("Check each device on the network"));
    m_resumeBox = new QCheckBox(tr("&Resume: leave the rows the record holds as done"));
    m_resumeBox->setObjectName(QStringLiteral("ResumeBox"));
    m_resumeBox->setAccessibleName(tr("Resume after the rows the record holds as done"));
    m_startButton = button(tr("&Start"), "StartButton", tr("Start commissioning"));
    m_faults = new QListWidget;
    m_faults->setObjectName(QStringLiteral("WorklistFaults"));
    m_faults->setAccessibleName(tr("Faults of the worklist"));
    m_faults->hide();
    m_prompt = new QLabel;
    m_prompt->setObjectName(QStringLiteral("CommissionPrompt"));
    QFont big = m_prompt->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    m_prompt->setFont(big);
    m_rows = new QTableWidget(0, 5);
    m_rows->setObjectName(QStringLiteral("CommissionRows"));
    m_rows->setAccessibleName(tr("Worklist rows"));
    m_rows->setHorizontalHeaderLabels({tr("Tag"), tr("Name"), tr("Address"), tr("Object identifier"), tr("State")});
    m_rows->horizontalHeader()->setStretchLastSection(true);
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_skipButton = button(tr("S&kip Row"), "SkipRowButton", tr("Skip row"));
    m_retryButton = button(tr("Re&try Row"), "RetryRowButton", tr("Retry row"));
    m_stopButton = button(tr("St&op"), "StopButton", tr("Stop commissioning"));
    m_printButton =
        button(tr("&Print Sheet..."), "CommissionPrintButton", tr("Print the sheets of the record's devices"));

    auto* files = new QFormLayout;
    auto addFile = [&](const QString& label, QLineEdit* edit, const char* browseName, const QString& filter) {
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        auto* browseButton = button(tr("Browse..."), browseName, tr("Browse for the %1").arg(edit->accessibleName()));
        connect(browseButton, &QPushButton::clicked, this, [this, edit, filter] { browse(edit, filter); });
        m_browseButtons.push_back(browseButton);
        row->addWidget(browseButton);
        auto* name = new QLabel(label);
        name->setBuddy(edit);
        files->addRow(name, row);
    };
    addFile(tr("&Worklist:"), m_worklistEdit, "WorklistBrowseButton", tr("Worklists (*.csv)"));
    addFile(tr("&Base file:"), m_baseEdit, "BaseBrowseButton", tr("Data files (*.dat)"));
    addFile(tr("Re&cord:"), m_recordEdit, "RecordBrowseButton", tr("Records (*.csv)"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_skipButton, m_retryButton, m_stopButton, m_printButton}) buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addWidget(m_networkBox);
    layout->addWidget(m_resumeBox);
    layout->addWidget(m_startButton);
    layout->addWidget(m_faults);
    layout->addWidget(m_prompt);
    layout->addWidget(m_rows, 1);
    layout->addLayout(buttons);
    resize(720, 480);

    connect(m_worklistEdit, &QLineEdit::textChanged, this, &CommissionDialog::worklistChanged);
    connect(m_recordEdit, &QLineEdit::textChanged, this, &CommissionDialog::worklistChanged);
    connect(m_startButton, &QPushButton::clicked, this, &CommissionDialog::StartButtonClick);
    connect(m_skipButton, &QPushButton::clicked, this, &CommissionDialog::SkipRowButtonClick);
    connect(m_retryButton, &QPushButton::clicked, this, &CommissionDialog::RetryRowButtonClick);
    connect(m_stopButton, &QPushButton::clicked, this, &CommissionDialog::StopButtonClick);
    connect(m_printButton, &QPushButton::clicked, this, &CommissionDialog::PrintSheetButtonClick);
    m_watch.setInterval(std::chrono::milliseconds(100));
    connect(&m_watch, &QTimer::timeout, this, &CommissionDialog::watchDevices);
    showRun();
}

CommissionDialog::~CommissionDialog() { stopAndWait(); }

// The record that the run will append to: the one named, or the default.
void CommissionDialog::worklistChanged() {
    QString record = m_recordEdit->text();
    if (record.isEmpty() && !m_worklistEdit->text().isEmpty())
        record = QString::fromStdString(commission::defaultRecordPath(m_worklistEdit->text().toStdString()).string());
    // A record already there is that of an earlier run: offer to carry on after it.
    bool earlier = !record.isEmpty() && QFileInfo::exists(record);
    m_resumeBox->setEnabled(earlier);
    m_resumeBox->setChecked(earlier);
}

void CommissionDialog::browse(QLineEdit* edit, const QString& filter) {
    QString chosen = QFileDialog::getOpenFileName(this, edit->accessibleName(), edit->text(), filter);
    if (!chosen.isEmpty()) edit->setText(chosen);
}

void CommissionDialog::StartButtonClick() {
    if (m_run && m_run->phase() != Phase::Stopped && m_run->phase() != Phase::Finished) return;
    m_faults->clear();
    const std::filesystem::path worklistPath = m_worklistEdit->text().toStdString();
    QStringList faults;
    config::ConfigurationImage base;
    base.SetDefaults();
    if (m_baseEdit->text().isEmpty())
        faults << tr("Choose the base data file that each row starts from.");
    else if (auto loaded = config::readDataFile(m_baseEdit->text().toStdString(), base);
             loaded.outcome != config::LoadOutcome::Loaded)
        faults << tr("%1: cannot be used as the base (%2).").arg(m_baseEdit->text(), shown(loaded.error));
    QFile file(m_worklistEdit->text());
    commission::Worklist list;
    if (!file.open(QIODevice::ReadOnly)) {
        faults << tr("Cannot read the worklist %1: choose a CSV file.").arg(m_worklistEdit->text());
    } else if (faults.isEmpty()) {
        auto read = commission::readWorklist(file.readAll().toStdString(), base);
        if (read)
            list = std::move(*read);
        else
            for (const std::string& fault : read.error())
                faults << m_worklistEdit->text() + QStringLiteral(": ") + shown(fault) + QLatin1Char('.');
    }
    std::filesystem::path recordPath = m_recordEdit->text().isEmpty()
                                           ? commission::defaultRecordPath(worklistPath)
                                           : std::filesystem::path(m_recordEdit->text().toStdString());
    m_record = {};
    if (std::string error; faults.isEmpty() && !m_record.open(recordPath, error))
        faults << shown(error) + QLatin1Char('.');
    if (!faults.isEmpty()) {
        m_faults->addItems(faults);
        m_faults->show();
        return;
    }
    if (!m_form.releaseDevice()) {
        m_faults->addItem(tr("A Read or Write is under way: start once it has ended."));
        m_faults->show();
        return;
    }
    m_faults->hide();
    m_steps = std::make_unique<commission::DeviceSteps>(*m_form.deviceBackend(), m_form.devicePath());
    m_run = std::make_unique<commission::CommissionRun>(
        std::move(list), m_record,
        commission::RunOptions{m_networkBox->isChecked(), 1, false, m_resumeBox->isChecked()},
        [](commission::CommissionRun::Channel, const std::string&) {});
    m_rows->setRowCount(static_cast<int>(m_run->rows().size()));
    for (int r = 0; r < m_rows->rowCount(); ++r) {
        const commission::WorklistRow& row = m_run->rows()[static_cast<std::size_t>(r)];
        const QString cells[] = {shown(row.tag),
                                 shown(row.image.text(config::TextField::DeviceName)),
                                 addressText(row.image),
                                 QString::number(row.image.objectIdentifier()),
                                 {}};
        for (int c = 0; c < 5; ++c) m_rows->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    m_rows->resizeColumnsToContents();
    m_run->start();
    m_watch.start();
    showRun();
    watchDevices();
}

void CommissionDialog::SkipRowButtonClick() {
    if (!m_run) return;
    m_run->skipRow();
    showRun();
    watchDevices();
}

void CommissionDialog::RetryRowButtonClick() {
    if (!m_run) return;
    m_run->retryRow();
    showRun();
    watchDevices();
}

// The sheets of every device in the record, as it is when printed.
void CommissionDialog::PrintSheetButtonClick() {
    if (!m_run) return;
    const QString path = QString::fromStdString(m_record.path().string());
    auto* dialog = new PrintSheetDialog(this, [path] {
        std::vector<commission::SheetDevice> devices;
        QFile file(path);
        std::string error;
        if (file.open(QIODevice::ReadOnly))
            commission::devicesOfRecord(file.readAll().toStdString(), 0, devices, error);
        return devices;
    });
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void CommissionDialog::StopButtonClick() {
    if (!m_run) return;
    m_run->stopRequested();
    showRun();
}

// What the devices attached now mean for the run; a step that is to run next
// is started from here too.
void CommissionDialog::watchDevices() {
    if (!m_run || m_worker.joinable()) return;
    if (m_run->phase() == Phase::AwaitingDevice || m_run->phase() == Phase::AwaitingRemoval) {
        auto presence = device::assessPresence(m_form.deviceBackend()->enumerate());
        bool none = presence.state == device::PresenceState::None;
        if (m_run->phase() == Phase::AwaitingDevice && !none)
            m_run->deviceCame(presence.state == device::PresenceState::Several);
        else if (m_run->phase() == Phase::AwaitingRemoval && none)
            m_run->deviceWent();
        showRun();
    }
    if (m_run->phase() == Phase::RunningStep) startStep();
}

void CommissionDialog::startStep() {
    const commission::Step step = m_run->step();
    const config::ConfigurationImage image = m_run->currentRow().image;
    if (step == commission::Step::Write) {
        // The main form shows what is being written.
        m_form.image() = image;
        m_form.PopulateForm();
    }
    m_worker = std::thread([this, step, image] {
        m_result = m_steps->run(step, image);
        QMetaObject::invokeMethod(this, &CommissionDialog::stepDone, Qt::QueuedConnection);
    });
}

void CommissionDialog::stepDone() {
    if (!m_worker.joinable()) return;  // taken by stopAndWait()
    m_worker.join();
    m_run->stepFinished(m_result);
    showRun();
    watchDevices();
}

void CommissionDialog::showRun() {
    bool running = m_run && m_run->phase() != Phase::Stopped && m_run->phase() != Phase::Finished;
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_worklistEdit, m_baseEdit, m_recordEdit, m_networkBox, m_startButton})
        w->setEnabled(!running);
    for (QPushButton* b : m_browseButtons) b->setEnabled(!running);
    if (!running) worklistChanged();
    m_resumeBox->setEnabled(!running && m_resumeBox->isEnabled());
    m_stopButton->setEnabled(running);
    m_printButton->setEnabled(m_run != nullptr);
    m_skipButton->setEnabled(running &&
                             (m_run->phase() == Phase::RowFailed || m_run->phase() == Phase::AwaitingDevice));
    m_retryButton->setEnabled(running && m_run->phase() == Phase::RowFailed);
    if (!m_run) {
        m_prompt->setText(tr("Choose the worklist and the base file, then Start."));
        return;
    }
    if (!running) m_watch.stop();
    m_prompt->setText(shown(m_run->prompt()));
    for (int r = 0; r < m_rows->rowCount(); ++r)
        if (QTableWidgetItem* item = m_rows->item(r, 4)) item->setText(stateText(m_run->status(r)));
    if (m_rows->rowCount() > 0) {
        m_rows->selectRow(m_run->currentIndex());
        m_rows->scrollToItem(m_rows->item(m_run->currentIndex(), 0));
    }
}

// As Ctrl-C stops the tool: the row under way goes on until its device is
// known (nothing written yet) or its line is in the record.
void CommissionDialog::stopAndWait() {
    if (!m_run) return;
    m_watch.stop();
    m_run->stopRequested();
    while (m_run->phase() == Phase::RunningStep) {
        if (m_worker.joinable())
            m_worker.join();
        else
            m_result = m_steps->run(m_run->step(), m_run->currentRow().image);
        m_run->stepFinished(m_result);
    }
}

void CommissionDialog::closeEvent(QCloseEvent* event) {
    StopButtonClick();
    QDialog::closeEvent(event);
}

void CommissionDialog::reject() {
    StopButtonClick();
    QDialog::reject();
}

}  // namespace vaskiro::app
