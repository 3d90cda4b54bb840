#include "profile/ProfilePlan.h"

#include "core/Frame.h"

#include <algorithm>

namespace {

using K = ProfileKey;

// Any affix format but hexadecimal takes the bytes as they stand: all 31 of them fit.
constexpr int AFFIX_AS_TYPED = 1;

struct CommandKeys {
    std::uint8_t cmdId;
    std::vector<ProfileKey> keys; // every field of its payload, in payload order
};

// The commands in the order their first key comes in the key table, serial parameters last: the
// reader switches to them after its reply.
const std::vector<CommandKeys>& Commands() {
    static const std::vector<CommandKeys> commands = [] {
        std::vector<CommandKeys> out;
        for (const KeyInfo& info : ProfileKeys()) {
            auto command = std::find_if(out.begin(), out.end(), [&](const CommandKeys& c) {
                return c.cmdId == info.cmdId;
            });
            if (command == out.end()) {
                command = out.insert(out.end(), {info.cmdId, {}});
            }
            command->keys.push_back(info.key);
        }
        for (CommandKeys& command : out) {
            std::sort(command.keys.begin(), command.keys.end(),
                      [](ProfileKey a, ProfileKey b) { return Info(a).field < Info(b).field; });
        }
        std::stable_partition(out.begin(), out.end(),
                              [](const CommandKeys& c) { return c.cmdId != CMD_SERIAL_PARAMS; });
        return out;
    }();
    return commands;
}

// The value a field goes out with: the profile's, else the reader's.
ProfileValue FieldValue(ProfileKey key, const Profile& profile, const SerialParamRecord& reader) {
    if (const auto& v = profile.Get(key)) {
        return *v;
    }
    return ReaderValue(key, reader).value_or(ProfileValue{});
}

std::string AffixBytes(const ProfileValue& value) {
    return std::string(value.affix.bytes.begin(), value.affix.bytes.end());
}

// The payload of a command from its fields' values, in payload order. Unless the command says
// otherwise, each field is one byte: its list position (or number, for the start bit).
Bytes Payload(std::uint8_t cmdId, const std::vector<ProfileValue>& f) {
    switch (cmdId) {
    case CMD_BARCODE_PREFIX:
    case CMD_BARCODE_SUFFIX:
        return AffixPayload(AFFIX_AS_TYPED, AffixBytes(f[0]));
    case CMD_CARD_AFFIX:
        return CardAffixPayload(AFFIX_AS_TYPED, f[0].number, AffixBytes(f[1]), AffixBytes(f[2]));
    case CMD_WIEGAND_TIMING:
        return WiegandPayload(f[0].number, f[1].number, f[2].number);
    case CMD_SERIAL_PARAMS:
        return SerialParamsPayload(std::to_string(f[0].number), std::to_string(f[1].number),
                                   std::to_string(f[2].number), f[3].number, f[4].number);
    default:
        break;
    }
    Bytes payload;
    for (const ProfileValue& value : f) {
        payload.push_back(ListIndexByte(value.number));
    }
    return payload;
}

// ": \"hex\" or \"ASCII\"", from the list itself.
std::string AllowedCardFormats() {
    std::string text;
    const ChoiceItems items = Info(K::CardOutputFormat).items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += i == 0 ? ": \"" : (i + 1 == items.size() ? "\" or \"" : "\", \"");
        text += items[i];
    }
    return items.empty() ? text : text + "\"";
}

} // namespace

Bytes ParamQueryFrame() {
    return SerialFrame(CMD_GET_PARAM, {});
}

Plan MakePlan(const Profile& profile, const SerialParamRecord& reader, bool sendAll) {
    Plan plan;
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
        std::vector<ProfileValue> fields;
        for (const ProfileKey key : command.keys) {
            fields.push_back(FieldValue(key, profile, reader));
        }
        planned.frame = SerialFrame(command.cmdId, Payload(command.cmdId, fields));
        plan.commands.push_back(std::move(planned));
    }
    return plan;
}
