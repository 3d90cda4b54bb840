// A reader as the profile tests meet it, field by field: RS232 out, 8H10D cards, Enter without
// line feed, 9600 8N1, ASCII QR output, 24-hour reset, common mode, horn closed, detect the
// light, barcode "QR:" and CR LF around the code, card prefix "ID", WG 2000/400 in order.
#pragma once

#include "profile/Profile.h"
#include "serial/SerialParamRecord.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

inline SerialParamRecord SampleReader() {
    SerialParamRecord r;
    r.outputFormat = 2;
    r.cardInputFormat = 2;
    r.hidEnter = 1;
    r.lineFeed = 0;
    r.baudRate = 9600;
    r.dataBits = 8;
    r.stopBits = 1;
    r.parity = 2;
    r.qrOutputFormat = 0;
    r.resetInterval = 2;
    r.workingMode = 0;
    r.horn = 0;
    r.light = 2;
    r.barcodePrefixLen = 3;
    r.barcodePrefix = {'Q', 'R', ':'};
    // A CR LF inside the record: the parameter reply must not end there.
    r.barcodeSuffixLen = 2;
    r.barcodeSuffix = {0x0D, 0x0A};
    r.cardPrefixLen = 2;
    r.cardPrefix = {'I', 'D'};
    r.cardSuffixLen = 0;
    r.wgHighPulse = 2000;
    r.wgLowPulse = 400;
    r.wgOutputOrder = 0;
    r.cardNumberFormat = 0;
    r.startBit = 0;
    return r;
}

// The reader's answer to the parameter query.
inline std::vector<std::uint8_t> ParamReplyBytes(const SerialParamRecord& record) {
    const auto reply = BuildParamReply(record);
    return {reply.begin(), reply.end()};
}

inline ProfileValue Item(std::int32_t n) {
    return ProfileValue::Number(n);
}

inline ProfileValue Text(std::string_view text) {
    return ProfileValue::Affix(Bytes(text.begin(), text.end()), true);
}

inline Profile MakeProfile(std::initializer_list<std::pair<ProfileKey, ProfileValue>> settings) {
    Profile profile;
    for (const auto& [key, value] : settings) {
        profile.Set(key, value);
    }
    return profile;
}
