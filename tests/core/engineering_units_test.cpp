#include "core/engineering_units.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace vaskiro::core;

// One table drives the names, the codes and the picker's grid (27 rows): every
// code once, each round trip through its name, and the grid's edges.
TEST(EngineeringUnits, EveryCodeOnceAndRoundTripsThroughItsName) {
    std::set<std::uint32_t> codes;
    for (const auto& row : categoryTable())
        for (const Unit& unit : row.units) codes.insert(unit.code);
    EXPECT_EQ(codes.size(), 190u);
    EXPECT_EQ(categoryTable().size(), 27u);
    for (std::uint32_t code = 0; code < 190; ++code) EXPECT_EQ(unitCodeByName(EngineeringUnitName(code)), code);
    EXPECT_EQ(EngineeringUnitName(89), "Us Gallons Per Minute");  // the catalogue's own spelling
    EXPECT_EQ(EngineeringUnitName(190), "");
    EXPECT_FALSE(unitCodeByName("Furlongs").has_value());
    EXPECT_EQ(categoryCellText(24, 12), "No Units");
    EXPECT_EQ(unitCodeAt(25, 9), 100u);  // Per Minute in the second "Other" row
    EXPECT_EQ(categoryOf(131), "Frequency");
    for (const auto& [row, column] : std::vector<std::pair<int, int>>{{0, 0}, {0, 2}, {27, 1}, {-1, 1}, {3, 13}})
        EXPECT_FALSE(unitCodeAt(row, column).has_value()) << row << "," << column;
    EXPECT_EQ(categoryCellText(27, 0), "");
}
