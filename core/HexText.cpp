#include "core/HexText.h"

void AppendHexText(std::string& out, std::span<const std::uint8_t> bytes, HexDigits digits,
                   bool spaced) {
    const char* const table = digits == HexDigits::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    out.reserve(out.size() + bytes.size() * (spaced ? 3 : 2));
    for (const std::uint8_t b : bytes) {
        if (spaced) {
            out += ' ';
        }
        out += table[b >> 4];
        out += table[b & 0x0F];
    }
}

std::string HexText(std::span<const std::uint8_t> bytes, HexDigits digits, bool spaced) {
    std::string text;
    AppendHexText(text, bytes, digits, spaced);
    return text;
}
