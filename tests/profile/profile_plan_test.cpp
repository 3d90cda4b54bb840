// The commands a profile calls for against a reader, frames worked by hand from the payload
// layouts (sync, command, payload + 4, 8-bit sum, payload).
#include "tests/support/HexBytes.h"
#include "tests/support/ProfileFixtures.h"

#include "profile/ProfilePlan.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using K = ProfileKey;

struct PlanCase {
    const char* name;
    Profile profile;
    bool sendAll;
    std::vector<const char*> frames;
    const char* error = "";
};

// Rows print as their names, in failures and in test lists.
void PrintTo(const PlanCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfilePlanRows : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ProfilePlanRows, Frames) {
    const PlanCase& c = GetParam();
    const Plan plan = MakePlan(c.profile, SampleReader(), c.sendAll);
    EXPECT_EQ(plan.error, c.error);
    std::vector<Bytes> frames;
    for (const PlannedCommand& command : plan.commands) {
        frames.push_back(command.frame);
    }
    std::vector<Bytes> expected;
    for (const char* frame : c.frames) {
        expected.push_back(HexBytes(frame));
    }
    EXPECT_EQ(frames, expected);
}

INSTANTIATE_TEST_SUITE_P(
    AgainstSampleReader, ProfilePlanRows,
    ::testing::Values(
        PlanCase{"HornOpen", MakeProfile({{K::Horn, Item(1)}}), false, {"05 16 05 21 01"}},
        PlanCase{"HornAsReaderHasIt", MakeProfile({{K::Horn, Item(0)}}), false, {}},
        PlanCase{
            "SendAllSendsEqualValues", MakeProfile({{K::Horn, Item(0)}}), true, {"05 16 05 20 00"}},
        PlanCase{"EnterAloneKeepsReadersLineFeed",
                 MakeProfile({{K::Enter, Item(0)}}),
                 false,
                 {"05 0A 06 15 00 00"}},
        PlanCase{"LineFeedAloneKeepsReadersEnter",
                 MakeProfile({{K::LineFeed, Item(1)}}),
                 false,
                 {"05 0A 06 17 01 01"}},
        PlanCase{"BaudKeepsReadersFraming",
                 MakeProfile({{K::BaudRate, Item(19200)}}),
                 false,
                 {"05 26 0C 8D 00 4B 00 00 08 01 02 00"}},
        PlanCase{"SerialParamsLast",
                 MakeProfile({{K::Parity, Item(0)}, {K::Horn, Item(1)}, {K::Light, Item(1)}}),
                 false,
                 {"05 16 05 21 01", "05 10 05 1B 01", "05 26 0C E5 80 25 00 00 08 01 00 00"}},
        PlanCase{"BarcodePrefixOf31BytesWhole",
                 MakeProfile({{K::BarcodePrefix, Text("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234")}}),
                 false,
                 {"05 0C 24 2D 1F 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53 54 55 "
                  "56 57 58 59 5A 30 31 32 33 34"}},
        // The reader's printable "QR:" written as hexadecimal is the same prefix.
        PlanCase{"BarcodePrefixAsHexAsReaderHasIt",
                 MakeProfile({{K::BarcodePrefix, ProfileValue::Affix({0x51, 0x52, 0x3A}, false)}}),
                 false,
                 {}},
        PlanCase{"EmptyBarcodeSuffix",
                 MakeProfile({{K::BarcodeSuffix, Text("")}}),
                 false,
                 {"05 0E 05 18 00"}},
        PlanCase{"CardOutputFormatAlwaysSent",
                 MakeProfile({{K::CardOutputFormat, Item(1)}}),
                 false,
                 {"05 2C 09 CA 01 02 49 44 00"}},
        PlanCase{"CardPrefixNeedsOutputFormat",
                 MakeProfile({{K::CardPrefix, Text("AB")}}),
                 false,
                 {},
                 "card_prefix: the card affix command also sets card_output_format, which the "
                 "reader does not report; add card_output_format to the profile: \"hex\" or "
                 "\"ASCII\""},
        PlanCase{"LowPulseKeepsReadersHighPulse",
                 MakeProfile({{K::WiegandLowPulse, Item(500)}}),
                 false,
                 {"05 1C 0D FA D0 07 00 00 F4 01 00 00 00"}},
        PlanCase{"StartBit", MakeProfile({{K::StartBit, Item(5)}}), false, {"05 2A 06 3A 00 05"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfilePlanRows, CommandsNameTheProfileKeysTheyCarry) {
    const Plan plan =
        MakePlan(MakeProfile({{K::WiegandLowPulse, Item(500)}, {K::WiegandOutputOrder, Item(0)}}),
                 SampleReader(), false);
    ASSERT_EQ(plan.commands.size(), 1u);
    EXPECT_EQ(plan.commands[0].keys,
              (std::vector<ProfileKey>{K::WiegandLowPulse, K::WiegandOutputOrder}));
}

} // namespace
