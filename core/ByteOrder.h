// Numbers inside wire records: little-endian, packed, read and written byte by byte so that a
// 32-bit field may sit at any offset. Shared by the serial and network records.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

inline std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    assert(offset + 4 <= bytes.size());
    return std::uint32_t{bytes[offset]} | std::uint32_t{bytes[offset + 1]} << 8 |
           std::uint32_t{bytes[offset + 2]} << 16 | std::uint32_t{bytes[offset + 3]} << 24;
}

inline std::int32_t ReadLeI32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(ReadLe32(bytes, offset));
}

inline void WriteLe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    assert(offset + 4 <= bytes.size());
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    bytes[offset + 2] = static_cast<std::uint8_t>(value >> 16);
    bytes[offset + 3] = static_cast<std::uint8_t>(value >> 24);
}

inline void WriteLeI32(std::span<std::uint8_t> bytes, std::size_t offset, std::int32_t value) {
    WriteLe32(bytes, offset, static_cast<std::uint32_t>(value));
}

inline std::int8_t ReadI8(std::span<const std::uint8_t> bytes, std::size_t offset) {
    assert(offset < bytes.size());
    return static_cast<std::int8_t>(bytes[offset]);
}

inline void WriteI8(std::span<std::uint8_t> bytes, std::size_t offset, std::int8_t value) {
    assert(offset < bytes.size());
    bytes[offset] = static_cast<std::uint8_t>(value);
}

constexpr std::uint32_t ByteSwap32(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}
