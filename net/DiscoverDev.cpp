#include "net/DiscoverDev.h"

#include "serial/ByteOrder.h"
#include "net/WireText.h"

#include <cstdio>

using namespace discover_dev;

std::array<std::uint8_t, DISCOVER_DEV_LEN> DISCOVER_DEV_T::encode() const {
    std::array<std::uint8_t, DISCOVER_DEV_LEN> bytes{};
    WriteField(bytes, NAME, name);
    WriteLeI32(bytes, NET_MODE, netMode);
    WriteLe32(bytes, IP_ADDR, ipAddr);
    WriteLe32(bytes, SUBNET_MASK, subnetMask);
    WriteLe32(bytes, GATEWAY, gateway);
    WriteLe32(bytes, DNS1, dns1);
    WriteLe32(bytes, DNS2, dns2);
    WriteField(bytes, SERVER_ADDR, serverAddr);
    WriteLeI32(bytes, SERVER_PORT, serverPort);
    WriteLeI32(bytes, HTTP_SERVER, httpServer);
    return bytes;
}

DISCOVER_DEV_T DISCOVER_DEV_T::decode(std::span<const std::uint8_t, DISCOVER_DEV_LEN> bytes) {
    DISCOVER_DEV_T dev;
    ReadField(bytes, NAME, dev.name);
    dev.netMode = ReadLeI32(bytes, NET_MODE);
    dev.ipAddr = ReadLe32(bytes, IP_ADDR);
    dev.subnetMask = ReadLe32(bytes, SUBNET_MASK);
    dev.gateway = ReadLe32(bytes, GATEWAY);
    dev.dns1 = ReadLe32(bytes, DNS1);
    dev.dns2 = ReadLe32(bytes, DNS2);
    ReadField(bytes, SERVER_ADDR, dev.serverAddr);
    dev.serverPort = ReadLeI32(bytes, SERVER_PORT);
    dev.httpServer = ReadLeI32(bytes, HTTP_SERVER);
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
    const auto a = AddressFieldBytes(dev.ipAddr);
    char address[24];
    std::snprintf(address, sizeof address, "(%d.%d.%d.%d)", a[0], a[1], a[2], a[3]);
    // The name is the reader's own text: appended, never formatted.
    return "Current device: " + std::string(name) + address;
}

const DISCOVER_DEV_T* FindDeviceByName(std::span<const std::unique_ptr<DISCOVER_DEV_T>> list,
                                       std::string_view name) {
    for (const auto& dev : list) {
        if (dev && DeviceName(*dev) == name) {
            return dev.get();
        }
    }
    return nullptr;
}
