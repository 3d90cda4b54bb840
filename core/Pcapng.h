// Captures in pcapng, the format Wireshark reads: one section, one interface per serial port (its
// frames as they crossed the line, under a private link type) and one interface for datagrams,
// each wrapped in an IPv4 and a UDP header with the real addresses and ports.
#pragma once

#include "core/FrameLog.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pcapng {

// Block types.
inline constexpr std::uint32_t BLOCK_SECTION_HEADER = 0x0A0D0D0A;
inline constexpr std::uint32_t BLOCK_INTERFACE = 0x00000001;
inline constexpr std::uint32_t BLOCK_ENHANCED_PACKET = 0x00000006;
inline constexpr std::uint32_t BYTE_ORDER_MAGIC = 0x1A2B3C4D;

// Option codes.
inline constexpr std::uint16_t OPT_END = 0;
inline constexpr std::uint16_t OPT_COMMENT = 1;
inline constexpr std::uint16_t SHB_USERAPPL = 4;
inline constexpr std::uint16_t IF_NAME = 2;
inline constexpr std::uint16_t IF_DESCRIPTION = 3;
inline constexpr std::uint16_t EPB_FLAGS = 2;

// Direction bits of EPB_FLAGS.
inline constexpr std::uint32_t FLAG_INBOUND = 0x1;
inline constexpr std::uint32_t FLAG_OUTBOUND = 0x2;

// LINKTYPE_USER0 (147), one of the link types kept for private use: the bytes of a serial frame
// or reply exactly as they crossed the line. The dissector registers for it.
inline constexpr std::uint16_t LINKTYPE_TESSARO_SERIAL = 147;
// LINKTYPE_IPV4: a raw IPv4 packet.
inline constexpr std::uint16_t LINKTYPE_IPV4 = 228;

inline constexpr std::uint32_t SNAPLEN = 65535;

inline constexpr std::size_t IPV4_HEADER_LEN = 20;
inline constexpr std::size_t UDP_HEADER_LEN = 8;

struct Endpoint {
    std::uint32_t address = 0; // 127.0.0.1 is 0x7F000001
    std::uint16_t port = 0;
};

// "a.b.c.d:port"; false for anything else (an IPv6 peer, an empty field).
bool ParseEndpoint(std::string_view text, Endpoint& out);

std::vector<std::uint8_t> SectionHeader(std::string_view application, std::string_view comment);
std::vector<std::uint8_t> InterfaceDescription(std::uint16_t linkType, std::string_view name,
                                               std::string_view description);
// Times in microseconds since the Unix epoch (the default resolution).
std::vector<std::uint8_t> EnhancedPacket(std::uint32_t interfaceId, std::uint64_t unixUs,
                                         std::uint32_t flags, std::span<const std::uint8_t> data);
// IPv4 (no options, don't fragment, TTL 64, header checksum) and UDP (no checksum) around a
// datagram.
std::vector<std::uint8_t> Ipv4Udp(Endpoint from, Endpoint to, std::span<const std::uint8_t> data);

struct CaptureInfo {
    std::string application; // "Tessaro 21.4.22"
    std::string comment;     // the version and the ports' settings
    // Port path to its settings ("9600,n,8,1"), shown as the interface's description.
    std::map<std::string, std::string> portSettings;
};

// Every frame and datagram of the log, oldest first; notes have no packet and are left out.
// A datagram whose peer or local end is not an IPv4 endpoint goes out as 0.0.0.0:0.
std::vector<std::uint8_t> FromFrameLog(const FrameLogBuffer& log, const CaptureInfo& info);

} // namespace pcapng
