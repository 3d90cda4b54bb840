#include "net/NetBlock.h"

#include "core/ByteOrder.h"
#include "core/WireText.h"

#include <cassert>

using namespace net_block;

void NetBlock::EncodeAt(std::span<std::uint8_t> bytes, std::size_t base) const {
    assert(base + NET_BLOCK_LEN <= bytes.size());
    WriteLeI32(bytes, base + NET_MODE, netMode);
    WriteLe32(bytes, base + IP_ADDR, ipAddr);
    WriteLe32(bytes, base + SUBNET_MASK, subnetMask);
    WriteLe32(bytes, base + GATEWAY, gateway);
    WriteLe32(bytes, base + DNS1, dns1);
    WriteLe32(bytes, base + DNS2, dns2);
    WriteField(bytes, base + SERVER_ADDR, serverAddr);
    WriteLeI32(bytes, base + SERVER_PORT, serverPort);
    WriteLeI32(bytes, base + HTTP_SERVER, httpServer);
}

NetBlock NetBlock::DecodeAt(std::span<const std::uint8_t> bytes, std::size_t base) {
    assert(base + NET_BLOCK_LEN <= bytes.size());
    NetBlock b;
    b.netMode = ReadLeI32(bytes, base + NET_MODE);
    b.ipAddr = ReadLe32(bytes, base + IP_ADDR);
    b.subnetMask = ReadLe32(bytes, base + SUBNET_MASK);
    b.gateway = ReadLe32(bytes, base + GATEWAY);
    b.dns1 = ReadLe32(bytes, base + DNS1);
    b.dns2 = ReadLe32(bytes, base + DNS2);
    ReadField(bytes, base + SERVER_ADDR, b.serverAddr);
    b.serverPort = ReadLeI32(bytes, base + SERVER_PORT);
    b.httpServer = ReadLeI32(bytes, base + HTTP_SERVER);
    return b;
}

std::array<std::uint8_t, NET_BLOCK_LEN> NetBlock::encode() const {
    std::array<std::uint8_t, NET_BLOCK_LEN> bytes{};
    EncodeAt(bytes, 0);
    return bytes;
}

NetBlock NetBlock::decode(std::span<const std::uint8_t, NET_BLOCK_LEN> bytes) {
    return DecodeAt(bytes, 0);
}
