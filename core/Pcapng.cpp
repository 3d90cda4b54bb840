#include "core/Pcapng.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace pcapng {

namespace {

// Block layout: type, total length, body, total length again.
constexpr std::size_t BLOCK_TYPE = 0;
constexpr std::size_t BLOCK_LENGTH = 4;
constexpr std::size_t BLOCK_BODY = 8;
constexpr std::size_t BLOCK_TRAILER_LEN = 4;

// Section header body.
constexpr std::uint16_t VERSION_MAJOR = 1;
constexpr std::uint16_t VERSION_MINOR = 0;
constexpr std::uint64_t SECTION_LENGTH_UNKNOWN = ~std::uint64_t{0};

// IPv4 header fields.
constexpr std::uint8_t IPV4_VERSION_IHL = 0x45;
constexpr std::uint16_t IPV4_DONT_FRAGMENT = 0x4000;
constexpr std::uint8_t IPV4_TTL = 64;
constexpr std::uint8_t IPV4_PROTO_UDP = 17;
constexpr std::size_t IPV4_CHECKSUM = 10;

using Bytes = std::vector<std::uint8_t>;

void Le16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Le32(Bytes& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void Be16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void Be32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void PutLe32(Bytes& out, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[offset + std::size_t(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void Pad4(Bytes& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

void Option(Bytes& out, std::uint16_t code, std::span<const std::uint8_t> value) {
    Le16(out, code);
    Le16(out, static_cast<std::uint16_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
    Pad4(out);
}

void TextOption(Bytes& out, std::uint16_t code, std::string_view text) {
    if (text.empty()) {
        return;
    }
    // An option holds at most 65535 bytes; a longer text is cut.
    const std::size_t n = std::min<std::size_t>(text.size(), 0xFFFC);
    Option(out, code, {reinterpret_cast<const std::uint8_t*>(text.data()), n});
}

void EndOptions(Bytes& out) {
    Le16(out, OPT_END);
    Le16(out, 0);
}

// Blocks are appended in place: a full log is 100,000 of them.
std::size_t BeginBlock(Bytes& out, std::uint32_t type) {
    static_assert(BLOCK_LENGTH == BLOCK_TYPE + 4 && BLOCK_BODY == BLOCK_LENGTH + 4,
                  "the type, then the length, then the body");
    const std::size_t start = out.size();
    Le32(out, type);
    Le32(out, 0); // filled in by EndBlock
    return start;
}

void EndBlock(Bytes& out, std::size_t start) {
    const auto total = static_cast<std::uint32_t>(out.size() - start + BLOCK_TRAILER_LEN);
    PutLe32(out, start + BLOCK_LENGTH, total);
    Le32(out, total);
}

Bytes Block(std::uint32_t type, const std::function<void(Bytes&)>& body) {
    Bytes out;
    const std::size_t start = BeginBlock(out, type);
    body(out);
    EndBlock(out, start);
    return out;
}

void AppendEnhancedPacket(Bytes& out, std::uint32_t interfaceId, std::uint64_t unixUs,
                          std::uint32_t flags, std::span<const std::uint8_t> data) {
    const std::size_t start = BeginBlock(out, BLOCK_ENHANCED_PACKET);
    Le32(out, interfaceId);
    Le32(out, static_cast<std::uint32_t>(unixUs >> 32));
    Le32(out, static_cast<std::uint32_t>(unixUs));
    Le32(out, static_cast<std::uint32_t>(data.size()));
    Le32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    Pad4(out);
    Le16(out, EPB_FLAGS);
    Le16(out, 4);
    Le32(out, flags);
    EndOptions(out);
    EndBlock(out, start);
}

void AppendIpv4Udp(Bytes& out, Endpoint from, Endpoint to, std::span<const std::uint8_t> data) {
    const std::size_t start = out.size();
    const std::size_t udpLen = UDP_HEADER_LEN + data.size();
    out.push_back(IPV4_VERSION_IHL);
    out.push_back(0); // DSCP, ECN
    Be16(out, static_cast<std::uint16_t>(IPV4_HEADER_LEN + udpLen));
    Be16(out, 0); // identification
    Be16(out, IPV4_DONT_FRAGMENT);
    out.push_back(IPV4_TTL);
    out.push_back(IPV4_PROTO_UDP);
    Be16(out, 0); // checksum, below
    Be32(out, from.address);
    Be32(out, to.address);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < IPV4_HEADER_LEN; i += 2) {
        sum += std::uint32_t{out[start + i]} << 8 | out[start + i + 1];
    }
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    const auto checksum = static_cast<std::uint16_t>(~sum);
    out[start + IPV4_CHECKSUM] = static_cast<std::uint8_t>(checksum >> 8);
    out[start + IPV4_CHECKSUM + 1] = static_cast<std::uint8_t>(checksum);

    Be16(out, from.port);
    Be16(out, to.port);
    Be16(out, static_cast<std::uint16_t>(udpLen));
    Be16(out, 0); // no checksum, allowed over IPv4
    out.insert(out.end(), data.begin(), data.end());
}

} // namespace

bool ParseEndpoint(std::string_view text, Endpoint& out) {
    std::uint32_t address = 0;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        unsigned part = 0;
        const auto [next, ec] = std::from_chars(p, end, part);
        if (ec != std::errc() || next == p || part > 255 || next == end ||
            *next != (i < 3 ? '.' : ':')) {
            return false;
        }
        address = address << 8 | part;
        p = next + 1;
    }
    unsigned port = 0;
    const auto [next, ec] = std::from_chars(p, end, port);
    if (ec != std::errc() || next == p || next != end || port > 0xFFFF) {
        return false;
    }
    out = {address, static_cast<std::uint16_t>(port)};
    return true;
}

std::vector<std::uint8_t> SectionHeader(std::string_view application, std::string_view comment) {
    return Block(BLOCK_SECTION_HEADER, [&](Bytes& out) {
        Le32(out, BYTE_ORDER_MAGIC);
        Le16(out, VERSION_MAJOR);
        Le16(out, VERSION_MINOR);
        Le32(out, static_cast<std::uint32_t>(SECTION_LENGTH_UNKNOWN));
        Le32(out, static_cast<std::uint32_t>(SECTION_LENGTH_UNKNOWN >> 32));
        TextOption(out, OPT_COMMENT, comment);
        TextOption(out, SHB_USERAPPL, application);
        EndOptions(out);
    });
}

std::vector<std::uint8_t> InterfaceDescription(std::uint16_t linkType, std::string_view name,
                                               std::string_view description) {
    return Block(BLOCK_INTERFACE, [&](Bytes& out) {
        Le16(out, linkType);
        Le16(out, 0); // reserved
        Le32(out, SNAPLEN);
        TextOption(out, IF_NAME, name);
        TextOption(out, IF_DESCRIPTION, description);
        EndOptions(out);
    });
}

std::vector<std::uint8_t> EnhancedPacket(std::uint32_t interfaceId, std::uint64_t unixUs,
                                         std::uint32_t flags, std::span<const std::uint8_t> data) {
    Bytes out;
    AppendEnhancedPacket(out, interfaceId, unixUs, flags, data);
    return out;
}

std::vector<std::uint8_t> Ipv4Udp(Endpoint from, Endpoint to, std::span<const std::uint8_t> data) {
    Bytes out;
    AppendIpv4Udp(out, from, to, data);
    return out;
}

std::vector<std::uint8_t> FromFrameLog(const FrameLogBuffer& log, const CaptureInfo& info) {
    Bytes out = SectionHeader(info.application, info.comment);
    std::map<std::string, std::uint32_t> serialInterfaces;
    std::uint32_t interfaces = 0;
    std::uint32_t udpInterface = 0;
    bool haveUdp = false;
    const auto origin = static_cast<std::uint64_t>(log.OriginUnixMs()) * 1000;
    // Enhanced packet block (32 fixed, 12 flags and end, 3 padding), IPv4 and UDP headers.
    constexpr std::size_t PACKET_OVERHEAD = 32 + 12 + 3 + IPV4_HEADER_LEN + UDP_HEADER_LEN;
    std::size_t size = out.size();
    for (std::size_t i = 0; i < log.Size(); ++i) {
        size += log.At(i).bytes.size() + PACKET_OVERHEAD;
    }
    out.reserve(size);
    Bytes datagram;
    for (std::size_t i = 0; i < log.Size(); ++i) {
        const FrameLogEntry& entry = log.At(i);
        if (entry.note) {
            continue;
        }
        // Interface blocks may come anywhere before their first packet.
        std::uint32_t id = 0;
        std::span<const std::uint8_t> packet(entry.bytes);
        const bool sent = entry.direction == FrameDirection::Sent;
        if (entry.channel == FrameChannel::Serial) {
            const auto found = serialInterfaces.find(entry.where);
            if (found == serialInterfaces.end()) {
                const auto settings = info.portSettings.find(entry.where);
                const Bytes idb = InterfaceDescription(LINKTYPE_TESSARO_SERIAL, entry.where,
                                                       settings == info.portSettings.end()
                                                           ? std::string_view()
                                                           : std::string_view(settings->second));
                out.insert(out.end(), idb.begin(), idb.end());
                id = interfaces++;
                serialInterfaces.emplace(entry.where, id);
            } else {
                id = found->second;
            }
        } else {
            if (!haveUdp) {
                const Bytes idb = InterfaceDescription(LINKTYPE_IPV4, "udp", "UDP datagrams");
                out.insert(out.end(), idb.begin(), idb.end());
                udpInterface = interfaces++;
                haveUdp = true;
            }
            id = udpInterface;
            Endpoint peer;
            Endpoint local;
            if (!ParseEndpoint(entry.where, peer)) {
                peer = {};
            }
            if (!ParseEndpoint(entry.local, local)) {
                local = {};
            }
            datagram.clear();
            AppendIpv4Udp(datagram, sent ? local : peer, sent ? peer : local, entry.bytes);
            packet = datagram;
        }
        const std::uint64_t at = origin + static_cast<std::uint64_t>(entry.us < 0 ? 0 : entry.us);
        AppendEnhancedPacket(out, id, at, sent ? FLAG_OUTBOUND : FLAG_INBOUND, packet);
    }
    return out;
}

} // namespace pcapng
