#include "app/point_checkout_marks.h"

#include <QCheckBox>

#include "csv/csv.h"

namespace vaskiro::app {

namespace {

std::string objectText(const bacnet::Point& point) {
    if (point.object.type == bacnet::kDeviceObjectType) return {};  // not found on the device
    static const char* const types[] = {"binary-input", "binary-output", "analog-input"};
    return std::string(types[static_cast<int>(point.kind)]) + ',' + std::to_string(point.object.instance);
}

std::string yesNo(bool yes) { return yes ? "yes" : "no"; }

}  // namespace

QString checkoutMarksCsv(const std::vector<CheckoutRow>& rows) {
    std::string csv = csv::formatRecord({"point", "object", "name", "value", "read at", "stale", "checked"});
    for (const CheckoutRow& row : rows) {
        const PointState& state = row.state;
        const QString readAt = state.readAt ? state.readAt->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
        csv += csv::formatRecord({row.point.toStdString(), objectText(state.point), row.name.toStdString(),
                                  valueText(state.point).toStdString(), readAt.toStdString(), yesNo(state.stale),
                                  yesNo(row.checked->isChecked())});
    }
    return QString::fromStdString(csv);
}

}  // namespace vaskiro::app
