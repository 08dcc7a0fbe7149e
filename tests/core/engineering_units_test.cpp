#include "core/engineering_units.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace vaskiro::units;

TEST(EngineeringUnits, NamesAtTheEdges) {
    EXPECT_EQ(EngineeringUnitName(0), "Square Meters");
    EXPECT_EQ(EngineeringUnitName(95), "No Units");
    EXPECT_EQ(EngineeringUnitName(189), "Watts Per Meter Per Degree Kelvin");
    EXPECT_EQ(EngineeringUnitName(190), "");
    EXPECT_EQ(EngineeringUnitName(4294967295u), "");
}

TEST(EngineeringUnits, NamesKeepTheirIrregularLetters) {
    EXPECT_EQ(EngineeringUnitName(83), "US Gallons");
    EXPECT_EQ(EngineeringUnitName(89), "Us Gallons Per Minute");
    EXPECT_EQ(EngineeringUnitName(22), "TON Hours");
    EXPECT_EQ(EngineeringUnitName(137), "KW Hours Per Square Meter");
    EXPECT_EQ(EngineeringUnitName(147), "Kilo BTUs");
    EXPECT_EQ(EngineeringUnitName(153), "Newton");
    EXPECT_EQ(EngineeringUnitName(188), "Newtons Per Meter");
    EXPECT_EQ(EngineeringUnitName(171), "Henrys");
    EXPECT_EQ(EngineeringUnitName(37), "Luxes");
}

TEST(EngineeringUnits, TableHas27RowsOfTheStatedLengths) {
    const std::vector<std::size_t> lengths = {1, 4, 10, 12, 12, 6, 12, 5, 4, 1, 6, 2, 5, 7,
                                              3, 9, 8, 11, 9, 9, 1, 9, 5, 10, 12, 12, 5};
    auto table = categoryTable();
    ASSERT_EQ(table.size(), 27u);
    std::set<std::uint32_t> codes;
    std::size_t total = 0;
    for (std::size_t r = 0; r < table.size(); ++r) {
        EXPECT_EQ(table[r].units.size(), lengths[r]) << r;
        for (const Unit& u : table[r].units) {
            codes.insert(u.code);
            EXPECT_EQ(EngineeringUnitName(u.code), u.name);
            EXPECT_LE(u.name.size(), 36u);
            ++total;
        }
    }
    EXPECT_EQ(total, 190u);
    EXPECT_EQ(codes.size(), 190u);
    EXPECT_EQ(*codes.rbegin(), 189u);
}

TEST(EngineeringUnits, GridCellsAndCodesComeFromTheSameRow) {
    EXPECT_EQ(categoryCellText(0, 0), "Acceleration");
    EXPECT_EQ(categoryCellText(4, 0), "Electrical");
    EXPECT_EQ(categoryCellText(26, 0), "Other");
    EXPECT_EQ(unitCodeAt(24, 12), 95u);
    EXPECT_EQ(categoryCellText(24, 12), "No Units");
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(unitCodeAt(2, k), 104u + static_cast<std::uint32_t>(k));
        EXPECT_EQ(categoryCellText(2, k), "Currency" + std::to_string(k));
    }
    EXPECT_EQ(categoryOf(131), "Frequency");   // Per Hour
    EXPECT_EQ(unitCodeAt(25, 9), 100u);        // Per Minute in the second "Other" row
    EXPECT_EQ(unitCodeAt(25, 10), 101u);
}

TEST(EngineeringUnits, PositionsWithoutAUnitGiveNothing) {
    EXPECT_FALSE(unitCodeAt(0, 0).has_value());   // header
    EXPECT_FALSE(unitCodeAt(0, 2).has_value());   // past the row's end
    EXPECT_FALSE(unitCodeAt(27, 1).has_value());
    EXPECT_FALSE(unitCodeAt(-1, 1).has_value());
    EXPECT_FALSE(unitCodeAt(3, 13).has_value());
    EXPECT_EQ(categoryCellText(0, 2), "");
    EXPECT_EQ(categoryCellText(27, 0), "");
}

TEST(EngineeringUnits, EveryCodeRoundTripsThroughItsName) {
    for (std::uint32_t code = 0; code < 190; ++code)
        EXPECT_EQ(unitCodeByName(EngineeringUnitName(code)), code);
    EXPECT_EQ(unitCodeByName("no units"), 95u);
    EXPECT_FALSE(unitCodeByName("Furlongs").has_value());
}
