#pragma once

// The last value each setting takes and the first it refuses, on each side:
// one table for the tool's set, the worklist and the window's checks.
#include "core/settings_table.h"

struct SettingEdge {
    std::string families, value;  // families: keys without their ".N", space-separated
    const char* verdicts;  // set and worklist, then window: 'y' taken, 'n' refused, '-' not checked (a box, a picker)
    bool covers(const std::string& key) const {
        return (" " + families + " ").find(" " + key.substr(0, key.find('.')) + " ") != std::string::npos;
    }
};

inline const std::string kAddr = "ip gateway mask", kFlags = "dhcp input-invert output-invert output-start",
                         kTexts = "name location description", kNames = "input-name output-name analogue-name",
                         kFloats = "analogue-scaling analogue-cov", kUnit = "analogue-unit", kId = "object-id",
                         kMax = "3.4028234663852886e38", kOver = "3.402823466385289e38";  // largest single, next double
// The window reads address octets as numbers (04 is 4) where the tool refuses a leading zero that may mean
// octal; it takes any int32 as the identifier (that limit is tried in tst_main_form's typedNumbers), 24
// characters of the object's texts where the device keeps 23, and any COV increment. "name" counts characters.
inline const std::vector<SettingEdge> kSettingEdges = [] {
    // Addresses, port and identifier; texts; flags, units and floats.
    std::vector<SettingEdge> edges({SettingEdge{kAddr, "0.0.0.0", "yy"}, SettingEdge{kAddr, "255.255.255.255", "yy"},
                                    SettingEdge{kAddr, "256.0.0.0", "nn"}, SettingEdge{kAddr, "0.0.0.256", "nn"},
                                    SettingEdge{kAddr, "-1.0.0.0", "nn"}, SettingEdge{kAddr, "1.2.3.04", "ny"},
                                    SettingEdge{"port", "0", "yy"}, SettingEdge{"port", "65535", "yy"},
                                    SettingEdge{"port", "-1", "nn"}, SettingEdge{"port", "65536", "nn"},
                                    SettingEdge{kId, "0", "yy"}, SettingEdge{kId, "4194302", "yy"},
                                    SettingEdge{kId, "-1", "nn"}, SettingEdge{kId, "4194303", "ny"}});
    edges.insert(
        edges.end(),
        {SettingEdge{kTexts, std::string(23, 'x'), "yy"}, SettingEdge{kTexts, std::string(24, 'x'), "ny"},
         SettingEdge{kTexts, std::string(25, 'x'), "nn"}, SettingEdge{"name", "xxxxxxxxxxxxxxxxxxxxxx\xC3\xA9", "yy"},
         SettingEdge{"password", std::string(12, 'x'), "yy"}, SettingEdge{"password", std::string(13, 'x'), "nn"},
         SettingEdge{kNames, std::string(30, 'x'), "yy"}, SettingEdge{kNames, std::string(31, 'x'), "nn"}});
    edges.insert(edges.end(),
                 {SettingEdge{kFlags, "0", "y-"}, SettingEdge{kFlags, "1", "y-"}, SettingEdge{kFlags, "2", "n-"},
                  SettingEdge{kFlags, "-1", "n-"}, SettingEdge{kUnit, "0", "y-"}, SettingEdge{kUnit, "189", "y-"},
                  SettingEdge{kUnit, "-1", "n-"}, SettingEdge{kUnit, "190", "n-"}, SettingEdge{kFloats, kMax, "yy"},
                  SettingEdge{"analogue-scaling", "-" + kMax, "yy"}, SettingEdge{"analogue-cov", "-" + kMax, "ny"},
                  SettingEdge{kFloats, kOver, "nn"}, SettingEdge{kFloats, "-" + kOver, "nn"},
                  SettingEdge{kFloats, "inf", "nn"}, SettingEdge{kFloats, "nan", "nn"}});
    return edges;
}();
