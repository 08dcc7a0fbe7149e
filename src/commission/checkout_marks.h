#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace vaskiro::commission {

// One point of a point checkout as its marks file keeps it.
struct CheckoutMark {
    std::string point;   // "output.7"
    std::string object;  // "binary-output,7"
    std::string name;
    std::string value;
    std::string readAt;  // local wall time "2026-12-08 14:05:12", empty when never read
    bool stale = false;
    bool checked = false;
};

// The marks as CSV (UTF-8, RFC 4180): the header
// `point,object,name,value,read at,stale,checked`, then one line per point.
std::string checkoutMarksCsv(const std::vector<CheckoutMark>& marks);

// Reads a marks file, or says what is wrong with it, and where.
core::Result<std::vector<CheckoutMark>> readCheckoutMarks(std::string_view text);

// What an as-left record keeps of a checkout, in one cell:
// "38 of 40 checked, last read 2026-12-08 14:05:12; not checked: output.16, analogue.8; stale: input.4".
std::string checkoutSummary(const std::vector<CheckoutMark>& marks);

// Back from such a cell: the points it names as not checked and as stale.
// False when the cell holds no checkout.
struct CheckoutState {
    std::set<std::string> unchecked, stale;
};
bool checkoutStateOf(std::string_view summary, CheckoutState& state);

}  // namespace vaskiro::commission
