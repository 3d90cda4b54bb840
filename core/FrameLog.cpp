#include "core/FrameLog.h"

#include <cstdio>

std::string FrameLogLine(std::int64_t elapsedUs, std::string_view port, FrameDirection direction,
                         std::span<const std::uint8_t> bytes) {
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    char stamp[32];
    const std::int64_t us = elapsedUs < 0 ? 0 : elapsedUs;
    std::snprintf(stamp, sizeof stamp, "%lld.%03lld", static_cast<long long>(us / 1000),
                  static_cast<long long>(us % 1000));
    std::string line = stamp;
    line.reserve(line.size() + port.size() + 4 + bytes.size() * 3);
    if (!port.empty()) {
        line += ' ';
        line += port;
    }
    line += direction == FrameDirection::Sent ? " tx" : " rx";
    for (const std::uint8_t b : bytes) {
        line += ' ';
        line += DIGITS[b >> 4];
        line += DIGITS[b & 0x0F];
    }
    return line;
}
