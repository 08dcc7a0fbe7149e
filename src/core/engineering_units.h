#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vaskiro::core {

inline constexpr std::uint32_t kUnitCount = 190;  // codes 0..189
inline constexpr std::uint32_t kNoUnits = 95;     // the default of every channel
inline constexpr int kCategoryRows = 27;
inline constexpr int kCategoryColumns = 13;  // header + up to 12 units
inline constexpr int kUnitsPerRow = 12;

struct Unit {
    std::uint32_t code;
    std::string_view name;
};

// One row of the picker's grid: its category header (column 0) and the units
// shown in columns 1 to units.size(), in display order.
struct CategoryRow {
    std::string_view header;
    std::span<const Unit> units;
};

// Display name of a BACnet engineering unit code; empty for 190 and above.
std::string_view EngineeringUnitName(std::uint32_t code);

// The 27 rows of the category table.
std::span<const CategoryRow> categoryTable();

// What the grid shows at (row, column): the header in column 0, a unit name
// in columns 1..length, and nothing anywhere else (empty text).
std::string_view categoryCellText(int row, int column);

// The unit at (row, column), if that cell holds one.
std::optional<std::uint32_t> unitCodeAt(int row, int column);

// Category header of a defined code; empty for an undefined one.
std::string_view categoryOf(std::uint32_t code);

// Code of a unit by its exact display name, or by name ignoring case.
std::optional<std::uint32_t> unitCodeByName(std::string_view name);

}  // namespace vaskiro::core
