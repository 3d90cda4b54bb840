// A reader's name and network settings, as a discovery reply carries them and as the network
// set-up command sends them.
#pragma once

#include "core/ByteOrder.h"
#include "core/TranslateMark.h"
#include "core/WireConstants.h"
#include "core/WireText.h"
#include "net/NetBlock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::size_t DEV_NAME_LEN = 16;

// Field offsets inside the 96-byte record.
namespace discover_dev {
inline constexpr std::size_t NAME = 0;
inline constexpr std::size_t NET_BLOCK = 16;
inline constexpr std::size_t IP_ADDR = NET_BLOCK + net_block::IP_ADDR;
} // namespace discover_dev

static_assert(discover_dev::NET_BLOCK == discover_dev::NAME + DEV_NAME_LEN);
static_assert(discover_dev::NET_BLOCK + NET_BLOCK_LEN == DISCOVER_DEV_LEN);

// Plain value; encode/decode give and take the exact wire bytes.
struct DISCOVER_DEV_T {
    std::array<char, DEV_NAME_LEN> name{};
    // A record stored from a discovery reply holds the reply's source address in net.ipAddr,
    // in network byte order instead of control order.
    NetBlock net;

    std::array<std::uint8_t, DISCOVER_DEV_LEN> encode() const;
    static DISCOVER_DEV_T decode(std::span<const std::uint8_t, DISCOVER_DEV_LEN> bytes);

    friend bool operator==(const DISCOVER_DEV_T&, const DISCOVER_DEV_T&) = default;
};

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
