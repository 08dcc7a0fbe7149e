#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bacnet/site_survey.h"
#include "commission/site_devices.h"

namespace vaskiro::commission {

// What the survey found of one device, worst last.
enum class SurveyVerdict {
    Passed,
    NoAnswer,
    Unreadable,
    NotChecked,
    Failed,
    Differs,
    Duplicate,
    Stranger,
    BadConfiguration
};

// One device of the survey as it is told: each of the list's devices in its
// order, then each device that answered but is in no list.
struct SurveyRow {
    std::string label;  // the list's name for it (its control characters escaped); empty for a stranger
    std::uint32_t instance = 0;
    std::string address;  // where it was asked: its configured address and port; or where a stranger answered from
    SurveyVerdict verdict = SurveyVerdict::NotChecked;
    std::string said;    // "passed", "differs: location, description", "not in the record: instance N at ADDRESS"
    std::string detail;  // the check's account on one line; empty when passed
    std::vector<std::string> fields = {};  // what differs ("location"), when it differs
    bool failed() const { return verdict != SurveyVerdict::Passed; }
};

std::vector<SurveyRow> surveyRows(const std::vector<SiteDevice>& devices, const bacnet::SurveyResult& result);

// "200 devices: 193 passed, 2 differ, 3 no answer, 1 duplicate; 1 not in the record"
std::string surveySummary(const std::vector<SurveyRow>& rows);

// A printable HTML page in the handover sheet's style: the summary, then one
// table of every row, the failures first.
std::string surveyReport(const std::vector<SurveyRow>& rows, const std::string& time);

}  // namespace vaskiro::commission
