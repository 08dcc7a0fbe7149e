#pragma once

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/help/help_controller.h"
#include "app/user_prompts.h"
#include "app/window_ports.h"
#include "core/configuration_image.h"
#include "core/result.h"
#include "app/pages/form_binding.h"
#include "device/exchange.h"
#include "device/hid_backend.h"

class QProgressBar;
class QStatusBar;

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace vaskiro::app {
class TSelectAnalogueUnitsForm;
}

namespace vaskiro::link {
class DeviceLink;
}

namespace vaskiro::app {

class AnaloguesPage;
class CommissionDialog;
class DevicePresenceIndicator;
class WindowExchangePort;
class GeneralPage;
class InputsPage;
class OutputsPage;

// Uses the window's design font, Tahoma 8 pt, where the system has it; the
// platform's default font otherwise. Call before any window is created.
void useDesignFont();

// The main window. Owns the configuration image and the units picker for the
// whole run; every command runs in one of its handlers, on the GUI thread.
// No handler lets an exception reach Qt's event loop: a failure is shown in an
// error box and the rest of the handler is abandoned.
class TMainForm : public QWidget,
                  private FormSettings,
                  private WindowLog,
                  private WindowDialogs,
                  private ExchangeProgress,
                  private CommissionHost {
    Q_OBJECT
public:
    // `devices`: the HID devices the window searches, as main() chose them
    // (null: none). `helpDirectory`: where bacnet-interface.chm is looked
    // for; empty means beside the executable.
    explicit TMainForm(std::unique_ptr<device::HidBackend> devices, QWidget* parent = nullptr,
                       const QString& helpDirectory = {});
    ~TMainForm() override;

    // The settings the pages show: see FormSettings.
    core::ConfigurationImage& image() override { return m_image; }
    void PopulateForm() override;
    core::Result<void> CollectForm() override;
    bool collectFormOrSay() override;
    bool ValidateAddresses() override;
    // Channel 0 to 7: stores the unit code and shows its name.
    void ApplyAnalogueUnit(int channel, std::uint32_t code);

    // The one units picker ("SelectAnalogueUnitsForm"), created hidden.
    app::TSelectAnalogueUnitsForm* unitsPicker() const { return m_unitsPicker; }

    // Replaces the HID devices the window searches. Closes an open device.
    void setDeviceBackend(std::unique_ptr<device::HidBackend> backend);
    // Read and Write use the device at `path` (as `vaskiro list` prints it);
    // empty: the first VASKIRO found.
    void setDevicePath(const std::string& path);
    // How long an exchange waits for each reply before it is abandoned.
    void setReplyTimeout(std::chrono::milliseconds timeout);
    const HelpController& help() const { return m_help; }
    bool DeviceOpen() const;
    // "Commission from Worklist", created on first use; null before.
    CommissionDialog* commissionDialog() const { return m_commissionDialog; }

    // Message boxes and file dialogs; tests put in answers of their own (null: the real ones).
    void setPrompts(std::unique_ptr<UserPrompts> prompts);

public slots:
    // Channel 1 to 8: opens (or re-targets) the picker, without waiting.
    void SelectAnalogueUnitsButtonClick(int channel);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void LoadButtonClick();
    void SaveButtonClick();
    void CommissionButtonClick();
    void WriteButtonClick();
    void ReadButtonClick();
    void HelpButtonClick();
    void PrintSheetButtonClick();
    void ExitButtonClick();
    void InvertInputsCheckAllButtonClick();
    void InvertInputsCheckNoneButtonClick();
    void InvertOutputsCheckAllButtonClick();
    void InvertOutputsCheckNoneButtonClick();
    void OutputStartStatusCheckAllButtonClick();
    void OutputStartStatusCheckNoneButtonClick();
    // One report from the device (report ID first), on the window's thread.
    void ProcessDeviceReport(const QByteArray& bytes);

private:
    // What the window's helpers see of it.
    void appendLog(const QString& line) override;
    UserPrompts& prompts() override { return *m_prompts; }
    QWidget& dialogParent() override { return *this; }
    void updateExchangeProgress() override;
    device::HidBackend* deviceBackend() const override;
    std::string devicePath() const override;
    std::chrono::milliseconds replyTimeout() const override { return m_replyTimer.intervalAsDuration(); }
    bool releaseDevice() override;
    void onDevicesChanged(QObject* receiver, std::function<void()> changed) override;
    void returnAfterCommissioning(const core::ConfigurationImage& before) override;

    // True while a worklist run owns the devices: Read and Write refuse then.
    bool commissioningRuns() const;
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void SetUpHelp();
    // Runs a handler's body; shows what escapes it. False when it failed.
    bool runHandler(const std::function<void()>& body);
    QWidget* makeCommandPanel();
    // "Commission from Worklist..." on the status bar, after every other
    // control in the tab order, with its shortcut.
    void addCommissionButton(QStatusBar& statusBar);
    // Lets a commissioning run finish its row while the devices are still there.
    void endCommissioning();
    // Closing the window during a run asks first; false: the user keeps both.
    bool mayEndCommissioning();
    // Finds and opens the device unless it is open; says why when it fails.
    bool openDevice();
    bool confirmTextsTheDeviceCuts();
    void deviceLost();

    app::FormControls m_controls;
    QTabWidget* m_pageControl;
    GeneralPage* m_generalPage;
    InputsPage* m_inputsPage;
    OutputsPage* m_outputsPage;
    AnaloguesPage* m_analoguesPage;
    QPlainTextEdit* m_logMemo;
    QPushButton* m_loadButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_writeButton = nullptr;
    QPushButton* m_readButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QPushButton* m_exitButton = nullptr;

    core::ConfigurationImage m_image;
    std::unique_ptr<UserPrompts> m_prompts;
    app::TSelectAnalogueUnitsForm* m_unitsPicker = nullptr;

    std::unique_ptr<link::DeviceLink> m_link;
    std::unique_ptr<WindowExchangePort> m_port;
    std::unique_ptr<device::DeviceExchange> m_exchange;
    QTimer m_replyTimer;
    QTimer m_quietTimer;  // the link's quiet time after a reply that never came
    QProgressBar* m_progress = nullptr;
    DevicePresenceIndicator* m_presence = nullptr;
    HelpController m_help;
    CommissionDialog* m_commissionDialog = nullptr;
};

}  // namespace vaskiro::app
