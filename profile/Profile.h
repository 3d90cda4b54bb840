// A profile: named reader settings, each one value of the serial parameter record (plus the card
// output format, which only the card affix command carries), any subset of them present.
#pragma once

#include "profile/KeyTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int PROFILE_VERSION = 1;

// Every key, in file order.
std::span<const KeyInfo> ProfileKeys();
const KeyInfo& Info(ProfileKey key);
std::optional<ProfileKey> FindKey(std::string_view name);

struct AffixValue {
    Bytes bytes;
    bool text = false; // given (or best written) as text rather than hexadecimal
};

struct ProfileValue {
    std::int32_t number = 0; // List: item position; Integer: the number
    AffixValue affix;        // Affix keys only

    static ProfileValue Number(std::int32_t n) { return {n, {}}; }
    static ProfileValue Affix(Bytes bytes, bool text) { return {0, {std::move(bytes), text}}; }
    // How an affix was given does not make it a different value.
    friend bool operator==(const ProfileValue& a, const ProfileValue& b) {
        return a.number == b.number && a.affix.bytes == b.affix.bytes;
    }
};

struct Profile {
    std::optional<std::string> description;
    std::array<std::optional<ProfileValue>, PROFILE_KEY_COUNT> settings;

    const std::optional<ProfileValue>& Get(ProfileKey key) const {
        return settings[static_cast<std::size_t>(key)];
    }
    void Set(ProfileKey key, ProfileValue value) {
        settings[static_cast<std::size_t>(key)] = std::move(value);
    }
    bool Has(ProfileKey key) const { return Get(key).has_value(); }
};

// How files, tessaroctl and ValueText write an affix: as text ("QR:") while it was given as text
// and every byte is printable ASCII, otherwise as lower-case hexadecimal pairs ("0d0a").
struct AffixSpelling {
    bool text = false;
    std::string chars;
};
AffixSpelling SpellAffix(const AffixValue& affix);

// Why a value cannot stand for its key, naming the key; empty when it can.
std::string CheckValue(ProfileKey key, const ProfileValue& value);

// The value as people read it: a list item's text, a number, "text:QR:" or "hex:0d0a".
std::string ValueText(ProfileKey key, const ProfileValue& value);
// "Close", "Open" for a list; 4800, 9600, ... for a listed number; the range otherwise.
std::string AllowedValuesText(ProfileKey key);

bool IsPrintableAscii(std::span<const std::uint8_t> bytes);

// The value a reader reports for a key; none for the card output format, which it does not.
// Affixes are the record's length in bytes (0 to 32) of their field.
std::optional<ProfileValue> ReaderValue(ProfileKey key, const SerialParamRecord& record);

struct ReaderProfile {
    Profile profile;
    // Values the reader reported that no profile can hold (an index beyond its list, a speed
    // not in the list), one message each; their keys are left out.
    std::vector<std::string> skipped;
};
// Every key a reader reports, its affixes as text where they are printable.
ReaderProfile ProfileFromRecord(const SerialParamRecord& record);
