// The EDE files as literal text, worked out by hand for a small device:
// the header lines, one row per object, shared state texts, and text from
// the network that holds the delimiter, quotes or a line break.

#include <gtest/gtest.h>

#include "commission/ede_files.h"

using namespace vaskiro::commission;
using vaskiro::bacnet::ServedObject;

TEST(EdeFiles, ASmallDeviceGivesTheseFourFiles) {
    const vaskiro::bacnet::DeviceInventory device{7,
                                                  {ServedObject{{8, 7}, "Plant room", "", {}, {}, false},
                                                   ServedObject{{0, 1}, "Supply; temp", "Line1\nLine2", 62u, {}, true},
                                                   ServedObject{{3, 2}, "Pump \"A\"", "", {}, {"Off", "On"}, true},
                                                   ServedObject{{4, 1}, "Fan", "", {}, {"Off", "On"}, true},
                                                   ServedObject{{4, 2}, "Valve", "", {}, {"Closed", "Open"}, true}}};
    const EdeFiles files = edeFiles({device}, {"Site", "2026-12-09 06:00:00", "tester", 1});
    EXPECT_EQ(files.ede,
              "PROJECT_NAME;Site\r\n"
              "VERSION_OF_REFERENCEFILE;1\r\n"
              "TIMESTAMP_OF_LAST_CHANGE;2026-12-09 06:00:00\r\n"
              "AUTHOR_OF_LAST_CHANGE;tester\r\n"
              "VERSION_OF_LAYOUT;2.2\r\n"
              "# keyname;device obj.-instance;object-name;object-type;object-instance;description;"
              "present-value-default;min-present-value;max-present-value;settable;supports COV;hi-limit;low-limit;"
              "state-text-reference;unit-code;vendor-specific-address;notification-class\r\n"
              "7.device.7;7;Plant room;8;7;;;;;;N;;;;;;\r\n"
              "7.analog-input.1;7;\"Supply; temp\";0;1;Line1 Line2;;;;;Y;;;;62;;\r\n"
              "7.binary-input.2;7;\"Pump \"\"A\"\"\";3;2;;;;;;Y;;;1;;;\r\n"
              "7.binary-output.1;7;Fan;4;1;;;;;;Y;;;1;;;\r\n"
              "7.binary-output.2;7;Valve;4;2;;;;;;Y;;;2;;;\r\n");
    EXPECT_EQ(files.stateTexts, "# state-text-reference;text 1;text 2\r\n1;Off;On\r\n2;Closed;Open\r\n");
    EXPECT_EQ(files.units, "# unit-code;unit-text\r\n62;Degrees Celsius\r\n");
    EXPECT_EQ(files.objectTypes,
              "# object-type;object-type-text\r\n0;analog-input\r\n3;binary-input\r\n4;binary-output\r\n8;device\r\n");
    EXPECT_EQ(edeFileNames("out/site"), (std::vector<std::string>{"out/site_EDE.csv", "out/site_StateTexts.csv",
                                                                  "out/site_Units.csv", "out/site_ObjTypes.csv"}));
}
