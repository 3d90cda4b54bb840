// Which setting commands bring a reader to a profile, and the frame of each: the frame the
// dialog's "Set up" button sends for the same values.
#pragma once

#include "profile/Profile.h"

#include <string>
#include <vector>

struct PlannedCommand {
    std::uint8_t cmdId = 0;
    std::vector<ProfileKey> keys; // the profile's keys it carries
    Bytes frame;
};

struct Plan {
    std::vector<PlannedCommand> commands; // in sending order, serial parameters last
    std::string error;                    // set when no plan can be made; nothing is to be sent
};

// A command goes out when a profile key it carries differs from the reader (or, with sendAll,
// whenever the profile has one of its keys); the card affix command whenever the profile has a
// card output format, since that cannot be read back. Fields the profile leaves out keep what
// the reader reported.
Plan MakePlan(const Profile& profile, const SerialParamRecord& reader, bool sendAll);

// The parameter query, 05 01 04 0A.
Bytes ParamQueryFrame();
