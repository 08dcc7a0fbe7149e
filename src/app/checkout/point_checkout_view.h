#pragma once

#include <QDialog>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

#include "app/checkout/point_checkout_rows.h"
#include "core/configuration_image.h"

class QLabel;
class QPushButton;

namespace vaskiro::app {

class PointCheckoutSession;
class UserPrompts;

// The point checkout of the device the window's settings describe: its 40
// points in three groups, each with the configured name, the value
// (analogues with units), the time of the last change, how long ago the
// value was received (stale ones marked), and a "checked" box; On, Off and
// Release on each output. The network is followed by a PointCheckoutSession
// on its own thread. Outputs are commanded only by a button the operator
// presses: no button is a default, and Enter on anything else does nothing.
// Every way out (Close, Escape, the window's close, the main window's Exit)
// asks first while outputs are held, and releases them in the background;
// a release that fails keeps the view open, says what is still held and
// offers Retry.
class PointCheckoutView : public QDialog {
    Q_OBJECT
public:
    PointCheckoutView(const core::ConfigurationImage& image, UserPrompts& prompts, QWidget* parent = nullptr);
    ~PointCheckoutView() override;

    // The outputs held, as the device acknowledged them.
    const std::vector<int>& held() const { return m_held; }
    // The checked marks as "Save Checked Marks..." writes them.
    QString checkedCsv() const;
    // Starts the way out as closing does, and calls `then` once the view has
    // closed; false while it has not (a question answered No, a release under
    // way or failed).
    bool closeThen(std::function<void()> then);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

public slots:
    // Escape and the platform's cancel come here: the view closes only by close().
    void reject() override;

private:
    enum class Leaving { No, Releasing, ReleaseFailed, Finishing, Done };
    void showPoints(const std::vector<PointState>& points, const std::vector<std::size_t>& changed);
    void showSilence(const std::optional<QDateTime>& since);
    void showStatus();
    static void alert(QWidget* line);
    void showHeld();
    void showLeftovers(const std::vector<int>& channels, const QString& text);
    void releaseFinished(const std::vector<int>& stillHeld);
    void sessionEnded(const std::vector<int>& stillHeld);
    void finish();
    void tick();
    void saveCsv();
    void setCommandsEnabled(bool enabled);
    QPushButton* addButton(const QString& text, const QString& name, const QString& spoken);

    UserPrompts& m_prompts;
    PointCheckoutSession* m_session;
    QLabel* m_status;
    QLabel* m_heldLabel;
    QLabel* m_readBack;
    QLabel* m_leftoverLabel;
    QPushButton* m_releaseLeftovers;
    QPushButton* m_retry;
    std::vector<CheckoutRow> m_rows;  // inputs, outputs, analogues, in channel order
    std::vector<int> m_held;
    std::vector<int> m_leftovers;
    std::vector<int> m_stillHeld;  // after a release that failed
    QString m_deviceLine;          // who answered and how its points are followed
    std::optional<QDateTime> m_silentSince;
    Leaving m_leaving = Leaving::No;
    std::function<void()> m_afterClose;
    QTimer m_ticks;
};

}  // namespace vaskiro::app
