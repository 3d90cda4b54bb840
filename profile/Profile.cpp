#include "profile/Profile.h"

#include "core/WireConstants.h"
#include "profile/ProfileLists.h"

#include <algorithm>

namespace {

using K = ProfileKey;
using Kind = KeyKind;

// Start bit item i reads "i", so its value is also the position the command sends.
constexpr std::int32_t START_BIT_MAX = 50;

const KeyInfo KEYS[] = {
    {K::OutputFormat, "output_format", Kind::List, CMD_OUTPUT_FORMAT, false},
    {K::CardInputFormat, "card_input_format", Kind::List, CMD_CARD_INPUT_FORMAT, false},
    {K::Enter, "enter", Kind::List, CMD_ENTER_LINE_FEED, false},
    {K::LineFeed, "line_feed", Kind::List, CMD_ENTER_LINE_FEED, false},
    {K::BaudRate, "baud_rate", Kind::Integer, CMD_SERIAL_PARAMS, true},
    {K::DataBits, "data_bits", Kind::Integer, CMD_SERIAL_PARAMS, true},
    {K::StopBits, "stop_bits", Kind::Integer, CMD_SERIAL_PARAMS, true},
    {K::Parity, "parity", Kind::List, CMD_SERIAL_PARAMS, false},
    {K::QrOutputFormat, "qr_output_format", Kind::List, CMD_SERIAL_PARAMS, false},
    {K::ResetInterval, "reset_interval", Kind::List, CMD_RESET_INTERVAL, false},
    {K::WorkingMode, "working_mode", Kind::List, CMD_WORKING_MODE, false},
    {K::Horn, "horn", Kind::List, CMD_HORN, false},
    {K::Light, "light", Kind::List, CMD_LIGHT, false},
    {K::BarcodePrefix, "barcode_prefix", Kind::Affix, CMD_BARCODE_PREFIX, false},
    {K::BarcodeSuffix, "barcode_suffix", Kind::Affix, CMD_BARCODE_SUFFIX, false},
    {K::CardPrefix, "card_prefix", Kind::Affix, CMD_CARD_AFFIX, false},
    {K::CardSuffix, "card_suffix", Kind::Affix, CMD_CARD_AFFIX, false},
    {K::CardOutputFormat, "card_output_format", Kind::List, CMD_CARD_AFFIX, false},
    {K::WiegandHighPulse, "wiegand_high_pulse_us", Kind::Integer, CMD_WIEGAND_TIMING, false,
     PULSE_MIN_US, PULSE_MAX_US},
    {K::WiegandLowPulse, "wiegand_low_pulse_us", Kind::Integer, CMD_WIEGAND_TIMING, false,
     PULSE_MIN_US, PULSE_MAX_US},
    {K::WiegandOutputOrder, "wiegand_output_order", Kind::List, CMD_WIEGAND_TIMING, false},
    {K::CardNumberFormat, "card_number_format", Kind::List, CMD_QR_CODE, false},
    {K::StartBit, "start_bit", Kind::Integer, CMD_QR_CODE, false, 0, START_BIT_MAX},
};
static_assert(std::size(KEYS) == PROFILE_KEY_COUNT);

std::string Quoted(const std::string& text) {
    return '"' + text + '"';
}

std::string Joined(const std::vector<std::string>& items, bool quote) {
    std::string out;
    for (const std::string& item : items) {
        out += out.empty() ? "" : ", ";
        out += quote ? Quoted(item) : item;
    }
    return out;
}

std::string HexText(std::span<const std::uint8_t> bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

bool IsListedNumber(ProfileKey key, std::int32_t number) {
    const auto& items = KeyListItems(key);
    return std::find(items.begin(), items.end(), std::to_string(number)) != items.end();
}

ProfileValue AffixFromField(std::int32_t length, const AffixField& field) {
    const auto n = static_cast<std::size_t>(std::clamp<std::int32_t>(length, 0, WIRE_FIELD_LEN));
    Bytes bytes(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(n));
    const bool text = IsPrintableAscii(bytes);
    return ProfileValue::Affix(std::move(bytes), text);
}

} // namespace

std::span<const KeyInfo> ProfileKeys() {
    return KEYS;
}

const KeyInfo& Info(ProfileKey key) {
    return KEYS[static_cast<std::size_t>(key)];
}

std::optional<ProfileKey> FindKey(std::string_view name) {
    for (const KeyInfo& info : KEYS) {
        if (name == info.name) {
            return info.key;
        }
    }
    return std::nullopt;
}

bool IsPrintableAscii(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](std::uint8_t b) { return b >= 0x20 && b < 0x7F; });
}

std::string AllowedValuesText(ProfileKey key) {
    const KeyInfo& info = Info(key);
    switch (info.kind) {
    case Kind::List:
        return Joined(KeyListItems(key), true);
    case Kind::Integer:
        if (info.listed) {
            return Joined(KeyListItems(key), false);
        }
        return std::to_string(info.min) + " to " + std::to_string(info.max);
    case Kind::Affix:
        break;
    }
    return "at most " + std::to_string(TEXT_MAX_BYTES) + " bytes";
}

std::string CheckValue(ProfileKey key, const ProfileValue& value) {
    const KeyInfo& info = Info(key);
    const std::string name = info.name;
    switch (info.kind) {
    case Kind::List: {
        const auto count = static_cast<std::int32_t>(KeyListItems(key).size());
        if (value.number < 0 || value.number >= count) {
            return name + ": item " + std::to_string(value.number) + " is not one of " +
                   AllowedValuesText(key);
        }
        return {};
    }
    case Kind::Integer:
        if (info.listed ? !IsListedNumber(key, value.number)
                        : value.number < info.min || value.number > info.max) {
            return name + ": " + std::to_string(value.number) +
                   (info.listed ? " is not one of " : " is outside ") + AllowedValuesText(key);
        }
        return {};
    case Kind::Affix:
        if (value.affix.bytes.size() > TEXT_MAX_BYTES) {
            return name + ": " + std::to_string(value.affix.bytes.size()) + " bytes, at most " +
                   std::to_string(TEXT_MAX_BYTES);
        }
        return {};
    }
    return {};
}

std::string ValueText(ProfileKey key, const ProfileValue& value) {
    switch (Info(key).kind) {
    case Kind::List: {
        const auto& items = KeyListItems(key);
        if (value.number >= 0 && static_cast<std::size_t>(value.number) < items.size()) {
            return items[static_cast<std::size_t>(value.number)];
        }
        return "item " + std::to_string(value.number);
    }
    case Kind::Integer:
        return std::to_string(value.number);
    case Kind::Affix:
        break;
    }
    const Bytes& bytes = value.affix.bytes;
    if (value.affix.text && IsPrintableAscii(bytes)) {
        return "text:" + std::string(bytes.begin(), bytes.end());
    }
    return "hex:" + HexText(bytes);
}

std::optional<ProfileValue> ReaderValue(ProfileKey key, const SerialParamRecord& r) {
    const auto n = [](std::int32_t v) { return std::optional(ProfileValue::Number(v)); };
    switch (key) {
    case K::OutputFormat:
        return n(r.outputFormat);
    case K::CardInputFormat:
        return n(r.cardInputFormat);
    case K::Enter:
        return n(r.hidEnter);
    case K::LineFeed:
        return n(r.lineFeed);
    case K::BaudRate:
        return n(r.baudRate);
    case K::DataBits:
        return n(r.dataBits);
    case K::StopBits:
        return n(r.stopBits);
    case K::Parity:
        return n(r.parity);
    case K::QrOutputFormat:
        return n(r.qrOutputFormat);
    case K::ResetInterval:
        return n(r.resetInterval);
    case K::WorkingMode:
        return n(r.workingMode);
    case K::Horn:
        return n(r.horn);
    case K::Light:
        return n(r.light);
    case K::BarcodePrefix:
        return AffixFromField(r.barcodePrefixLen, r.barcodePrefix);
    case K::BarcodeSuffix:
        return AffixFromField(r.barcodeSuffixLen, r.barcodeSuffix);
    case K::CardPrefix:
        return AffixFromField(r.cardPrefixLen, r.cardPrefix);
    case K::CardSuffix:
        return AffixFromField(r.cardSuffixLen, r.cardSuffix);
    case K::CardOutputFormat:
        return std::nullopt;
    case K::WiegandHighPulse:
        return n(r.wgHighPulse);
    case K::WiegandLowPulse:
        return n(r.wgLowPulse);
    case K::WiegandOutputOrder:
        return n(r.wgOutputOrder);
    case K::CardNumberFormat:
        return n(r.cardNumberFormat);
    case K::StartBit:
        return n(r.startBit);
    }
    return std::nullopt;
}

ReaderProfile ProfileFromRecord(const SerialParamRecord& record) {
    ReaderProfile out;
    for (const KeyInfo& info : KEYS) {
        const std::optional<ProfileValue> value = ReaderValue(info.key, record);
        if (!value) {
            continue;
        }
        if (std::string why = CheckValue(info.key, *value); !why.empty()) {
            out.skipped.push_back(std::move(why));
            continue;
        }
        out.profile.Set(info.key, *value);
    }
    return out;
}
