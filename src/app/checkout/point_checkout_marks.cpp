#include "app/checkout/point_checkout_marks.h"

#include <QCheckBox>

#include "commission/checkout_marks.h"

namespace vaskiro::app {

namespace {

// Empty for a point the device does not serve.
std::string objectText(const bacnet::Point& point) {
    return point.object.type == bacnet::kDeviceObjectType ? std::string() : bacnet::objectText(point.object);
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
