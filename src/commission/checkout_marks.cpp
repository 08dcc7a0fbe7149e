#include "commission/checkout_marks.h"

#include "csv/csv.h"

namespace vaskiro::commission {

namespace {

const csv::Record kHeader{"point", "object", "name", "value", "read at", "stale", "checked"};
constexpr std::string_view kNotChecked = "; not checked: ";
constexpr std::string_view kStale = "; stale: ";

// "yes" or "no"; anything else is not a mark.
bool yesNo(const std::string& text, bool& value) {
    value = text == "yes";
    return value || text == "no";
}

std::string joined(const std::vector<std::string>& points) {
    std::string text;
    for (const std::string& point : points) text += (text.empty() ? "" : ", ") + point;
    return text;
}

// The points listed after `label` up to the next "; ".
void pointsAfter(std::string_view summary, std::string_view label, std::set<std::string>& points) {
    std::size_t at = summary.find(label);
    if (at == std::string_view::npos) return;
    std::string_view list = summary.substr(at + label.size());
    list = list.substr(0, list.find("; "));
    while (!list.empty()) {
        std::size_t comma = list.find(", ");
        points.emplace(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 2);
    }
}

}  // namespace

std::string checkoutMarksCsv(const std::vector<CheckoutMark>& marks) {
    std::string text = csv::formatRecord(kHeader);
    for (const CheckoutMark& m : marks)
        text += csv::formatRecord(
            {m.point, m.object, m.name, m.value, m.readAt, m.stale ? "yes" : "no", m.checked ? "yes" : "no"});
    return text;
}

core::Result<std::vector<CheckoutMark>> readCheckoutMarks(std::string_view text) {
    using Refusal = core::Unexpected<std::string>;
    auto parsed = csv::parse(text);
    if (!parsed) return Refusal(csv::describe(parsed.error()));
    const auto& records = parsed->records;
    if (records.empty() || records.front() != kHeader)
        return Refusal("is not a checkout's marks (its header is not point,object,name,value,read at,stale,checked)");
    std::vector<CheckoutMark> marks;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const csv::Record& f = records[r];
        CheckoutMark mark;
        if (f.size() != kHeader.size() || !yesNo(f[5], mark.stale) || !yesNo(f[6], mark.checked))
            return Refusal("line " + std::to_string(parsed->lines[r]) + " is not a point's mark (7 fields, stale and " +
                           "checked yes or no)");
        mark.point = f[0], mark.object = f[1], mark.name = f[2], mark.value = f[3], mark.readAt = f[4];
        marks.push_back(std::move(mark));
    }
    return marks;
}

std::string checkoutSummary(const std::vector<CheckoutMark>& marks) {
    std::vector<std::string> unchecked, stale;
    std::string lastRead;  // the wall time sorts as text
    for (const CheckoutMark& m : marks) {
        if (!m.checked) unchecked.push_back(m.point);
        if (m.stale) stale.push_back(m.point);
        if (m.readAt > lastRead) lastRead = m.readAt;
    }
    std::string summary = std::to_string(marks.size() - unchecked.size()) + " of " + std::to_string(marks.size()) +
                          " checked" + (lastRead.empty() ? "" : ", last read " + lastRead);
    if (!unchecked.empty()) summary += std::string(kNotChecked) + joined(unchecked);
    if (!stale.empty()) summary += std::string(kStale) + joined(stale);
    return summary;
}

bool checkoutStateOf(std::string_view summary, CheckoutState& state) {
    if (summary.find(" checked") == std::string_view::npos) return false;
    pointsAfter(summary, kNotChecked, state.unchecked);
    pointsAfter(summary, kStale, state.stale);
    return true;
}

}  // namespace vaskiro::commission
