#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::commission {

// One device as its handover sheet tells it. Empty texts are left blank on
// the sheet (a configuration that never met a device has no serial number).
struct SheetDevice {
    std::string tag, serial, version, time, verify, network;
    // Every setting's key and readable value, in the window's order.
    std::vector<std::pair<std::string, std::string>> settings;
    std::string checkout = {};  // checkoutSummary() of the point checkout; empty: none yet
};

// A configuration's settings as the sheet and the as-left record show them.
std::vector<std::pair<std::string, std::string>> readableSettings(const core::ConfigurationImage& image);

// The devices of an as-left record, every row or only worklist row `row`
// (0: every row): each device (serial number) once, as its latest line
// leaves it, where its first line stood; or why the text is not such a
// record or holds no such row.
core::Result<std::vector<SheetDevice>> devicesOfRecord(std::string_view recordText, int row);

// The handover sheet: one self-contained, printable HTML page per device
// with its serial number, application version, date and time, every setting
// grouped as the window's pages, the verify and network results, and a
// "Checked" column: each point's checkout mark where the device has one,
// blank for a mark by hand otherwise. The password is left out unless
// `withPassword`: the sheet goes to people who should not get it.
std::string handoverSheet(const std::vector<SheetDevice>& devices, bool withPassword);

// The sheets' page up to its body: the title, and the printable style they share.
std::string sheetHead(std::string_view title);

}  // namespace vaskiro::commission
