// Every setting's limits, as `set` and the worklist take them, from one table.

#include <limits>
#include <map>
#include <nlohmann/json.hpp>

#include "../setting_edges.h"
#include "commission/json_form.h"
#include "cli/point_lines.h"
#include "commission/worklist.h"
#include "tool_run.h"

using namespace vaskiro;

TEST(SettingsTable, EveryLimitHoldsAlikeInSetAndTheWorklist) {
    core::ConfigurationImage base;
    base.SetDefaults();
    for (const core::Setting& setting : core::allSettings()) {
        std::string verdicts;
        for (const SettingEdge& edge : kSettingEdges) {
            if (!edge.covers(setting.key)) continue;
            const bool taken = (verdicts += edge.verdicts[0]).back() == 'y';
            const std::string what = setting.key + "=" + edge.value;
            core::ConfigurationImage set = base;  // as `set` and `write --set` take each KEY=VALUE
            const auto assigned = core::assignSetting(set, what);
            const auto list = commission::readWorklist(setting.key + "\n" + edge.value + "\n", base);
            ASSERT_EQ(std::pair(assigned.has_value(), list.has_value()), std::pair(taken, taken)) << what;
            EXPECT_TRUE(set == (taken ? list->rows[0].image : base)) << what;  // a refusal changes nothing
            // Nothing changes outside the setting's place.
            for (std::size_t i = 0; taken && i < core::kImageSize; ++i)
                EXPECT_TRUE(i - setting.place.offset < setting.place.size || set.bytes()[i] == base.bytes()[i]) << i;
        }
        EXPECT_TRUE(verdicts.find('y') != verdicts.npos && verdicts.find('n') != verdicts.npos) << setting.key;
    }
}

// The window takes more than the tool only here, on purpose: it reads the identifier as any signed 32-bit
// number, not only as a device instance; its edits hold 24 characters of the object's texts where the device
// keeps 23; and its edits take a negative COV increment. Octets it reads as numbers (04 is 4, see kSettingEdges).
TEST(SettingsTable, TheWindowTakesMoreOnlyWhereItSaysSo) {
    std::map<std::string, std::pair<double, double>> looser;
    for (const core::Setting& s : core::allSettings())
        if (s.window.takes.low != s.limits.low || s.window.takes.high != s.limits.high)
            looser[s.key.substr(0, s.key.find('.'))] = {s.window.takes.low, s.window.takes.high};
    const double single = std::numeric_limits<float>::max();
    EXPECT_EQ(looser, (decltype(looser){{"object-id", {0, 2147483647}},
                                        {"name", {0, 24}},
                                        {"location", {0, 24}},
                                        {"description", {0, 24}},
                                        {"analogue-cov", {-single, single}}}));
}

namespace {

// One kind of value: each value taken (`refusal` empty) or refused with a message holding `refusal`.
struct Rule {
    std::string key, value, refusal;
};

// KEY=VALUE as JSON takes it: the value, as a string, in its place in an export of `base`.
core::Result<core::ConfigurationImage> throughJson(const core::ConfigurationImage& base, const Rule& rule) {
    auto root = nlohmann::ordered_json::parse(commission::exportJson(base));
    const auto dot = rule.key.find('.');
    const std::string family = rule.key.substr(0, dot), member = family.substr(family.find('-') + 1);
    const std::map<std::string, std::string> lists = {
        {"input", "inputs"}, {"output", "outputs"}, {"analogue", "analogues"}};
    if (dot == std::string::npos)
        root["general"][rule.key] = rule.value;
    else
        root[lists.at(family.substr(0, family.find('-')))][std::stoi(rule.key.substr(dot + 1)) - 1][member] =
            rule.value;
    return commission::importJson(root.dump());
}

void expectOneRule(const std::vector<Rule>& rules) {
    core::ConfigurationImage base;
    base.SetDefaults();
    for (const Rule& rule : rules) {
        core::ConfigurationImage set = base;
        const auto assigned = core::assignSetting(set, rule.key + "=" + rule.value);
        const auto list = commission::readWorklist(rule.key + "\n\"" + rule.value + "\"\n", base);
        const auto json = throughJson(base, rule);
        const bool taken = rule.refusal.empty();
        ASSERT_EQ(std::tuple(assigned.has_value(), list.has_value(), json.has_value()), std::tuple(taken, taken, taken))
            << rule.key << "=" << rule.value;
        if (taken) {
            EXPECT_TRUE(set == list->rows[0].image && set == *json) << rule.key << "=" << rule.value;
            continue;
        }
        for (const std::string& message : {assigned.error(), list.error()[0], json.error()})
            EXPECT_TRUE(holds(message, rule.refusal));
    }
}

const std::string kZeros = "must be written without leading zeros";

}  // namespace

TEST(SettingValues, NumbersRefuseLeadingZerosSignsAndHexAlike) {
    expectOneRule({Rule{"port", "47808", ""}, Rule{"port", "047808", kZeros}, Rule{"object-id", "00012", kZeros},
                   Rule{"analogue-unit.1", "062", kZeros},
                   Rule{"port", "+5", "from 0 to 65535, in decimal digits only"},
                   Rule{"object-id", "-0", "in decimal digits only"}, Rule{"port", "0x10", "in decimal digits only"},
                   Rule{"port", " 5", "in decimal digits only"}, Rule{"analogue-scaling.1", "-0.5", ""},
                   Rule{"analogue-scaling.1", "+1", "must be a finite decimal number"},
                   Rule{"analogue-scaling.1", "01.5", kZeros},
                   Rule{"analogue-scaling.1", "0x1p3", "must be a finite decimal number"},
                   Rule{"analogue-scaling.1", "1e-05", ""}, Rule{"analogue-cov.1", "0", ""},
                   Rule{"analogue-cov.1", "-1", "must not be negative"}});
}

TEST(SettingValues, OnAndOffTakeTheSameWordsInAnyCaseEverywhere) {
    expectOneRule({Rule{"dhcp", "ON", ""}, Rule{"input-invert.3", "Yes", ""}, Rule{"output-start.16", "TRUE", ""},
                   Rule{"output-invert.1", "Off", ""}, Rule{"dhcp", "01", "must be on or off"},
                   Rule{"dhcp", "y", "must be on or off"}});
}

TEST(SettingValues, MasksAreOnesFromTheLeft) {
    expectOneRule({Rule{"mask", "255.254.0.0", ""}, Rule{"mask", "255.255.0.255", "ones from the left"},
                   Rule{"mask", "0.255.255.255", "ones from the left"}, Rule{"gateway", "255.255.0.255", ""}});
}

TEST(SettingValues, TextsArePrintableAndWhatTheDeviceKeeps) {
    expectOneRule({Rule{"location", std::string(24, 'x'), "the device keeps 23 characters; 24 given"},
                   Rule{"password", "thirteen-char", "the device keeps 12 characters; 13 given"},
                   Rule{"input-name.1", std::string(31, 'x'), "takes at most 30 characters; 31 given"},
                   Rule{"name", "Boiler\t2", "the control character \\t"},
                   Rule{"analogue-name.8", "\x1b[31mred", "the control character \\x1b"},
                   Rule{"description", "next\xC2\x85line", "the control character \\u0085"},
                   Rule{"name", "abc\xE2\x80\xAE", "cannot store"}, Rule{"name", "Caf\xC3\xA9 \xE2\x82\xAC", ""}});
}

// Each fault of a worklist, and where it is said to be.
TEST(WorklistFaults, SayWhereTheyAre) {
    core::ConfigurationImage base;
    base.SetDefaults();
    const struct {
        std::string text, said;  // `said` empty: taken
    } rows[] = {
        {"tag;analogue-cov.1;analogue-scaling.2\nA;0,5;-1,25\n", ""},
        {"tag,analogue-cov.1\nA,\"0,5\"\n", "row 1, column analogue-cov.1: must be a finite decimal number"},
        {"tag,ip,name\nA,10.0.0.1\n", "row 1 (line 2): has 2 fields, the header 3"},
        {"tag,ip\nA,10.0.0.1\nB,10.0.0.2\n", "row 2, object-id from the base: 12345 is also row 1's"},
        {"tag,object-id\nA,1\nB,2\n", "row 2, ip from the base: 192.168.0.6 is also row 1's"},
        {"tag,object-id,ip\nA,1,10.0.0.1\nB,1,10.0.0.2\n", "row 2, column object-id: 1 is also row 1's"},
        {"tag,name\nA,\"a\x1b]0;x\"\n", "(got 'a\\x1b]0;x')"},
        {"ta\xE2\x80\xAEg\n1\n", "header, column 1 'ta\\u202eg': not a setting key"},
    };
    for (const auto& row : rows) {
        const auto list = commission::readWorklist(row.text, base);
        ASSERT_EQ(list.has_value(), row.said.empty()) << row.text;
        if (!list) {
            EXPECT_NE(list.error()[0].find(row.said), std::string::npos) << list.error()[0];
        } else {
            EXPECT_EQ(list->rows[0].image.analogueValue(core::FloatGroup::COVIncrement, 1), 0.5f);
            EXPECT_EQ(list->rows[0].image.analogueValue(core::FloatGroup::AnalogueScaling, 2), -1.25f);
        }
    }
    core::ConfigurationImage wide = base;
    wide.setText(core::TextField::Location, std::string(24, 'x'));  // as the window saves it
    const auto fromBase = commission::readWorklist("tag\nA\n", wide);
    ASSERT_FALSE(fromBase);
    EXPECT_EQ(fromBase.error()[0], "row 1, location from the base: the device keeps 23 characters; 24 given");
}

// Names from a file or a device are escaped once where shown: by JSON in a JSON line, here in a text line.
TEST(ShownNames, AreEscapedOnceInTextAndInJson) {
    core::ConfigurationImage image;
    image.SetDefaults();
    image.setName(core::NameGroup::Input, 1, "Tab\there");
    const bacnet::Point point{.name = "Fan\xE2\x80\xAE"};
    const auto json = nlohmann::json::parse(cli::pointLine(point, image, "", true));
    EXPECT_EQ(std::pair(json["name"].get<std::string>(), json["name_on_device"].get<std::string>()),
              std::pair(std::string("Tab\there"), std::string("Fan\xE2\x80\xAE")));
    const std::string line = cli::pointLine(point, image, "", false);
    EXPECT_TRUE(holds(line, "\tTab\\there\t"));
    EXPECT_TRUE(holds(line, "on the device: Fan\\u202e"));
}
