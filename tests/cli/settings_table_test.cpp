// Every setting's limits, as `set` and the worklist take them, from one table.
#include <gtest/gtest.h>

#include "../setting_edges.h"
#include "cli/worklist.h"

using namespace vaskiro;

TEST(SettingsTable, EveryLimitHoldsAlikeInSetAndTheWorklist) {
    config::ConfigurationImage base;
    base.SetDefaults();
    for (const core::Setting& setting : core::allSettings()) {
        std::string verdicts;
        for (const SettingEdge& edge : kSettingEdges) {
            if (!edge.covers(setting.key)) continue;
            const bool taken = (verdicts += edge.verdicts[0]).back() == 'y';
            const std::string what = setting.key + "=" + edge.value;
            config::ConfigurationImage set = base;  // as `set` and `write --set` take each KEY=VALUE
            const auto assigned = core::assignSetting(set, what);
            const auto list = cli::readWorklist(setting.key + "\n" + edge.value + "\n", base);
            ASSERT_EQ(std::pair(assigned.has_value(), list.has_value()), std::pair(taken, taken)) << what;
            EXPECT_TRUE(set == (taken ? list->rows[0].image : base)) << what;  // a refusal changes nothing
            // Nothing changes outside the setting's place.
            for (std::size_t i = 0; taken && i < config::kImageSize; ++i)
                EXPECT_TRUE(i - setting.place.offset < setting.place.size || set.bytes()[i] == base.bytes()[i]) << i;
        }
        EXPECT_TRUE(verdicts.find('y') != verdicts.npos && verdicts.find('n') != verdicts.npos) << setting.key;
    }
}
