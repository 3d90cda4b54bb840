// A reader's name and network settings, as a discovery reply carries them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t DISCOVER_DEV_LEN = 96;
inline constexpr std::size_t DEV_NAME_LEN = 16;
inline constexpr std::size_t DEV_SERVER_ADDR_LEN = 48;

// Plain value; the wire form is produced and read by explicit encode/decode helpers.
struct DISCOVER_DEV_T {
    std::array<char, DEV_NAME_LEN> name{};
    std::int32_t netMode = 0;
    std::uint32_t ipAddr = 0; // control order; network byte order when taken from a source address
    std::uint32_t subnetMask = 0;
    std::uint32_t gateway = 0;
    std::uint32_t dns1 = 0;
    std::uint32_t dns2 = 0;
    std::array<char, DEV_SERVER_ADDR_LEN> serverAddr{};
    std::int32_t serverPort = 0;
    std::int32_t httpServer = 0;
};
