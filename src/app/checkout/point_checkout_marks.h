#pragma once

#include <QString>

#include <vector>

#include "app/checkout/point_checkout_rows.h"

namespace vaskiro::app {

// The checked marks as CSV, UTF-8 text: the header
// "point,object,name,value,read at,stale,checked" and one record per row;
// "read at" is the local time the shown value was received
// (YYYY-MM-DD HH:MM:SS, empty when never), "stale" and "checked" yes or no.
QString checkoutMarksCsv(const std::vector<CheckoutRow>& rows);

}  // namespace vaskiro::app
