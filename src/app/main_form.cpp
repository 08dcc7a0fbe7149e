#include "app/main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <span>
#include <stdexcept>

#include "app/pages/analogues_page.h"
#include "app/devices/device_presence_indicator.h"
#include "app/pages/general_page.h"
#include "app/pages/inputs_page.h"
#include "app/checkout/network_check_action.h"
#include "app/pages/outputs_page.h"
#include "app/checkout/point_checkout_action.h"
#include "app/window_exchange_port.h"
#include "app/window_keys.h"
#include "app/shown_text.h"
#include "core/version.h"
#include "core/data_file.h"
#include "core/display_text.h"
#include "link/device_link.h"
#include "app/pages/units_picker.h"
#include "core/reply_timeout.h"

namespace vaskiro::app {

namespace {

void setAll(std::span<QCheckBox* const> boxes, bool checked) {
    for (QCheckBox* box : boxes) box->setChecked(checked);
}

std::filesystem::path toPath(const QString& fileName) { return std::filesystem::path(fileName.toStdU16String()); }

}  // namespace

void useDesignFont() {
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        QApplication::setFont(QFont(QStringLiteral("Tahoma"), 8));
}

TMainForm::TMainForm(std::unique_ptr<device::HidBackend> devices, QWidget* parent, const QString& helpDirectory)
    : QWidget(parent), m_prompts(std::make_unique<DialogPrompts>()), m_help(helpDirectory) {
    setObjectName(QStringLiteral("MainForm"));

    m_pageControl = new QTabWidget;
    m_pageControl->setObjectName(QStringLiteral("PageControl1"));
    m_generalPage = new GeneralPage(m_controls);
    m_inputsPage = new InputsPage(m_controls);
    m_outputsPage = new OutputsPage(m_controls);
    m_analoguesPage = new AnaloguesPage(m_controls);
    m_pageControl->addTab(m_generalPage, tr("&General"));
    m_pageControl->addTab(m_inputsPage, tr("&Inputs"));
    m_pageControl->addTab(m_outputsPage, tr("&Outputs"));
    m_pageControl->addTab(m_analoguesPage, tr("&Analogues"));
    addPageKeys(*m_pageControl, *this);
    m_logMemo = m_generalPage->logMemo();

    auto* window = new QVBoxLayout(this);
    window->addWidget(m_pageControl, 1);
    window->addWidget(makeCommandPanel());
    auto* statusBar = new QStatusBar;
    statusBar->setObjectName(QStringLiteral("StatusBar"));
    statusBar->setSizeGripEnabled(false);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ExchangeProgressBar"));
    m_progress->setFormat(tr("Step %v of %m"));
    m_progress->hide();
    m_presence = new DevicePresenceIndicator;
    statusBar->addPermanentWidget(m_presence);
    statusBar->addPermanentWidget(m_progress, 1);
    new NetworkCheckAction(*this, *this, *this, *statusBar);
    new PointCheckoutAction(*this, *this, *statusBar);
    addCommissionButton(*statusBar);
    window->addWidget(statusBar);

    m_link = std::make_unique<link::DeviceLink>(std::move(devices));
    m_presence->setBackend(m_link->backend());
    m_port.reset(new WindowExchangePort(*m_link, *this, *this, *this, *this));
    m_exchange = std::make_unique<device::DeviceExchange>(m_image, *m_port);
    connect(m_link.get(), &link::DeviceLink::report, this, &TMainForm::ProcessDeviceReport);
    connect(m_link.get(), &link::DeviceLink::disconnected, this, &TMainForm::deviceLost);
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setInterval(core::kReplyTimeout);
    connect(&m_replyTimer, &QTimer::timeout, this, [this] {
        m_exchange->abandon(device::AbandonReason::NoReply);
        updateExchangeProgress();
    });
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setInterval(device::kQuietAfterNoReply);
    connect(&m_quietTimer, &QTimer::timeout, this, [this] {
        m_exchange->linkQuiet();
        m_replyTimer.stop();
        updateExchangeProgress();
    });

    connect(m_inputsPage->invertAllButton(), &QPushButton::clicked, this, &TMainForm::InvertInputsCheckAllButtonClick);
    connect(m_inputsPage->invertNoneButton(), &QPushButton::clicked, this,
            &TMainForm::InvertInputsCheckNoneButtonClick);
    connect(m_outputsPage->invertAllButton(), &QPushButton::clicked, this,
            &TMainForm::InvertOutputsCheckAllButtonClick);
    connect(m_outputsPage->invertNoneButton(), &QPushButton::clicked, this,
            &TMainForm::InvertOutputsCheckNoneButtonClick);
    connect(m_outputsPage->allActiveButton(), &QPushButton::clicked, this,
            &TMainForm::OutputStartStatusCheckAllButtonClick);
    connect(m_outputsPage->noneActiveButton(), &QPushButton::clicked, this,
            &TMainForm::OutputStartStatusCheckNoneButtonClick);
    for (int channel = 1; channel <= core::kAnalogueCount; ++channel)
        connect(m_analoguesPage->selectUnitsButton(channel), &QPushButton::clicked, this,
                [this, channel] { SelectAnalogueUnitsButtonClick(channel); });

    resize(1017, 572);
    FormCreate();

    m_unitsPicker = new app::TSelectAnalogueUnitsForm(this);
    connect(m_unitsPicker, &app::TSelectAnalogueUnitsForm::unitApplied, this, &TMainForm::ApplyAnalogueUnit);
}

TMainForm::~TMainForm() {
    endCommissioning();
    m_link->close();
}

QWidget* TMainForm::makeCommandPanel() {
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* grid = new QGridLayout(panel);
    const int padding = fontMetrics().height();
    grid->setContentsMargins(padding, padding / 2, padding, padding / 2);

    struct Command {
        QPushButton*& button;
        const char* name;
        QString caption;
        void (TMainForm::*handler)();
    };
    // Three columns of two, filled column by column. The mnemonics stay clear
    // of the pages' Alt+G, Alt+I, Alt+O and Alt+A.
    const std::array<Command, 6> commands = {{
        {m_loadButton, "LoadButton", tr("&Load File"), &TMainForm::LoadButtonClick},
        {m_saveButton, "SaveButton", tr("&Save File"), &TMainForm::SaveButtonClick},
        {m_writeButton, "WriteButton", tr("&Write To VASKIRO"), &TMainForm::WriteButtonClick},
        {m_readButton, "ReadButton", tr("&Read From VASKIRO"), &TMainForm::ReadButtonClick},
        {m_helpButton, "HelpButton", tr("&Help"), &TMainForm::HelpButtonClick},
        {m_exitButton, "ExitButton", tr("E&xit"), &TMainForm::ExitButtonClick},
    }};
    int width = 0;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const Command& command = commands[i];
        command.button = new QPushButton(command.caption);
        command.button->setObjectName(QLatin1String(command.name));
        connect(command.button, &QPushButton::clicked, this, command.handler);
        const int column = 2 * static_cast<int>(i / 2) + 1;  // stretches sit between the columns
        grid->addWidget(command.button, static_cast<int>(i % 2), column);
        width = std::max(width, command.button->sizeHint().width());
    }
    for (const Command& command : commands) {
        command.button->setMinimumWidth(width + 2 * padding);
        command.button->setMinimumHeight(command.button->sizeHint().height() + padding / 2);
    }
    for (int column = 0; column <= 6; column += 2) grid->setColumnStretch(column, 1);

    // Help comes and goes without the other buttons moving.
    QSizePolicy policy = m_helpButton->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_helpButton->setSizePolicy(policy);
    return panel;
}

void TMainForm::FormCreate() {
    m_pageControl->setCurrentWidget(m_generalPage);
    setWindowTitle(QStringLiteral("VASKIRO BACnet") + QStringLiteral(" Interface Version ") +
                   shownText(core::kTitleVersion));
    m_image.SetDefaults();
    PopulateForm();
    SetUpHelp();
}

// The Help button is offered only when the help file is there and a viewer
// can show it; F1 opens the same help.
void TMainForm::SetUpHelp() {
    const bool available = m_help.SetUpHelp();
    m_helpButton->setVisible(available);
    if (available) {
        auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
        connect(f1, &QShortcut::activated, this, &TMainForm::HelpButtonClick);
    }
}

void TMainForm::setPrompts(std::unique_ptr<UserPrompts> prompts) {
    m_prompts = prompts ? std::move(prompts) : std::make_unique<DialogPrompts>();
}

void TMainForm::appendLog(const QString& line) { m_logMemo->appendPlainText(line); }

void TMainForm::PopulateForm() { app::populateForm(m_image, m_controls); }

core::Result<void> TMainForm::CollectForm() { return app::collectForm(m_controls, m_image); }

bool TMainForm::collectFormOrSay() {
    const auto collected = CollectForm();
    if (!collected)
        m_prompts->showError(this, QString::fromStdString(core::escapeControlCharacters(collected.error())));
    return collected.has_value();
}

bool TMainForm::ValidateAddresses() {
    return app::validateAddresses(m_controls, [this](const QString& line) { appendLog(line); });
}

void TMainForm::ApplyAnalogueUnit(int channel, std::uint32_t code) {
    m_image.setAnalogueUnitCode(channel + 1, code);
    app::showUnitName(m_controls.one<QLineEdit>("analogue-unit." + std::to_string(channel + 1)), code);
}

bool TMainForm::runHandler(const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const std::exception& error) {
        m_prompts->showError(this, QString::fromStdString(error.what()));
    } catch (...) {
        m_prompts->showError(this, QString());
    }
    return false;
}

void TMainForm::SaveButtonClick() {
    runHandler([this] {
        if (!collectFormOrSay()) return;
        const QString fileName = m_prompts->askSaveFileName(this);
        if (fileName.isEmpty()) return;
        const QString shown = QDir::toNativeSeparators(fileName);
        const auto result = core::writeDataFile(toPath(fileName), m_image);
        if (!result) {
            m_prompts->showError(this, tr("The file could not be saved.") + QLatin1Char('\n') + shown +
                                           QLatin1Char('\n') + QString::fromStdString(result.error()));
            return;
        }
        appendLog(QStringLiteral("File Saved:"));
        appendLog(shown);
    });
}

void TMainForm::LoadButtonClick() {
    runHandler([this] {
        const QString fileName = m_prompts->askOpenFileName(this);
        if (fileName.isEmpty()) return;
        const QString shown = QDir::toNativeSeparators(fileName);
        core::FileResult result{core::LoadOutcome::Unreadable, {}};
        try {
            result = core::readDataFile(toPath(fileName), m_image);
        } catch (const std::exception&) {
            // Reported as a file that cannot be opened, below.
        }
        switch (result.outcome) {
        case core::LoadOutcome::Loaded:
            PopulateForm();
            appendLog(QStringLiteral("File Loaded:"));
            appendLog(shown);
            break;
        case core::LoadOutcome::Incompatible:
            m_prompts->showError(this, QStringLiteral("Incompatible data file."));
            appendLog(QStringLiteral("File Refused:"));
            appendLog(shown + QStringLiteral(": ") + QString::fromStdString(result.error));
            break;
        case core::LoadOutcome::LaterFormat:
            m_prompts->showError(this, QStringLiteral("The file uses a later data format.\r\nCannot load"));
            break;
        case core::LoadOutcome::Unreadable:
            m_prompts->showError(this, QStringLiteral("Error Opening File."));
            appendLog(QStringLiteral("File Error:"));
            appendLog(shown);
            break;
        }
    });
}

void TMainForm::HelpButtonClick() { m_help.HelpButtonClick(this); }

void TMainForm::ExitButtonClick() { close(); }

void TMainForm::InvertInputsCheckAllButtonClick() { setAll(m_controls.family<QCheckBox>("input-invert"), true); }

void TMainForm::InvertInputsCheckNoneButtonClick() { setAll(m_controls.family<QCheckBox>("input-invert"), false); }

void TMainForm::InvertOutputsCheckAllButtonClick() { setAll(m_controls.family<QCheckBox>("output-invert"), true); }

void TMainForm::InvertOutputsCheckNoneButtonClick() { setAll(m_controls.family<QCheckBox>("output-invert"), false); }

void TMainForm::OutputStartStatusCheckAllButtonClick() { setAll(m_controls.family<QCheckBox>("output-start"), true); }

void TMainForm::OutputStartStatusCheckNoneButtonClick() { setAll(m_controls.family<QCheckBox>("output-start"), false); }

void TMainForm::SelectAnalogueUnitsButtonClick(int channel) {
    m_unitsPicker->setTarget(channel - 1, m_image.analogueUnitCode(channel));
    m_unitsPicker->show();
    m_unitsPicker->raise();
    m_unitsPicker->activateWindow();
}

// Closing collects the controls into the image; a failed conversion keeps
// the window open, and the box and the focus say where the number is missing.
bool TMainForm::FormCloseQuery() {
    const auto collected = CollectForm();
    if (collected) return true;
    m_pageControl->setCurrentWidget(m_generalPage);
    m_controls.one<QWidget>("object-id")->setFocus();
    m_prompts->showError(this, QString::fromStdString(collected.error()) +
                                   tr("\nObject Identifier Number on the General page must hold a whole number; the "
                                      "window stays open until it does."));
    return false;
}

// The reader thread is stopped and the device closed here, so that closing
// the window during an exchange never waits on a report hand-over.
void TMainForm::FormClose() {
    m_help.FormClose();
    m_replyTimer.stop();
    m_link->close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Nothing goes before every question is answered: the form's own check,
    // a commissioning run under way, then an open point checkout, which
    // releases what it holds before the window goes.
    auto* checkout = findChild<PointCheckoutAction*>(QStringLiteral("PointCheckoutAction"));
    if (!FormCloseQuery() || !mayEndCommissioning() || (checkout && !checkout->windowMayClose())) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

}  // namespace vaskiro::app
