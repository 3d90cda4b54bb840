// Bytes as hexadecimal text: the one formatter behind the Transmit and Receive boxes, the
// datagram dump in the status bar and the affix boxes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

enum class HexDigits { Upper, Lower };

// Two digits per byte; spaced puts a space before each pair (" 0A FF"), otherwise the pairs
// run together ("0aff").
std::string HexText(std::span<const std::uint8_t> bytes, HexDigits digits, bool spaced);
// The same, added to the end of out (for callers building a longer line).
void AppendHexText(std::string& out, std::span<const std::uint8_t> bytes, HexDigits digits,
                   bool spaced);

// " %02X" per byte, as the Transmit and Receive boxes show bytes.
inline std::string HexEcho(std::span<const std::uint8_t> bytes) {
    return HexText(bytes, HexDigits::Upper, true);
}
