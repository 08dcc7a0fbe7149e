// The handover sheet's HTML, checked as literal text: everything from the
// configuration or the record is escaped, and the password stays off the
// sheet unless asked for.

#include <gtest/gtest.h>

#include "commission/handover_sheet.h"
#include "core/html_escape.h"

using namespace vaskiro::commission;

namespace {

TEST(HtmlEscape, EachMarkupCharacterBecomesItsReference) {
    EXPECT_EQ(vaskiro::core::htmlEscape("<b class=\"x\">Tom & Jerry's</b>"),
              "&lt;b class=&quot;x&quot;&gt;Tom &amp; Jerry&#39;s&lt;/b&gt;");
    EXPECT_EQ(vaskiro::core::htmlEscape("AHU 1 \xC3\xA9"), "AHU 1 \xC3\xA9");
}

SheetDevice device() {
    vaskiro::core::ConfigurationImage image;
    image.SetDefaults();
    image.setText(vaskiro::core::TextField::DeviceName, "<AHU & 1>");
    image.setText(vaskiro::core::TextField::DevicePassword, "s3cr<t");
    return {"<tag>", "501", "1.00", "2026-12-08T09:00:00+00:00", "verified", "passed", readableSettings(image), {}};
}

TEST(HandoverSheet, TextsAreEscapedAndThePasswordIsLeftOutUnlessAsked) {
    std::string sheet = handoverSheet({device()}, false);
    for (const char* part :
         {"<h1>VASKIRO BACnet interface: &lt;tag&gt;</h1>", "<tr><th>Serial number</th><td>501</td></tr>",
          "<h2>General</h2>", "<tr><td>Object name</td><td>&lt;AHU &amp; 1&gt;</td>",
          "<tr><th>Channel</th><th>Invert input</th><th>Input name</th><th class=\"mark\">Checked</th>",
          "<tr><td>3</td><td>off</td><td>Input 3</td>"})
        EXPECT_NE(sheet.find(part), std::string::npos) << part << '\n' << sheet;
    for (const char* absent : {"<AHU", "s3cr", "Password"}) EXPECT_EQ(sheet.find(absent), std::string::npos) << absent;
    EXPECT_NE(handoverSheet({device()}, true).find("<tr><td>Password</td><td>s3cr&lt;t</td>"), std::string::npos);
}

TEST(HandoverSheet, ARetriedDeviceGetsOnePageWithItsLatestResultAndCheckoutMarks) {
    std::string record =
        "time,row,tag,serial,version,input-name.1,output-name.7,verify,network,checkout\r\n"
        "T1,1,A,501,1.00,Fan,Pump,verified,Nothing answered / Check the cable,\r\n"
        "T2,2,B,502,1.00,<Fan>,Pump,failed,passed,\r\n"
        "T3,1,A,501,1.00,Fan,Pump,verified,passed,1 of 2 checked; not checked: output.7\r\n";
    auto read = devicesOfRecord(record, 0);
    ASSERT_TRUE(read) << read.error();
    const std::vector<SheetDevice>& devices = *read;
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].time + devices[0].network + devices[1].serial, "T3passed502");
    const std::string sheet = handoverSheet(devices, false);
    const std::string mark = "</td><td class=\"mark\" width=\"12%\">";
    for (const std::string& part : std::initializer_list<std::string>{
             "body { font-family: sans-serif; font-size: 9pt; }",
             "<tr><th>Point checkout</th><td>1 of 2 checked; not checked: output.7</td></tr>",
             "<tr><td>1</td><td>Fan" + mark + "yes</td></tr>", "<tr><td>7</td><td>Pump" + mark + "no</td></tr>",
             "<tr><td>1</td><td>&lt;Fan&gt;" + mark + "</td></tr>",  // none yet: a box to mark by hand
             "<h1 style=\"page-break-before: always\">VASKIRO BACnet interface: B</h1>"})
        EXPECT_NE(sheet.find(part), std::string::npos) << part;
    EXPECT_EQ(devicesOfRecord(record, 3).error(), "holds no device of row 3");
    EXPECT_FALSE(devicesOfRecord("a,b\r\n", 0));
}

}  // namespace
