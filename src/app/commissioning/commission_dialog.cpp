#include "app/commissioning/commission_dialog.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include "app/commissioning/commission_rows.h"
#include "app/commissioning/plain_button.h"
#include "app/commissioning/print_sheet_dialog.h"
#include "app/commissioning/survey_dialog.h"
#include "app/shown_text.h"
#include "commission/worklist.h"
#include "core/data_file.h"
#include "device/device_presence.h"

namespace vaskiro::app {

namespace {

using commission::Phase;

std::filesystem::path pathOf(const QString& text) { return std::filesystem::path(text.toStdU16String()); }

QString textOf(const std::filesystem::path& path) { return QString::fromStdU16String(path.u16string()); }

QLineEdit* fileEdit(const char* name, const QString& accessible) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessible);
    return edit;
}

}  // namespace

CommissionDialog::CommissionDialog(FormSettings& form, WindowDialogs& dialogs, CommissionHost& host)
    : QDialog(&dialogs.dialogParent()), m_form(form), m_dialogs(dialogs), m_host(host) {
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
    m_startButton = plainButton(tr("&Start"), "StartButton", tr("Start commissioning"));
    m_faults = new QListWidget;
    m_faults->setObjectName(QStringLiteral("WorklistFaults"));
    m_faults->setAccessibleName(tr("Faults of the worklist"));
    m_faults->setWordWrap(true);
    m_faults->hide();
    // The prompt is one short line; it wraps rather than widening the dialog.
    m_prompt = new QLabel;
    m_prompt->setObjectName(QStringLiteral("CommissionPrompt"));
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setWordWrap(true);
    m_prompt->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont big = m_prompt->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    m_prompt->setFont(big);
    // Why the current row failed or its device was refused, however long: it
    // wraps anywhere (a path has no spaces) and scrolls.
    m_reason = new QPlainTextEdit;
    m_reason->setObjectName(QStringLiteral("CommissionReason"));
    m_reason->setAccessibleName(tr("Why the current row failed or its device was refused"));
    m_reason->setReadOnly(true);
    m_reason->setTabChangesFocus(true);
    m_reason->setMaximumHeight(m_reason->fontMetrics().lineSpacing() * 5);
    m_reason->hide();
    m_rows = new CommissionRows;
    m_skipButton = plainButton(tr("S&kip Row"), "SkipRowButton", tr("Skip row"));
    m_retryButton = plainButton(tr("Re&try Row"), "RetryRowButton", tr("Retry row"));
    m_stopButton = plainButton(tr("St&op"), "StopButton", tr("Stop commissioning"));
    m_printButton =
        plainButton(tr("&Print Sheet..."), "CommissionPrintButton", tr("Print the sheets of the record's devices"));
    m_surveyButton = plainButton(tr("Sur&vey the Record..."), "SurveyRecordButton",
                                 tr("Survey the record: check every device on the network at once"));

    auto* files = new QFormLayout;
    auto addFile = [&](const QString& label, QLineEdit* edit, const char* browseName, const QString& filter) {
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        auto* browseButton =
            plainButton(tr("Browse..."), browseName, tr("Browse for the %1").arg(edit->accessibleName()));
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
    for (QPushButton* b : {m_skipButton, m_retryButton, m_stopButton, m_printButton, m_surveyButton})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addWidget(m_networkBox);
    layout->addWidget(m_resumeBox);
    layout->addWidget(m_startButton);
    layout->addWidget(m_faults);
    layout->addWidget(m_prompt);
    layout->addWidget(m_reason);
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
    connect(m_surveyButton, &QPushButton::clicked, this, &CommissionDialog::SurveyRecordButtonClick);
    host.onDevicesChanged(this, [this] { watchDevices(); });
    showRun();
}

CommissionDialog::~CommissionDialog() { stopAndWait(); }

// Never larger than the screen it opens on, whatever it is to show.
void CommissionDialog::showEvent(QShowEvent* event) {
    if (QScreen* shownOn = screen()) {
        const QRect available = shownOn->availableGeometry();
        const QSize frame = frameGeometry().size() - size();
        setMaximumSize((available.size() - frame).expandedTo({1, 1}));
        move(
            std::clamp(x(), available.left(), std::max(available.left(), available.right() - frameGeometry().width())),
            std::clamp(y(), available.top(), std::max(available.top(), available.bottom() - frameGeometry().height())));
    }
    QDialog::showEvent(event);
}

void CommissionDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled())
            focused->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);  // Escape: reject(), which asks during a run
}

bool CommissionDialog::mayClose() {
    if (!m_run || !m_run->running() || m_run->stopAsked()) return true;
    QWidget* asking = isVisible() ? static_cast<QWidget*>(this) : &m_dialogs.dialogParent();
    if (!m_dialogs.prompts().askYesNo(asking, tr("Commissioning is under way: %1.\nStop it? A device being written is "
                                                 "finished and recorded first; Resume carries on after it.")
                                                  .arg(shownText(m_run->prompt()))))
        return false;
    StopButtonClick();
    return true;
}

// Escape, the close button and Alt+F4 all come here.
void CommissionDialog::reject() {
    if (mayClose()) QDialog::reject();
}

// The record that the run will append to: the one named, or the default.
void CommissionDialog::worklistChanged() {
    QString record = m_recordEdit->text();
    if (record.isEmpty() && !m_worklistEdit->text().isEmpty())
        record = textOf(commission::defaultRecordPath(pathOf(m_worklistEdit->text())));
    // A record already there is that of an earlier run: offer to carry on after it.
    bool earlier = !record.isEmpty() && QFileInfo::exists(record);
    m_resumeBox->setEnabled(earlier);
    m_resumeBox->setChecked(earlier);
}

void CommissionDialog::browse(QLineEdit* edit, const QString& filter) {
    QString chosen = QFileDialog::getOpenFileName(this, edit->accessibleName(), edit->text(), filter);
    if (!chosen.isEmpty()) edit->setText(chosen);
}

// Reads the base, the worklist and the record, and keeps what the main
// window holds; every fault found, or none.
QStringList CommissionDialog::prepare(commission::Worklist& list) {
    QStringList faults;
    const QString worklistName = shownText(m_worklistEdit->text().toStdString());
    if (const auto collected = m_form.CollectForm(); !collected)
        faults << tr("The window's Object Identifier Number: %1. Put it right first: the window returns to its "
                     "settings after the run.")
                      .arg(shownText(collected.error()));
    core::ConfigurationImage base;
    base.SetDefaults();
    if (m_baseEdit->text().isEmpty())
        faults << tr("Choose the base data file that each row starts from.");
    else if (auto loaded = core::readDataFile(pathOf(m_baseEdit->text()), base);
             loaded.outcome != core::LoadOutcome::Loaded)
        faults << tr("%1: cannot be used as the base (%2).")
                      .arg(shownText(m_baseEdit->text().toStdString()), shownText(loaded.error));
    QFile file(m_worklistEdit->text());
    if (!file.open(QIODevice::ReadOnly)) {
        faults << tr("Cannot read the worklist %1: choose a CSV file.").arg(worklistName);
    } else if (faults.isEmpty()) {
        auto read = commission::readWorklist(file.readAll().toStdString(), base);
        if (read)
            list = std::move(*read);
        else
            for (const std::string& fault : read.error())
                faults << worklistName + QStringLiteral(": ") + shownText(fault) + QLatin1Char('.');
    }
    const std::filesystem::path recordPath = m_recordEdit->text().isEmpty()
                                                 ? commission::defaultRecordPath(pathOf(m_worklistEdit->text()))
                                                 : pathOf(m_recordEdit->text());
    m_record = {};
    if (auto opened = faults.isEmpty() ? m_record.open(recordPath) : core::Result<void>{}; !opened)
        faults << shownText(opened.error()) + QLatin1Char('.');
    if (faults.isEmpty() && !m_host.releaseDevice())
        faults << tr("A Read or Write is under way: start once it has ended.");
    return faults;
}

void CommissionDialog::StartButtonClick() {
    if (m_run && m_run->running()) return;
    m_faults->clear();
    commission::Worklist list;
    if (QStringList faults = prepare(list); !faults.isEmpty()) {
        m_faults->addItems(faults);
        m_faults->show();
        return;
    }
    m_faults->hide();
    m_formBefore = m_form.image();
    m_steps =
        std::make_unique<commission::DeviceSteps>(*m_host.deviceBackend(), m_host.devicePath(), m_host.replyTimeout());
    m_run = std::make_unique<commission::CommissionRun>(
        std::move(list), m_record,
        commission::RunOptions{m_networkBox->isChecked(), 1, false, m_resumeBox->isChecked()},
        [](commission::CommissionRun::Channel, const std::string&) {});
    m_rows->fill(*m_run);
    m_run->start();
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
    const QString path = textOf(m_record.path());
    auto* dialog = new PrintSheetDialog(this, [path] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return std::vector<commission::SheetDevice>{};
        auto devices = commission::devicesOfRecord(file.readAll().toStdString(), 0);
        return devices ? std::move(*devices) : std::vector<commission::SheetDevice>{};
    });
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

// The record named, or the one beside the worklist.
void CommissionDialog::SurveyRecordButtonClick() {
    QString record = m_recordEdit->text();
    if (record.isEmpty() && !m_worklistEdit->text().isEmpty())
        record = textOf(commission::defaultRecordPath(pathOf(m_worklistEdit->text())));
    auto* dialog = new SurveyDialog(this, pathOf(record));
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
        auto presence = device::assessPresence(m_host.deviceBackend()->enumerate());
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
    const core::ConfigurationImage image = m_run->currentRow().image;
    if (step == commission::Step::Write) {
        // The main form shows what is being written, until the run ends.
        m_formShowsRow = true;
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
    const bool running = m_run && m_run->running();
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
    if (!running && std::exchange(m_formShowsRow, false)) m_host.returnAfterCommissioning(m_formBefore);
    m_prompt->setText(shownText(m_run->prompt()));
    const QString reason = shownLines(m_run->status(m_run->currentIndex()).reason);
    if (reason != m_reason->toPlainText()) m_reason->setPlainText(reason);
    m_reason->setVisible(!reason.isEmpty());
    m_rows->showStates(*m_run);
}

// As Ctrl-C stops the tool: the row under way goes on until its device is
// known (nothing written yet) or its line is in the record.
void CommissionDialog::stopAndWait() {
    if (!m_run) return;
    m_run->stopRequested();
    while (m_run->phase() == Phase::RunningStep) {
        if (m_worker.joinable())
            m_worker.join();
        else
            m_result = m_steps->run(m_run->step(), m_run->currentRow().image);
        m_run->stepFinished(m_result);
    }
}

}  // namespace vaskiro::app
