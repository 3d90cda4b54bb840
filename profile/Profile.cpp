#include "profile/Profile.h"

#include "core/HexText.h"
#include "core/WireConstants.h"

#include <algorithm>

namespace {

using Kind = KeyKind;

std::string Quoted(const std::string& text) {
    return '"' + text + '"';
}

std::string Joined(ChoiceItems items, bool quote) {
    std::string out;
    for (const std::string item : items) {
        out += out.empty() ? "" : ", ";
        out += quote ? Quoted(item) : item;
    }
    return out;
}

bool IsListedNumber(ProfileKey key, std::int32_t number) {
    const ChoiceItems items = Info(key).items;
    const std::string text = std::to_string(number);
    return std::find(items.begin(), items.end(), text) != items.end();
}

ProfileValue AffixFromField(std::int32_t length, const AffixField& field) {
    const auto n = static_cast<std::size_t>(std::clamp<std::int32_t>(length, 0, WIRE_FIELD_LEN));
    Bytes bytes(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(n));
    const bool text = IsPrintableAscii(bytes);
    return ProfileValue::Affix(std::move(bytes), text);
}

} // namespace

std::span<const KeyInfo> ProfileKeys() {
    return key_table::ROWS;
}

const KeyInfo& Info(ProfileKey key) {
    return key_table::ROWS[static_cast<std::size_t>(key)];
}

std::optional<ProfileKey> FindKey(std::string_view name) {
    for (const KeyInfo& info : ProfileKeys()) {
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

AffixSpelling SpellAffix(const AffixValue& affix) {
    if (affix.text && IsPrintableAscii(affix.bytes)) {
        return {true, std::string(affix.bytes.begin(), affix.bytes.end())};
    }
    return {false, HexText(affix.bytes, HexDigits::Lower, false)};
}

std::string AllowedValuesText(ProfileKey key) {
    const KeyInfo& info = Info(key);
    switch (info.kind) {
    case Kind::List:
        return Joined(info.items, true);
    case Kind::Integer:
        if (info.listed) {
            return Joined(info.items, false);
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
        const auto count = static_cast<std::int32_t>(info.items.size());
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
        const ChoiceItems items = Info(key).items;
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
    const AffixSpelling spelled = SpellAffix(value.affix);
    return (spelled.text ? "text:" : "hex:") + spelled.chars;
}

std::optional<ProfileValue> ReaderValue(ProfileKey key, const SerialParamRecord& record) {
    const RecordPlace& place = Info(key).reported;
    if (place.affix) {
        return AffixFromField(record.*place.number, record.*place.affix);
    }
    if (place.byte) {
        return ProfileValue::Number(record.*place.byte);
    }
    if (place.number) {
        return ProfileValue::Number(record.*place.number);
    }
    return std::nullopt;
}

ReaderProfile ProfileFromRecord(const SerialParamRecord& record) {
    ReaderProfile out;
    for (const KeyInfo& info : ProfileKeys()) {
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
