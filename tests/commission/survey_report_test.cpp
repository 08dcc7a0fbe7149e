// The survey's rows, summary and report from a survey's result: each check
// outcome's verdict, strangers after the list, the failures first on the
// page, and every text from outside escaped.

#include <gtest/gtest.h>

#include "commission/survey_report.h"

using namespace vaskiro;
using bacnet::CheckOutcome;

namespace {

commission::SiteDevice device(const char* label, std::uint32_t instance) {
    commission::SiteDevice site{label, {}};
    site.image.SetDefaults();
    site.image.setObjectIdentifier(instance);
    return site;
}

TEST(SurveyReport, EachOutcomeHasItsVerdictAndTheFailuresComeFirst) {
    const std::vector<commission::SiteDevice> devices{device("A<1>", 1), device("B", 2), device("C", 3), device("D", 4),
                                                      device("E\x1b", 5)};
    bacnet::SurveyResult result;
    result.devices = {bacnet::CheckResult{CheckOutcome::Match, "ok"},
                      bacnet::CheckResult{CheckOutcome::Differs, "B differs:\nlocation: \"<x>\"", {"location", "port"}},
                      bacnet::CheckResult{CheckOutcome::NoAnswer, "Nothing answered"},
                      bacnet::CheckResult{CheckOutcome::Duplicate, "More than one"}, std::nullopt};
    result.strangers = {{bacnet::IAm{9, 1476, 3, 0}, {{127, 0, 0, 9}, 47808}}};
    const auto rows = commission::surveyRows(devices, result);
    ASSERT_EQ(rows.size(), 6u);
    const std::vector<std::string> said{"passed",      "differs: location, port",
                                        "no answer",   "duplicate",
                                        "not checked", "not in the record: instance 9 at 127.0.0.9:47808"};
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].said, said[i]);
    EXPECT_EQ(rows[1].detail, "B differs: / location: \"<x>\"");
    EXPECT_EQ(rows[1].address, "192.168.0.6:47808");
    EXPECT_EQ(rows[4].label, "E\\x1b");
    EXPECT_EQ(commission::surveySummary(rows),
              "5 devices: 1 passed, 1 no answer, 1 not checked, 1 differ, 1 duplicate; 1 not in the record");
    const std::string html = commission::surveyReport(rows, "2026-12-09T06:00:00+00:00");
    EXPECT_NE(html.find("<tr><td>B</td><td>2</td><td>192.168.0.6:47808</td><td>differs: location, port</td><td>B "
                        "differs: / location: &quot;&lt;x&gt;&quot;</td></tr>"),
              std::string::npos)
        << html;
    EXPECT_LT(html.find("<td>E\\x1b</td>"), html.find("<td>A&lt;1&gt;</td>"));  // the one that passed comes last
    EXPECT_EQ(html.find("<x>"), std::string::npos);
}

}  // namespace
