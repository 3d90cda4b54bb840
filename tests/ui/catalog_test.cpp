// The control catalogue's switching tables.
#include "ui/ControlCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST(SettingButtons, EnableSwitchesGetCurrentParameterThenTheCommonSet) {
    const std::vector<int> expected = {1014, 1038, 1052, 1053, 1030, 1032, 1028, 1018, 1035,
                                       1027, 1019, 1021, 1024, 1060, 1065, 1066, 1080, 1075};
    EXPECT_EQ(SettingButtonsOrder(true), expected);
}

TEST(SettingButtons, DisableSwitchesNetworkSetUpBetweenWiegandAndOutputFormat) {
    const std::vector<int> expected = {1038, 1052, 1053, 1030, 1032, 1028, 1018, 1035, 1006,
                                       1027, 1019, 1021, 1024, 1060, 1065, 1066, 1080, 1075};
    EXPECT_EQ(SettingButtonsOrder(false), expected);
}

TEST(ControlFont, NineteenControlsInOrder) {
    const std::vector<int> expected = {1000, 1038, 1014, 1004, 1052, 1053, 1030, 1032, 1028, 1018,
                                       1035, 1006, 1027, 1019, 1021, 1024, 1065, 1066, 1060};
    const auto ids = ControlFontIds();
    EXPECT_EQ(std::vector<int>(ids.begin(), ids.end()), expected);
}

TEST(Catalogue, IdsAreUniqueAndHiddenGroupHoldsSeventeenControls) {
    std::vector<int> seen;
    int hidden = 0;
    for (const ControlSpec& spec : ControlCatalog()) {
        EXPECT_EQ(std::count(seen.begin(), seen.end(), spec.id), 0) << spec.id;
        seen.push_back(spec.id);
        hidden += spec.group == ControlGroup::Hidden ? 1 : 0;
        EXPECT_EQ(FindControlSpec(spec.id), &spec);
    }
    // 17 hidden controls; with their 14 labels that makes the 31 never shown.
    EXPECT_EQ(hidden, 17);
    EXPECT_EQ(FindControlSpec(4242), nullptr);
}

} // namespace
