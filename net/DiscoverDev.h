// A reader's name and network settings, as a discovery reply carries them and as the network
// set-up command sends them.
#pragma once

#include "core/ByteOrder.h"
#include "core/TranslateMark.h"
#include "core/WireConstants.h"
#include "core/WireText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::size_t DEV_NAME_LEN = 16;
inline constexpr std::size_t DEV_SERVER_ADDR_LEN = 48;
// The settings after the name; the UDP parameter record starts with the same bytes.
inline constexpr std::size_t NET_BLOCK_LEN = 80;

// The network block, offsets from its start: the discovery record holds it from byte 16 on,
// the UDP parameter record from byte 0.
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

// Field offsets inside the 96-byte record.
namespace discover_dev {
inline constexpr std::size_t NAME = 0;
inline constexpr std::size_t NET_BLOCK = 16;
inline constexpr std::size_t IP_ADDR = NET_BLOCK + net_block::IP_ADDR;
} // namespace discover_dev

static_assert(discover_dev::NET_BLOCK == discover_dev::NAME + DEV_NAME_LEN);
static_assert(net_block::SERVER_PORT == net_block::SERVER_ADDR + DEV_SERVER_ADDR_LEN);
static_assert(net_block::HTTP_SERVER + 4 == NET_BLOCK_LEN);
static_assert(discover_dev::NET_BLOCK + NET_BLOCK_LEN == DISCOVER_DEV_LEN);

// Plain value; encode/decode give and take the exact wire bytes.
struct DISCOVER_DEV_T {
    std::array<char, DEV_NAME_LEN> name{};
    std::int32_t netMode = 0;
    // Control order (first dotted field most significant). A record stored from a discovery
    // reply holds the reply's source address here in network byte order instead.
    std::uint32_t ipAddr = 0;
    std::uint32_t subnetMask = 0;
    std::uint32_t gateway = 0;
    std::uint32_t dns1 = 0;
    std::uint32_t dns2 = 0;
    std::array<char, DEV_SERVER_ADDR_LEN> serverAddr{};
    std::int32_t serverPort = 0;
    std::int32_t httpServer = 0;

    std::array<std::uint8_t, DISCOVER_DEV_LEN> encode() const;
    static DISCOVER_DEV_T decode(std::span<const std::uint8_t, DISCOVER_DEV_LEN> bytes);

    friend bool operator==(const DISCOVER_DEV_T&, const DISCOVER_DEV_T&) = default;
};

// The network block's fields of a record that has them (the discovery record and the parameter
// record name them alike), written to or read from the block that starts at base.
template <class Record>
void WriteNetBlock(std::span<std::uint8_t> bytes, std::size_t base, const Record& r) {
    WriteLeI32(bytes, base + net_block::NET_MODE, r.netMode);
    WriteLe32(bytes, base + net_block::IP_ADDR, r.ipAddr);
    WriteLe32(bytes, base + net_block::SUBNET_MASK, r.subnetMask);
    WriteLe32(bytes, base + net_block::GATEWAY, r.gateway);
    WriteLe32(bytes, base + net_block::DNS1, r.dns1);
    WriteLe32(bytes, base + net_block::DNS2, r.dns2);
    WriteField(bytes, base + net_block::SERVER_ADDR, r.serverAddr);
    WriteLeI32(bytes, base + net_block::SERVER_PORT, r.serverPort);
    WriteLeI32(bytes, base + net_block::HTTP_SERVER, r.httpServer);
}

template <class Record>
void ReadNetBlock(std::span<const std::uint8_t> bytes, std::size_t base, Record& r) {
    r.netMode = ReadLeI32(bytes, base + net_block::NET_MODE);
    r.ipAddr = ReadLe32(bytes, base + net_block::IP_ADDR);
    r.subnetMask = ReadLe32(bytes, base + net_block::SUBNET_MASK);
    r.gateway = ReadLe32(bytes, base + net_block::GATEWAY);
    r.dns1 = ReadLe32(bytes, base + net_block::DNS1);
    r.dns2 = ReadLe32(bytes, base + net_block::DNS2);
    ReadField(bytes, base + net_block::SERVER_ADDR, r.serverAddr);
    r.serverPort = ReadLeI32(bytes, base + net_block::SERVER_PORT);
    r.httpServer = ReadLeI32(bytes, base + net_block::HTTP_SERVER);
}

// The name: up to its NUL, all 16 bytes when it has none.
std::string_view DeviceName(const DISCOVER_DEV_T& dev);

// The address field for a source address given as a number (first dotted field most
// significant): its bytes in memory and on the wire come first dotted field first.
constexpr std::uint32_t SourceToAddressField(std::uint32_t ipv4) {
    return ByteSwap32(ipv4);
}
constexpr std::uint32_t AddressFieldToSource(std::uint32_t field) {
    return ByteSwap32(field);
}

// The four bytes of an address field in storage order.
std::array<std::uint8_t, 4> AddressFieldBytes(std::uint32_t field);

// "Current device: <name>(a.b.c.d)", the address field's bytes in storage order.
std::string CurrentDeviceText(std::string_view name, const DISCOVER_DEV_T& dev);
// How that text begins; the dialog shows it translated.
inline constexpr char CURRENT_DEVICE_PREFIX[] =
    QT_TRANSLATE_NOOP("DiscoverDev", "Current device: ");

// The found readers, oldest first.
using DeviceList = std::deque<std::unique_ptr<DISCOVER_DEV_T>>;

// Far beyond any real network segment; past it the oldest reader goes, so that announcements
// from the network cannot exhaust memory and readers announcing now still appear.
inline constexpr std::size_t DEVICE_LIST_MAX = 10000;

// The first (oldest) record whose name equals name exactly; nullptr when none does.
const DISCOVER_DEV_T* FindDeviceByName(const DeviceList& list, std::string_view name);
