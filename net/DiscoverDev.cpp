#include "net/DiscoverDev.h"

#include "core/ByteOrder.h"
#include "core/WireText.h"

#include <cstdio>

using namespace discover_dev;

std::array<std::uint8_t, DISCOVER_DEV_LEN> DISCOVER_DEV_T::encode() const {
    std::array<std::uint8_t, DISCOVER_DEV_LEN> bytes{};
    WriteField(bytes, NAME, name);
    net.EncodeAt(bytes, NET_BLOCK);
    return bytes;
}

DISCOVER_DEV_T DISCOVER_DEV_T::decode(std::span<const std::uint8_t, DISCOVER_DEV_LEN> bytes) {
    DISCOVER_DEV_T dev;
    ReadField(bytes, NAME, dev.name);
    dev.net = NetBlock::DecodeAt(bytes, NET_BLOCK);
    return dev;
}

std::string_view DeviceName(const DISCOVER_DEV_T& dev) {
    return FieldText(dev.name);
}

std::array<std::uint8_t, 4> AddressFieldBytes(std::uint32_t field) {
    std::array<std::uint8_t, 4> bytes{};
    WriteLe32(bytes, 0, field);
    return bytes;
}

std::string CurrentDeviceText(std::string_view name, const DISCOVER_DEV_T& dev) {
    const auto a = AddressFieldBytes(dev.net.ipAddr);
    char address[24];
    std::snprintf(address, sizeof address, "(%d.%d.%d.%d)", a[0], a[1], a[2], a[3]);
    // The name is the reader's own text: appended, never formatted.
    return CURRENT_DEVICE_PREFIX + std::string(name) + address;
}

const DISCOVER_DEV_T* FindDeviceByName(const DeviceList& list, std::string_view name) {
    for (const auto& dev : list) {
        if (dev && DeviceName(*dev) == name) {
            return dev.get();
        }
    }
    return nullptr;
}
