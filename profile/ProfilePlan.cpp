#include "profile/ProfilePlan.h"

#include "core/Frame.h"
#include "profile/ProfileLists.h"

#include <algorithm>

namespace {

using K = ProfileKey;

// Any affix format but hexadecimal takes the bytes as they stand: all 31 of them fit.
constexpr int AFFIX_AS_TYPED = 1;

struct CommandKeys {
    std::uint8_t cmdId;
    std::vector<ProfileKey> keys; // every field of its payload
};

// Serial parameters last: the reader switches to them after its reply.
const std::vector<CommandKeys>& Commands() {
    static const std::vector<CommandKeys> commands = {
        {CMD_OUTPUT_FORMAT, {K::OutputFormat}},
        {CMD_CARD_INPUT_FORMAT, {K::CardInputFormat}},
        {CMD_ENTER_LINE_FEED, {K::Enter, K::LineFeed}},
        {CMD_RESET_INTERVAL, {K::ResetInterval}},
        {CMD_WORKING_MODE, {K::WorkingMode}},
        {CMD_HORN, {K::Horn}},
        {CMD_LIGHT, {K::Light}},
        {CMD_BARCODE_PREFIX, {K::BarcodePrefix}},
        {CMD_BARCODE_SUFFIX, {K::BarcodeSuffix}},
        {CMD_CARD_AFFIX, {K::CardOutputFormat, K::CardPrefix, K::CardSuffix}},
        {CMD_WIEGAND_TIMING, {K::WiegandHighPulse, K::WiegandLowPulse, K::WiegandOutputOrder}},
        {CMD_QR_CODE, {K::CardNumberFormat, K::StartBit}},
        {CMD_SERIAL_PARAMS, {K::BaudRate, K::DataBits, K::StopBits, K::Parity, K::QrOutputFormat}},
    };
    return commands;
}

// The value a field goes out with: the profile's, else the reader's.
class Fields {
public:
    Fields(const Profile& profile, const SerialParamRecord& reader)
        : m_profile(profile), m_reader(reader) {}

    ProfileValue Value(ProfileKey key) const {
        if (const auto& v = m_profile.Get(key)) {
            return *v;
        }
        return ReaderValue(key, m_reader).value_or(ProfileValue{});
    }
    int Index(ProfileKey key) const { return Value(key).number; }
    std::string Text(ProfileKey key) const { return std::to_string(Value(key).number); }
    std::string AffixBytes(ProfileKey key) const {
        const Bytes bytes = Value(key).affix.bytes;
        return std::string(bytes.begin(), bytes.end());
    }

private:
    const Profile& m_profile;
    const SerialParamRecord& m_reader;
};

Bytes Payload(std::uint8_t cmdId, const Fields& f) {
    switch (cmdId) {
    case CMD_ENTER_LINE_FEED:
        return IndexPayload({f.Index(K::Enter), f.Index(K::LineFeed)});
    case CMD_BARCODE_PREFIX:
        return AffixPayload(AFFIX_AS_TYPED, f.AffixBytes(K::BarcodePrefix));
    case CMD_BARCODE_SUFFIX:
        return AffixPayload(AFFIX_AS_TYPED, f.AffixBytes(K::BarcodeSuffix));
    case CMD_CARD_AFFIX:
        return CardAffixPayload(AFFIX_AS_TYPED, f.Index(K::CardOutputFormat),
                                f.AffixBytes(K::CardPrefix), f.AffixBytes(K::CardSuffix));
    case CMD_WIEGAND_TIMING:
        return WiegandPayload(f.Value(K::WiegandHighPulse).number,
                              f.Value(K::WiegandLowPulse).number, f.Index(K::WiegandOutputOrder));
    case CMD_QR_CODE:
        return IndexPayload({f.Index(K::CardNumberFormat), f.Index(K::StartBit)});
    case CMD_SERIAL_PARAMS:
        return SerialParamsPayload(f.Text(K::BaudRate), f.Text(K::DataBits), f.Text(K::StopBits),
                                   f.Index(K::Parity), f.Index(K::QrOutputFormat));
    default:
        break;
    }
    // The single-list commands.
    for (const KeyInfo& info : ProfileKeys()) {
        if (info.cmdId == cmdId) {
            return IndexPayload({f.Index(info.key)});
        }
    }
    return {};
}

Bytes Frame(std::uint8_t cmdId, std::span<const std::uint8_t> payload) {
    MspSendCmd_t header;
    BuildCmdHeader(header, cmdId, payload.size());
    return BuildSerialFrame(header, payload);
}

// ": \"hex\" or \"ASCII\"", from the list itself.
std::string AllowedCardFormats() {
    std::string text;
    const auto& items = KeyListItems(K::CardOutputFormat);
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += i == 0 ? ": \"" : (i + 1 == items.size() ? "\" or \"" : "\", \"");
        text += items[i];
    }
    return items.empty() ? text : text + "\"";
}

} // namespace

Bytes ParamQueryFrame() {
    return Frame(CMD_GET_PARAM, {});
}

Plan MakePlan(const Profile& profile, const SerialParamRecord& reader, bool sendAll) {
    Plan plan;
    const Fields fields(profile, reader);
    for (const CommandKeys& command : Commands()) {
        PlannedCommand planned{command.cmdId, {}, {}};
        bool needed = false;
        for (const ProfileKey key : command.keys) {
            const auto& value = profile.Get(key);
            if (!value) {
                continue;
            }
            planned.keys.push_back(key);
            const auto reported = ReaderValue(key, reader);
            needed = needed || sendAll || !reported || *reported != *value;
        }
        if (!needed) {
            continue;
        }
        if (command.cmdId == CMD_CARD_AFFIX && !profile.Has(K::CardOutputFormat)) {
            // Sending the affixes also sets the output format, which no reader reports: the
            // profile must say which one.
            plan.commands.clear();
            plan.error = std::string(Info(planned.keys.front()).name) +
                         ": the card affix command also sets card_output_format, which the "
                         "reader does not report; add card_output_format to the profile" +
                         AllowedCardFormats();
            return plan;
        }
        planned.frame = Frame(command.cmdId, Payload(command.cmdId, fields));
        plan.commands.push_back(std::move(planned));
    }
    return plan;
}
