#pragma once

#include <QDialog>

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "bacnet/point_checkout.h"
#include "core/configuration_image.h"

class QCheckBox;
class QLabel;
class QCloseEvent;
class QVBoxLayout;

namespace vaskiro::app {

class UserPrompts;

// The point checkout of the device the window's settings describe: its 40
// points in three groups, each with the configured name, the value
// (analogues with units), the time of the last change, a mark that flashes
// on a change, and a "checked" box; on / off / release on each output. The
// network is followed on a thread of its own (bacnet::PointCheckout); the
// outputs driven from here are held at priority 8 until released, and
// closing the view releases them after a confirmation.
class PointCheckoutView : public QDialog {
    Q_OBJECT
public:
    PointCheckoutView(const config::ConfigurationImage& image, UserPrompts& prompts, QWidget* parent = nullptr);
    // Releases what is held and cancels the subscriptions (bounded by the retries).
    ~PointCheckoutView() override;

    // The outputs held, as the device acknowledged them.
    const std::vector<int>& held() const { return m_held; }
    // "point,object,name,value,last change,checked" and one row per point.
    QString checkedCsv() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Row {
        QLabel* value = nullptr;
        QLabel* changed = nullptr;
        QLabel* mark = nullptr;
        QCheckBox* checked = nullptr;
        bacnet::Point point;
    };
    void addGroup(bacnet::PointKind kind, int count, const QString& title, QVBoxLayout* into);
    void follow();  // the thread's work
    void showPoint(const bacnet::Point& point, bool change);
    void post(std::function<void()> onWindowThread);
    void command(int channel, std::optional<bool> active);
    void stop();
    void saveCsv();
    void showHeld();
    Row* rowOf(const bacnet::Point& point);

    config::ConfigurationImage m_image;
    UserPrompts& m_prompts;
    QLabel* m_status;
    QLabel* m_heldLabel;
    std::vector<Row> m_rows;  // inputs, outputs, analogues, in channel order
    std::vector<int> m_held;
    std::vector<int> m_stillHeld;  // after a release that failed
    std::atomic<bool> m_stop{false};
    std::mutex m_commandsMutex;
    std::deque<std::pair<int, std::optional<bool>>> m_commands;
    std::thread m_thread;
};

}  // namespace vaskiro::app
