// Little-endian fields inside wire buffers: written and read byte by byte, never by casting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline void PutLe32(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value) {
    out[offset] = static_cast<std::uint8_t>(value & 0xFF);
    out[offset + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    out[offset + 2] = static_cast<std::uint8_t>((value >> 16) & 0xFF);
    out[offset + 3] = static_cast<std::uint8_t>((value >> 24) & 0xFF);
}

inline std::uint32_t GetLe32(std::span<const std::uint8_t> in, std::size_t offset) {
    return static_cast<std::uint32_t>(in[offset]) |
           (static_cast<std::uint32_t>(in[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(in[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(in[offset + 3]) << 24);
}

inline void PutLe32Signed(std::span<std::uint8_t> out, std::size_t offset, std::int32_t value) {
    PutLe32(out, offset, static_cast<std::uint32_t>(value));
}

inline std::int32_t GetLe32Signed(std::span<const std::uint8_t> in, std::size_t offset) {
    return static_cast<std::int32_t>(GetLe32(in, offset));
}
