#include "commission/survey_report.h"

#include <algorithm>
#include <map>

#include "bacnet/configured_device.h"
#include "commission/as_left_record.h"
#include "commission/handover_sheet.h"
#include "core/display_text.h"
#include "core/html_escape.h"

namespace vaskiro::commission {

namespace {

using bacnet::CheckOutcome;

SurveyVerdict verdictOf(const std::optional<bacnet::CheckResult>& check) {
    if (!check) return SurveyVerdict::NotChecked;
    switch (check->outcome) {
    case CheckOutcome::Match: return SurveyVerdict::Passed;
    case CheckOutcome::NoAnswer: return SurveyVerdict::NoAnswer;
    case CheckOutcome::Differs: return SurveyVerdict::Differs;
    case CheckOutcome::Unread: return SurveyVerdict::Unreadable;
    case CheckOutcome::Duplicate: return SurveyVerdict::Duplicate;
    case CheckOutcome::BadConfiguration: return SurveyVerdict::BadConfiguration;
    case CheckOutcome::Failed: break;
    }
    return SurveyVerdict::Failed;
}

// How the summary counts each verdict.
const std::map<SurveyVerdict, std::string>& verdictWords() {
    static const std::map<SurveyVerdict, std::string> words{{SurveyVerdict::Passed, "passed"},
                                                            {SurveyVerdict::Differs, "differ"},
                                                            {SurveyVerdict::NoAnswer, "no answer"},
                                                            {SurveyVerdict::Unreadable, "unreadable"},
                                                            {SurveyVerdict::Duplicate, "duplicate"},
                                                            {SurveyVerdict::NotChecked, "not checked"},
                                                            {SurveyVerdict::Failed, "failed"},
                                                            {SurveyVerdict::BadConfiguration, "bad configuration"},
                                                            {SurveyVerdict::Stranger, "not in the record"}};
    return words;
}

std::string said(SurveyVerdict verdict, const std::optional<bacnet::CheckResult>& check) {
    if (verdict != SurveyVerdict::Differs) return verdictWords().at(verdict);
    std::string fields;
    for (const std::string& field : check->differing) fields += (fields.empty() ? "" : ", ") + field;
    return "differs: " + fields;
}

}  // namespace

std::vector<SurveyRow> surveyRows(const std::vector<SiteDevice>& devices, const bacnet::SurveyResult& result) {
    std::vector<SurveyRow> rows;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const std::optional<bacnet::CheckResult> none;
        const auto& check = i < result.devices.size() ? result.devices[i] : none;
        SurveyRow row;
        row.label = core::escapeControlCharacters(devices[i].label);
        row.instance = devices[i].image.objectIdentifier() & bacnet::kInstanceMask;
        if (auto asked = bacnet::configuredDevice(devices[i].image)) row.address = bacnet::formatEndpoint(asked->at);
        row.verdict = verdictOf(check);
        row.said = said(row.verdict, check);
        if (row.verdict == SurveyVerdict::Differs) row.fields = check->differing;
        if (row.verdict == SurveyVerdict::NotChecked)
            row.detail = result.failure.empty() ? "Not reached within the timeout (or stopped); raise --timeout or "
                                                  "--parallel."
                                                : result.failure;
        else if (row.verdict != SurveyVerdict::Passed)
            row.detail = oneLine(check->summary);
        rows.push_back(std::move(row));
    }
    for (const bacnet::SeenDevice& stranger : result.strangers) {
        SurveyRow row;
        row.instance = stranger.iAm.instance;
        row.address = bacnet::formatEndpoint(stranger.address);
        row.verdict = SurveyVerdict::Stranger;
        row.said = "not in the record: instance " + std::to_string(row.instance) + " at " + row.address;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string surveySummary(const std::vector<SurveyRow>& rows) {
    std::map<SurveyVerdict, std::size_t> count;
    std::size_t listed = 0;
    for (const SurveyRow& row : rows) {
        ++count[row.verdict];
        if (row.verdict != SurveyVerdict::Stranger) ++listed;
    }
    std::string summary = std::to_string(listed) + (listed == 1 ? " device" : " devices");
    std::string parts;
    for (const auto& [verdict, n] : count)
        if (verdict != SurveyVerdict::Stranger)
            parts += (parts.empty() ? ": " : ", ") + std::to_string(n) + " " + verdictWords().at(verdict);
    summary += parts;
    if (count[SurveyVerdict::Stranger] > 0)
        summary += "; " + std::to_string(count[SurveyVerdict::Stranger]) + " not in the record";
    return summary;
}

std::string surveyReport(const std::vector<SurveyRow>& rows, const std::string& time) {
    using core::htmlEscape;
    std::vector<const SurveyRow*> ordered;
    for (const SurveyRow& row : rows) ordered.push_back(&row);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const SurveyRow* a, const SurveyRow* b) { return a->failed() && !b->failed(); });
    std::string html = sheetHead("VASKIRO site survey") + "<h1>Site survey</h1>\n<p>" + htmlEscape(time) + ": " +
                       htmlEscape(surveySummary(rows)) +
                       "</p>\n<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\" border=\"1\">\n"
                       "<tr><th>Device</th><th>Instance</th><th>Address</th><th>Verdict</th><th>Detail</th></tr>\n";
    for (const SurveyRow* row : ordered)
        html += "<tr><td>" + htmlEscape(row->label) + "</td><td>" + std::to_string(row->instance) + "</td><td>" +
                htmlEscape(row->address) + "</td><td>" + htmlEscape(row->said) + "</td><td>" + htmlEscape(row->detail) +
                "</td></tr>\n";
    return html + "</table>\n</body></html>\n";
}

}  // namespace vaskiro::commission
