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
inline const std::vector<SettingEdge> kSettingEdges = {{kAddr, "0.0.0.0", "yy"},
                                                       {kAddr, "255.255.255.255", "yy"},
                                                       {kAddr, "256.0.0.0", "nn"},
                                                       {kAddr, "0.0.0.256", "nn"},
                                                       {kAddr, "-1.0.0.0", "nn"},
                                                       {kAddr, "1.2.3.04", "ny"},
                                                       {"port", "0", "yy"},
                                                       {"port", "65535", "yy"},
                                                       {"port", "-1", "nn"},
                                                       {"port", "65536", "nn"},
                                                       {kId, "0", "yy"},
                                                       {kId, "4194302", "yy"},
                                                       {kId, "-1", "nn"},
                                                       {kId, "4194303", "ny"},
                                                       {kTexts, std::string(23, 'x'), "yy"},
                                                       {kTexts, std::string(24, 'x'), "ny"},
                                                       {kTexts, std::string(25, 'x'), "nn"},
                                                       {"name", std::string(22, 'x') + "\xC3\xA9", "yy"},
                                                       {"password", std::string(12, 'x'), "yy"},
                                                       {"password", std::string(13, 'x'), "nn"},
                                                       {kNames, std::string(30, 'x'), "yy"},
                                                       {kNames, std::string(31, 'x'), "nn"},
                                                       {kFlags, "0", "y-"},
                                                       {kFlags, "1", "y-"},
                                                       {kFlags, "2", "n-"},
                                                       {kFlags, "-1", "n-"},
                                                       {kUnit, "0", "y-"},
                                                       {kUnit, "189", "y-"},
                                                       {kUnit, "-1", "n-"},
                                                       {kUnit, "190", "n-"},
                                                       {kFloats, kMax, "yy"},
                                                       {"analogue-scaling", "-" + kMax, "yy"},
                                                       {"analogue-cov", "-" + kMax, "ny"},
                                                       {kFloats, kOver, "nn"},
                                                       {kFloats, "-" + kOver, "nn"},
                                                       {kFloats, "inf", "nn"},
                                                       {kFloats, "nan", "nn"}};
