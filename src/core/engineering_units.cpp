#include "core/engineering_units.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/display_text.h"

namespace vaskiro::core {

namespace {

struct Row {
    std::string_view header;
    std::array<Unit, kUnitsPerRow> units{};
    std::size_t length = 0;

    template <std::size_t N>
    constexpr Row(std::string_view h, const Unit (&u)[N]) : header(h), length(N) {
        static_assert(N >= 1 && N <= kUnitsPerRow);
        for (std::size_t i = 0; i < N; ++i) units[i] = u[i];
    }
};

// The one table behind both the names and the picker's grid.
constexpr std::array<Row, kCategoryRows> kRows = {
    // row 0: "Acceleration"
    Row{"Acceleration", {{166, "Meters Per Second Per Second"}}},
    // row 1: "Area"
    Row{"Area", {{0, "Square Meters"}, {116, "Square Centimeters"}, {1, "Square Feet"}, {115, "Square Inches"}}},
    // row 2: "Currency"
    Row{"Currency",
        {{105, "Currency1"},
         {106, "Currency2"},
         {107, "Currency3"},
         {108, "Currency4"},
         {109, "Currency5"},
         {110, "Currency6"},
         {111, "Currency7"},
         {112, "Currency8"},
         {113, "Currency9"},
         {114, "Currency10"}}},
    // row 3: "Electrical"
    Row{"Electrical",
        {{2, "Milliamperes"},
         {3, "Amperes"},
         {167, "Amperes Per Meter"},
         {168, "Amperes Per Square Meter"},
         {169, "Ampere Square Meters"},
         {170, "Farads"},
         {171, "Henrys"},
         {4, "Ohms"},
         {172, "Ohm Meters"},
         {145, "Milliohms"},
         {122, "Kilohms"},
         {123, "Megohms"}}},
    // row 4: "Electrical"
    Row{"Electrical",
        {{173, "Siemens"},
         {174, "Siemens Per Meter"},
         {175, "Teslas"},
         {5, "Volts"},
         {124, "Millivolts"},
         {6, "Kilovolts"},
         {7, "Megavolts"},
         {8, "Volt Amperes"},
         {9, "Kilovolt Amperes"},
         {10, "Megavolt Amperes"},
         {11, "Volt Amperes Reactive"},
         {12, "Kilovolt Amperes Reactive"}}},
    // row 5: "Electrical"
    Row{"Electrical",
        {{13, "Megavolt Amperes Reactive"},
         {176, "Volts Per Degree Kelvin"},
         {177, "Volts Per Meter"},
         {14, "Degrees Phase"},
         {15, "Power Factor"},
         {178, "Webers"}}},
    // row 6: "Energy"
    Row{"Energy",
        {{16, "Joules"},
         {17, "Kilojoules"},
         {125, "Kilojoules Per Kilogram"},
         {126, "Megajoules"},
         {18, "Watt Hours"},
         {19, "Kilowatt Hours"},
         {146, "Megawatt Hours"},
         {20, "BTUs"},
         {147, "Kilo BTUs"},
         {148, "Mega BTUs"},
         {21, "Therms"},
         {22, "TON Hours"}}},
    // row 7: "Enthalpy"
    Row{"Enthalpy",
        {{23, "Joules Per Kilogram Dry Air"},
         {149, "Kilojoules Per Kilogram Dry Air"},
         {150, "Megajoules Per Kilogram Dry Air"},
         {24, "BTUs Per Pound Dry Air"},
         {117, "BTUs Per Pound"}}},
    // row 8: "Entropy"
    Row{"Entropy",
        {{127, "Joules Per Degree Kelvin"},
         {151, "Kilojoules Per Degree Kelvin"},
         {152, "Megajoules Per Degree Kelvin"},
         {128, "Joules Per Kilogram Degree Kelvin"}}},
    // row 9: "Force"
    Row{"Force", {{153, "Newton"}}},
    // row 10: "Frequency"
    Row{"Frequency",
        {{25, "Cycles Per Hour"},
         {26, "Cycles Per Minute"},
         {27, "Hertz"},
         {129, "Kilohertz"},
         {130, "Megahertz"},
         {131, "Per Hour"}}},
    // row 11: "Humidity"
    Row{"Humidity", {{28, "Grams Of Water Per Kilogram Dry Air"}, {29, "Percent Relative Humidity"}}},
    // row 12: "Length"
    Row{"Length", {{30, "Millimeters"}, {118, "Centimeters"}, {31, "Meters"}, {32, "Inches"}, {33, "Feet"}}},
    // row 13: "Light"
    Row{"Light",
        {{179, "Candelas"},
         {180, "Candelas Per Square Meter"},
         {34, "Watts Per Square Foot"},
         {35, "Watts Per Square Meter"},
         {36, "Lumens"},
         {37, "Luxes"},
         {38, "Foot Candles"}}},
    // row 14: "Mass"
    Row{"Mass", {{39, "Kilograms"}, {40, "Pounds Mass"}, {41, "Tons"}}},
    // row 15: "Mass Flow"
    Row{"Mass Flow",
        {{154, "Grams Per Second"},
         {155, "Grams Per Minute"},
         {42, "Kilograms Per Second"},
         {43, "Kilograms Per Minute"},
         {44, "Kilograms Per Hour"},
         {119, "Pounds Mass Per Second"},
         {45, "Pounds Mass Per Minute"},
         {46, "Pounds Mass Per Hour"},
         {156, "Tons Per Hour"}}},
    // row 16: "Power"
    Row{"Power",
        {{132, "Milliwatts"},
         {47, "Watts"},
         {48, "Kilowatts"},
         {49, "Megawatts"},
         {50, "BTUs Per Hour"},
         {157, "Kilo BTUs Per Hour"},
         {51, "Horsepower"},
         {52, "Tons Refrigeration"}}},
    // row 17: "Pressure"
    Row{"Pressure",
        {{53, "Pascals"},
         {133, "Hectopascals"},
         {54, "Kilopascals"},
         {134, "Millibars"},
         {55, "Bars"},
         {56, "Pounds Force Per Square Inch"},
         {57, "Centimeters Of Water"},
         {58, "Inches Of Water"},
         {59, "Millimeters Of Mercury"},
         {60, "Centimeters Of Mercury"},
         {61, "Inches Of Mercury"}}},
    // row 18: "Temperature"
    Row{"Temperature",
        {{62, "Degrees Celsius"},
         {63, "Degrees Kelvin"},
         {181, "Degrees Kelvin Per Hour"},
         {182, "Degrees Kelvin Per Minute"},
         {64, "Degrees Fahrenheit"},
         {65, "Degree Days Celsius"},
         {66, "Degree Days Fahrenheit"},
         {120, "Delta Degrees Fahrenheit"},
         {121, "Delta Degrees Kelvin"}}},
    // row 19: "Time"
    Row{"Time",
        {{67, "Years"},
         {68, "Months"},
         {69, "Weeks"},
         {70, "Days"},
         {71, "Hours"},
         {72, "Minutes"},
         {73, "Seconds"},
         {158, "Hundredths Seconds"},
         {159, "Milliseconds"}}},
    // row 20: "Torque"
    Row{"Torque", {{160, "Newton Meters"}}},
    // row 21: "Velocity"
    Row{"Velocity",
        {{161, "Millimeters Per Second"},
         {162, "Millimeters Per Minute"},
         {74, "Meters Per Second"},
         {163, "Meters Per Minute"},
         {164, "Meters Per Hour"},
         {75, "Kilometers Per Hour"},
         {76, "Feet Per Second"},
         {77, "Feet Per Minute"},
         {78, "Miles Per Hour"}}},
    // row 22: "Volume"
    Row{"Volume",
        {{79, "Cubic Feet"}, {80, "Cubic Meters"}, {81, "Imperial Gallons"}, {82, "Liters"}, {83, "US Gallons"}}},
    // row 23: "Volumetric Flow"
    Row{"Volumetric Flow",
        {{142, "Cubic Feet Per Second"},
         {84, "Cubic Feet Per Minute"},
         {85, "Cubic Meters Per Second"},
         {165, "Cubic Meters Per Minute"},
         {135, "Cubic Meters Per Hour"},
         {86, "Imperial Gallons Per Minute"},
         {87, "Liters Per Second"},
         {88, "Liters Per Minute"},
         {136, "Liters Per Hour"},
         {89, "Us Gallons Per Minute"}}},
    // row 24: "Other"
    Row{"Other",
        {{90, "Degrees Angular"},
         {91, "Degrees Celsius Per Hour"},
         {92, "Degrees Celsius Per Minute"},
         {93, "Degrees Fahrenheit Per Hour"},
         {94, "Degrees Fahrenheit Per Minute"},
         {183, "Joule Seconds"},
         {186, "Kilograms Per Cubic Meter"},
         {137, "KW Hours Per Square Meter"},
         {138, "KW Hours Per Square Foot"},
         {139, "Megajoules Per Square Meter"},
         {140, "Megajoules Per Square Foot"},
         {95, "No Units"}}},
    // row 25: "Other"
    Row{"Other",
        {{187, "Newton Seconds"},
         {188, "Newtons Per Meter"},
         {96, "Parts Per Million"},
         {97, "Parts Per Billion"},
         {98, "Percent"},
         {143, "Percent Obscuration Per Foot"},
         {144, "Percent Obscuration Per Meter"},
         {99, "Percent Per Second"},
         {100, "Per Minute"},
         {101, "Per Second"},
         {102, "Psi Per Degree Fahrenheit"},
         {103, "Radians"}}},
    // row 26: "Other"
    Row{"Other",
        {{184, "Radians Per Second"},
         {104, "Revolutions Per Minute"},
         {185, "Square Meters Per Newton"},
         {189, "Watts Per Meter Per Degree Kelvin"},
         {141, "Watts Per Square Meter Degree Kelvin"}}},
};

constexpr std::array<std::string_view, kUnitCount> buildNames() {
    std::array<std::string_view, kUnitCount> names{};
    for (const Row& row : kRows)
        for (std::size_t i = 0; i < row.length; ++i) names[row.units[i].code] = row.units[i].name;
    return names;
}

constexpr std::array<std::string_view, kUnitCount> kNames = buildNames();

constexpr bool everyCodeOnce() {
    std::array<int, kUnitCount> seen{};
    for (const Row& row : kRows)
        for (std::size_t i = 0; i < row.length; ++i) {
            if (row.units[i].code >= kUnitCount) return false;
            ++seen[row.units[i].code];
        }
    for (int count : seen)
        if (count != 1) return false;
    return true;
}
static_assert(everyCodeOnce(), "each code 0..189 must stand in the table exactly once");

const std::array<CategoryRow, kCategoryRows>& categoryRows() {
    static const auto rows = [] {
        std::array<CategoryRow, kCategoryRows> out{};
        for (std::size_t r = 0; r < kRows.size(); ++r)
            out[r] = {kRows[r].header, std::span<const Unit>(kRows[r].units.data(), kRows[r].length)};
        return out;
    }();
    return rows;
}

const Unit* unitAt(int row, int column) {
    if (row < 0 || row >= kCategoryRows || column < 1) return nullptr;
    const Row& r = kRows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(column) > r.length) return nullptr;
    return &r.units[static_cast<std::size_t>(column - 1)];
}

}  // namespace

std::string_view EngineeringUnitName(std::uint32_t code) {
    return code < kUnitCount ? kNames[code] : std::string_view{};
}

std::span<const CategoryRow> categoryTable() { return categoryRows(); }

std::string_view categoryCellText(int row, int column) {
    if (row >= 0 && row < kCategoryRows && column == 0) return kRows[static_cast<std::size_t>(row)].header;
    const Unit* unit = unitAt(row, column);
    return unit ? unit->name : std::string_view{};
}

std::optional<std::uint32_t> unitCodeAt(int row, int column) {
    const Unit* unit = unitAt(row, column);
    return unit ? std::optional<std::uint32_t>(unit->code) : std::nullopt;
}

std::string_view categoryOf(std::uint32_t code) {
    for (const Row& row : kRows)
        for (std::size_t i = 0; i < row.length; ++i)
            if (row.units[i].code == code) return row.header;
    return {};
}

std::optional<std::uint32_t> unitCodeByName(std::string_view name) {
    for (std::uint32_t code = 0; code < kUnitCount; ++code)
        if (kNames[code] == name) return code;
    for (std::uint32_t code = 0; code < kUnitCount; ++code)
        if (equalIgnoringCase(kNames[code], name)) return code;
    return std::nullopt;
}

}  // namespace vaskiro::core
