// The control catalogue's switching tables, and the settings text a profile run reopens with.
#include "ui/ControlCatalog.h"
#include "ui/ProfileRun.h"

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

// A profile that changes the framing reopens the serial control with these.
TEST(ReopenSettingsText, EveryParityAndStopBits) {
    using P = CommParity;
    using S = CommStopBits;
    const struct {
        CommSettings settings;
        const char* text;
    } rows[] = {
        {{19200, P::Even, 8, S::One}, "19200,e,8,1"},
        {{9600, P::None, 8, S::Two}, "9600,n,8,2"},
        {{115200, P::Odd, 7, S::OneAndHalf}, "115200,o,7,1.5"},
        {{4800, P::Mark, 5, S::One}, "4800,m,5,1"},
        {{14400, P::Space, 6, S::Two}, "14400,s,6,2"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CommSettingsText(row.settings).toStdString(), row.text);
    }
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
