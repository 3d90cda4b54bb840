// Affix and box texts: the input is what a user typed (or a list item's text) and goes through
// the hexadecimal-pair and as-typed conversions, the affix payloads, the UTF-8 cut of the cloud
// fields and the number read from a list item.
#include "core/DebugTrace.h"
#include "fuzz/FuzzCheck.h"
#include "serial/SettingPayloads.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string>& Traces() {
    static std::vector<std::string> traces;
    return traces;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Byte k as "%2x" scans it from the C string that starts at character 2k. A pair that yields
// no value, or whose first character after the blanks is a sign, gives 0x00.
std::uint8_t ExpectedPair(std::string_view cut, std::size_t k) {
    const std::string rest(cut.substr(2 * k)); // zero-terminated, stops at an inner NUL too
    std::size_t pos = 0;
    while (pos < rest.size() && IsBlank(rest[pos])) {
        ++pos;
    }
    if (pos < rest.size() && (rest[pos] == '+' || rest[pos] == '-')) {
        return 0;
    }
    unsigned value = 0;
    if (std::sscanf(rest.c_str(), "%2x", &value) != 1) {
        return 0;
    }
    return static_cast<std::uint8_t>(value & 0xFF);
}

// Length of the UTF-8 sequence that starts at text[i] if it is a valid one, else 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
    const auto b = [&](std::size_t j) { return static_cast<unsigned char>(text[j]); };
    const unsigned char lead = b(i);
    std::size_t len = 0;
    unsigned lo = 0x80;
    unsigned hi = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        lo = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        hi = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + len > text.size() || b(i + 1) < lo || b(i + 1) > hi) {
        return 0;
    }
    for (std::size_t j = 2; j < len; ++j) {
        if (b(i + j) < 0x80 || b(i + j) > 0xBF) {
            return 0;
        }
    }
    return len;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = Utf8SequenceAt(text, i);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

void CheckCut(std::string_view text, std::size_t maxBytes) {
    const std::string_view cut = CutUtf8(text, maxBytes);
    FUZZ_CHECK(cut.size() <= maxBytes);
    FUZZ_CHECK(text.substr(0, cut.size()) == cut);
    if (text.size() <= maxBytes) {
        FUZZ_CHECK(cut.size() == text.size());
    }
    if (IsValidUtf8(text) && cut.size() < text.size()) {
        // Ends on a character boundary, and the next character would not have fitted.
        FUZZ_CHECK(IsValidUtf8(cut));
        const std::size_t next = Utf8SequenceAt(text, cut.size());
        FUZZ_CHECK(next != 0 && cut.size() + next > maxBytes);
    }
}

void CheckHexPairs(std::string_view text) {
    const std::string_view cut = text.substr(0, std::min<std::size_t>(text.size(), 31));
    Traces().clear();
    const Bytes bytes = HexPairs(text);
    // 31 characters at most give 15 bytes; a final odd character is dropped.
    FUZZ_CHECK(bytes.size() == cut.size() / 2);
    FUZZ_CHECK(bytes.size() <= 15);
    FUZZ_CHECK(Traces().size() == bytes.size());
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        FUZZ_CHECK(bytes[k] == ExpectedPair(cut, k));
        // A pair of two hex digits is exactly their value.
        if (IsHexDigit(cut[2 * k]) && IsHexDigit(cut[2 * k + 1])) {
            const char pair[3] = {cut[2 * k], cut[2 * k + 1], '\0'};
            FUZZ_CHECK(bytes[k] == std::strtoul(pair, nullptr, 16));
        }
        char trace[48];
        std::snprintf(trace, sizeof trace, "data[%zu]:0x%02x\n", k, unsigned(bytes[k]));
        FUZZ_CHECK(Traces()[k] == trace);
    }
}

void CheckTyped(std::string_view text) {
    const Bytes bytes = TextAsTyped(text);
    FUZZ_CHECK(bytes.size() == std::min<std::size_t>(text.size(), 31));
    FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), text.begin(),
                          [](std::uint8_t b, char c) { return b == std::uint8_t(c); }));
}

void CheckPayloads(std::string_view text, int formatIndex, int serialOutputIndex) {
    const bool hex = formatIndex == AFFIX_FORMAT_HEX;
    const Bytes affix = AffixBytes(formatIndex, text);
    FUZZ_CHECK(affix == (hex ? HexPairs(text) : TextAsTyped(text)));

    const Bytes payload = AffixPayload(formatIndex, text);
    FUZZ_CHECK(payload.size() == 1 + affix.size() && payload[0] == affix.size());
    FUZZ_CHECK(std::equal(affix.begin(), affix.end(), payload.begin() + 1));

    const std::string_view prefix = text.substr(0, text.size() / 2);
    const std::string_view suffix = text.substr(text.size() / 2);
    const Bytes p = AffixBytes(formatIndex, prefix);
    const Bytes s = AffixBytes(formatIndex, suffix);
    const Bytes card = CardAffixPayload(formatIndex, serialOutputIndex, prefix, suffix);
    FUZZ_CHECK(card.size() == 3 + p.size() + s.size());
    FUZZ_CHECK(card.size() <= (hex ? 33u : 65u));
    FUZZ_CHECK(card[0] == ListIndexByte(serialOutputIndex));
    FUZZ_CHECK(card[1] == p.size() && card[2 + p.size()] == s.size());
}

void CheckCloud(std::string_view text) {
    CloudSettings cloud;
    cloud.texts.fill(std::string(text));
    const Bytes block = CloudPayload(cloud);
    FUZZ_CHECK(block.size() == CLOUD_BLOCK_LEN);
    const std::string_view cut = CutUtf8(text, TEXT_MAX_BYTES);
    for (std::size_t i = 0; i < CLOUD_TEXT_COUNT; ++i) {
        const auto field = block.begin() + std::ptrdiff_t(CLOUD_TEXTS + i * WIRE_FIELD_LEN);
        // The text, then zeros: the field always keeps its terminator.
        FUZZ_CHECK(std::equal(cut.begin(), cut.end(), field,
                              [](char c, std::uint8_t b) { return std::uint8_t(c) == b; }));
        FUZZ_CHECK(std::all_of(field + std::ptrdiff_t(cut.size()), field + WIRE_FIELD_LEN,
                               [](std::uint8_t b) { return b == 0; }));
    }
}

void CheckNumber(std::string_view text) {
    const std::string first(text.substr(0, std::min<std::size_t>(text.size(), 31)));
    long long expected = std::strtoll(first.c_str(), nullptr, 10);
    expected = std::clamp<long long>(expected, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    FUZZ_CHECK(NumberFromText(text) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool sinkSet = [] {
        SetDebugTraceSink([](std::string_view t) { Traces().emplace_back(t); });
        return true;
    }();
    (void)sinkSet;

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckHexPairs(text);
    CheckTyped(text);
    // The format lists' positions: hex, text, and a list with no selection.
    const int serialOutputIndex = size > 0 ? static_cast<std::int8_t>(data[0]) : -1;
    for (const int formatIndex : {AFFIX_FORMAT_HEX, 1, -1}) {
        CheckPayloads(text, formatIndex, serialOutputIndex);
    }
    CheckCut(text, TEXT_MAX_BYTES);
    CheckCut(text, size % 40);
    CheckCut(text, 0);
    CheckCloud(text);
    CheckNumber(text);
    return 0;
}
