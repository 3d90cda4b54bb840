// A reader's network settings: the 80 bytes that the discovery record carries after the name, the
// UDP parameter record at its start and the network set-up command in its block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t DEV_SERVER_ADDR_LEN = 48;
inline constexpr std::size_t NET_BLOCK_LEN = 80;

// Offsets from the block's start.
namespace net_block {
inline constexpr std::size_t NET_MODE = 0;
inline constexpr std::size_t IP_ADDR = 4;
inline constexpr std::size_t SUBNET_MASK = 8;
inline constexpr std::size_t GATEWAY = 12;
inline constexpr std::size_t DNS1 = 16;
inline constexpr std::size_t DNS2 = 20;
inline constexpr std::size_t SERVER_ADDR = 24;
inline constexpr std::size_t SERVER_PORT = 72;
inline constexpr std::size_t HTTP_SERVER = 76;
} // namespace net_block

static_assert(net_block::SERVER_PORT == net_block::SERVER_ADDR + DEV_SERVER_ADDR_LEN);
static_assert(net_block::HTTP_SERVER + 4 == NET_BLOCK_LEN);

struct NetBlock {
    std::int32_t netMode = 0; // Network mode list position
    // Control order: the first dotted field is the most significant byte, so 192.168.0.1
    // travels as 01 00 A8 C0.
    std::uint32_t ipAddr = 0;
    std::uint32_t subnetMask = 0;
    std::uint32_t gateway = 0;
    std::uint32_t dns1 = 0;
    std::uint32_t dns2 = 0;
    std::array<char, DEV_SERVER_ADDR_LEN> serverAddr{};
    std::int32_t serverPort = 0;
    std::int32_t httpServer = 0; // HTTP server list position

    std::array<std::uint8_t, NET_BLOCK_LEN> encode() const;
    static NetBlock decode(std::span<const std::uint8_t, NET_BLOCK_LEN> bytes);
    // The block inside a larger record, starting at base.
    void EncodeAt(std::span<std::uint8_t> bytes, std::size_t base) const;
    static NetBlock DecodeAt(std::span<const std::uint8_t> bytes, std::size_t base);

    friend bool operator==(const NetBlock&, const NetBlock&) = default;
};
