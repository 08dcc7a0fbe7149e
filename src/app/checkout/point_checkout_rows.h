#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "app/checkout/point_checkout_session.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace vaskiro::app {

// One point's line in the checkout: what it shows and what a screen reader
// says of it. Columns keep their widths whatever the values, so that nothing
// moves while the technician reads.
struct CheckoutRow {
    QString point;  // "input.3"
    QString name;   // as configured, escaped
    PointState state;
    QLabel* value = nullptr;
    QLabel* changed = nullptr;  // local time of the last change seen
    QLabel* age = nullptr;      // "3 s ago", "stale, 2 min ago"
    QCheckBox* checked = nullptr;
};

// "3 s ago", "4 min ago", "2 h ago": how long since `readAt`; empty when never.
QString ageText(const std::optional<QDateTime>& readAt, const QDateTime& now);
// The value as shown: "on", "off", "21.5 Degrees Celsius", "no value: REASON", "-".
QString valueText(const bacnet::Point& point);

// A group of `count` points of `kind` under column headers, appended to
// `rows`; outputs get On, Off and Release buttons that call `command`.
QGroupBox* makePointGroup(bacnet::PointKind kind, int count, const QString& title,
                          const std::function<QString(int)>& configuredName, std::vector<CheckoutRow>& rows,
                          const std::function<void(int, std::optional<bool>)>& command);

// Shows `state` in `row`; `change`: the value just changed (the time is shown and announced).
void showState(CheckoutRow& row, const PointState& state, bool change, const QDateTime& now);
// Refreshes the age (each second), and the spoken line when it says something new.
void showAge(CheckoutRow& row, const QDateTime& now);

}  // namespace vaskiro::app
