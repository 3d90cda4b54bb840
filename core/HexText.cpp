#include "core/HexText.h"

std::string HexText(std::span<const std::uint8_t> bytes, HexDigits digits, bool spaced) {
    const char* const table = digits == HexDigits::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * (spaced ? 3 : 2));
    for (const std::uint8_t b : bytes) {
        if (spaced) {
            text += ' ';
        }
        text += table[b >> 4];
        text += table[b & 0x0F];
    }
    return text;
}
