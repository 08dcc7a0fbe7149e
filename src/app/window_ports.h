#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <string>

#include "app/user_prompts.h"
#include "core/configuration_image.h"
#include "core/result.h"

class QWidget;

namespace vaskiro::device {
class HidBackend;
}

namespace vaskiro::app {

// What the main window offers the helpers it owns, one small interface per
// need, so that a helper knows only the part of the window it uses. The
// window implements each.

// The settings the window's pages show, and the image they are kept in.
class FormSettings {
public:
    virtual ~FormSettings() = default;
    virtual core::ConfigurationImage& image() = 0;
    virtual void PopulateForm() = 0;
    // Refused when the object identifier is not a number, with the words the
    // user is shown ("'' is not a valid integer value").
    virtual core::Result<void> CollectForm() = 0;
    // CollectForm, showing a refusal in an error box; false then.
    virtual bool collectFormOrSay() = 0;
    // Logs a line per bad address; true when all are good.
    virtual bool ValidateAddresses() = 0;
};

// LogMemo, which is never cleared.
class WindowLog {
public:
    virtual ~WindowLog() = default;
    virtual void appendLog(const QString& line) = 0;
};

// Message boxes and file dialogs, over the window they belong to.
class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;
    virtual UserPrompts& prompts() = 0;
    virtual QWidget& dialogParent() = 0;

    void showError(const QString& text) { prompts().showError(&dialogParent(), text); }
    void showInformation(const QString& text) { prompts().showInformation(&dialogParent(), text); }
};

// The reply timer and the progress bar, kept in step with the exchange.
class ExchangeProgress {
public:
    virtual ~ExchangeProgress() = default;
    virtual void updateExchangeProgress() = 0;
};

// What a worklist run needs of the window besides its settings and dialogs.
class CommissionHost {
public:
    virtual ~CommissionHost() = default;
    // The devices Read and Write search, and the one they use (empty: the first found).
    virtual device::HidBackend* deviceBackend() const = 0;
    virtual std::string devicePath() const = 0;
    // How long Read and Write wait for each reply, which commissioning waits too.
    virtual std::chrono::milliseconds replyTimeout() const = 0;
    // Closes the device Read and Write opened, so that the run has the
    // devices alone; false while an exchange is under way.
    virtual bool releaseDevice() = 0;
    // Calls `changed` whenever the window looks at the devices again: on the
    // system's notice of one coming or going, and at each poll where there is
    // none; for as long as `receiver` lives.
    virtual void onDevicesChanged(QObject* receiver, std::function<void()> changed) = 0;
    // After a run: the pages show `before` again, and the status bar says so.
    virtual void returnAfterCommissioning(const core::ConfigurationImage& before) = 0;
};

}  // namespace vaskiro::app
