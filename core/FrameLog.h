// One line per frame on a serial line, for traces and the frame log: when (milliseconds since
// the start of the run), which port, which way, and the bytes in hexadecimal.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class FrameDirection { Sent, Received };

// "12.345 /dev/pts/3 tx 05 01 04 0A"; the port is left out when empty. No line end.
std::string FrameLogLine(std::int64_t elapsedUs, std::string_view port, FrameDirection direction,
                         std::span<const std::uint8_t> bytes);
