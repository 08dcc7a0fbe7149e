#include "app/point_checkout_marks.h"

#include <QCheckBox>

#include "commission/checkout_marks.h"

namespace vaskiro::app {

namespace {

std::string objectText(const bacnet::Point& point) {
    if (point.object.type == bacnet::kDeviceObjectType) return {};  // not found on the device
    static const char* const types[] = {"binary-input", "binary-output", "analog-input"};
    return std::string(types[static_cast<int>(point.kind)]) + ',' + std::to_string(point.object.instance);
}

}  // namespace

QString checkoutMarksCsv(const std::vector<CheckoutRow>& rows) {
    std::vector<commission::CheckoutMark> marks;
    for (const CheckoutRow& row : rows) {
        const PointState& state = row.state;
        const QString readAt = state.readAt ? state.readAt->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
        marks.push_back({row.point.toStdString(), objectText(state.point), row.name.toStdString(),
                         valueText(state.point).toStdString(), readAt.toStdString(), state.stale,
                         row.checked->isChecked()});
    }
    return QString::fromStdString(commission::checkoutMarksCsv(marks));
}

}  // namespace vaskiro::app
