// pcapng blocks and the IPv4/UDP wrapper, against bytes worked out by hand.
#include "core/Pcapng.h"

#include <gtest/gtest.h>

#include "tests/support/HexBytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Pcapng, SectionHeaderWithCommentAndApplication) {
    // 8 type and length, 16 magic/version/section length, 8 + 8 options, 4 end, 4 trailer: 48.
    EXPECT_EQ(pcapng::SectionHeader("T", "ab"),
              HexBytes("0A 0D 0D 0A 30 00 00 00 4D 3C 2B 1A 01 00 00 00 "
                       "FF FF FF FF FF FF FF FF 01 00 02 00 61 62 00 00 "
                       "04 00 01 00 54 00 00 00 00 00 00 00 30 00 00 00"));
}

TEST(Pcapng, InterfaceDescription) {
    // Link type 147, snap length 65535; name padded from 5 to 8 bytes; 52 bytes in all.
    EXPECT_EQ(pcapng::InterfaceDescription(pcapng::LINKTYPE_TESSARO_SERIAL, "ttyS0", "9600,n,8,1"),
              HexBytes("01 00 00 00 34 00 00 00 93 00 00 00 FF FF 00 00 "
                       "02 00 05 00 74 74 79 53 30 00 00 00 "
                       "03 00 0A 00 39 36 30 30 2C 6E 2C 38 2C 31 00 00 "
                       "00 00 00 00 34 00 00 00"));
    // No description: the option is left out.
    EXPECT_EQ(pcapng::InterfaceDescription(pcapng::LINKTYPE_IPV4, "udp", ""),
              HexBytes("01 00 00 00 20 00 00 00 E4 00 00 00 FF FF 00 00 "
                       "02 00 03 00 75 64 70 00 00 00 00 00 20 00 00 00"));
}

TEST(Pcapng, EnhancedPacketWithDirection) {
    struct Row {
        std::uint32_t flags;
        const char* data;
        const char* block;
    };
    const Row rows[] = {
        // Sent: 4 bytes, no padding; 48 bytes in all.
        {pcapng::FLAG_OUTBOUND, "05 01 04 0A",
         "06 00 00 00 30 00 00 00 01 00 00 00 1B 0A 06 00 5F 4E 3D 2C 04 00 00 00 04 00 00 00 "
         "05 01 04 0A 02 00 04 00 02 00 00 00 00 00 00 00 30 00 00 00"},
        // Received: 6 bytes padded to 8; 52 bytes in all.
        {pcapng::FLAG_INBOUND, "05 07 06 29 0D 0A",
         "06 00 00 00 34 00 00 00 01 00 00 00 1B 0A 06 00 5F 4E 3D 2C 06 00 00 00 06 00 00 00 "
         "05 07 06 29 0D 0A 00 00 02 00 04 00 01 00 00 00 00 00 00 00 34 00 00 00"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(pcapng::EnhancedPacket(1, 0x00060A1B2C3D4E5Full, row.flags, HexBytes(row.data)),
                  HexBytes(row.block))
            << row.data;
    }
}

TEST(Pcapng, Ipv4UdpAroundADatagram) {
    // 192.168.1.20:24582 to 10.0.0.1:24583, 5 bytes: UDP length 13, total 33. Header checksum:
    // 4500 + 0021 + 4000 + 4011 + C0A8 + 0114 + 0A00 + 0001 = 190EF, folded 90F0, inverted 6F0F.
    EXPECT_EQ(pcapng::Ipv4Udp({0xC0A80114, 24582}, {0x0A000001, 24583}, HexBytes("05 09 01 FE 01")),
              HexBytes("45 00 00 21 00 00 40 00 40 11 6F 0F C0 A8 01 14 0A 00 00 01 "
                       "60 06 60 07 00 0D 00 00 05 09 01 FE 01"));
}

TEST(Pcapng, Endpoints) {
    struct Row {
        const char* text;
        bool ok;
        std::uint32_t address;
        std::uint16_t port;
    };
    const Row rows[] = {
        {"127.0.0.1:24583", true, 0x7F000001, 24583},
        {"0.0.0.0:0", true, 0, 0},
        {"255.255.255.255:65535", true, 0xFFFFFFFF, 65535},
        {"::1:24582", false, 0, 0},
        {"1.2.3:4", false, 0, 0},
        {"1.2.3.4", false, 0, 0},
        {"256.1.1.1:1", false, 0, 0},
        {"1.2.3.4:65536", false, 0, 0},
        {"1.2.3.4:5x", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Row& row : rows) {
        pcapng::Endpoint e{1, 1};
        EXPECT_EQ(pcapng::ParseEndpoint(row.text, e), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(e.address, row.address) << row.text;
            EXPECT_EQ(e.port, row.port) << row.text;
        }
    }
}

// Reads block type, interface id and flags back from a whole capture.
struct Block {
    std::uint32_t type;
    std::uint32_t interfaceOrLink;
    Bytes data;
};

std::uint32_t Le32At(const Bytes& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

std::vector<Block> Blocks(const Bytes& file) {
    std::vector<Block> blocks;
    for (std::size_t at = 0; at + 12 <= file.size();) {
        const std::uint32_t type = Le32At(file, at);
        const std::uint32_t length = Le32At(file, at + 4);
        Block block{type, 0, {}};
        if (type == pcapng::BLOCK_INTERFACE) {
            block.interfaceOrLink = Le32At(file, at + 8) & 0xFFFF;
        } else if (type == pcapng::BLOCK_ENHANCED_PACKET) {
            block.interfaceOrLink = Le32At(file, at + 8);
            const std::uint32_t captured = Le32At(file, at + 20);
            block.data.assign(file.begin() + long(at + 28),
                              file.begin() + long(at + 28 + captured));
        }
        blocks.push_back(block);
        at += length;
    }
    return blocks;
}

TEST(Pcapng, FromFrameLogOneInterfacePerPortAndOneForDatagrams) {
    FrameLogBuffer log;
    log.Add(MakeFrameEntry(0, FrameChannel::Serial, FrameDirection::Sent, "/dev/pts/3",
                           HexBytes("05 01 04 0A")),
            0);
    log.Add(MakeNoteEntry(1, FrameChannel::Serial, "/dev/pts/3", "No reply"), 0);
    FrameLogEntry datagram = MakeFrameEntry(2, FrameChannel::Udp, FrameDirection::Received,
                                            "10.0.0.1:24582", HexBytes("05 09 01 FE 01"));
    datagram.local = "192.168.1.20:24583";
    log.Add(datagram, 0);
    log.Add(MakeFrameEntry(3, FrameChannel::Serial, FrameDirection::Received, "/dev/pts/4",
                           HexBytes("0D 0A")),
            0);
    const std::vector<Block> blocks = Blocks(pcapng::FromFrameLog(log, {"Tessaro", "c", {}}));
    ASSERT_EQ(blocks.size(), 7u);
    const std::uint32_t expected[][2] = {
        {pcapng::BLOCK_SECTION_HEADER, 0},  {pcapng::BLOCK_INTERFACE, 147},
        {pcapng::BLOCK_ENHANCED_PACKET, 0}, {pcapng::BLOCK_INTERFACE, 228},
        {pcapng::BLOCK_ENHANCED_PACKET, 1}, {pcapng::BLOCK_INTERFACE, 147},
        {pcapng::BLOCK_ENHANCED_PACKET, 2},
    };
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].type, expected[i][0]) << i;
        EXPECT_EQ(blocks[i].interfaceOrLink, expected[i][1]) << i;
    }
    EXPECT_EQ(blocks[2].data, HexBytes("05 01 04 0A"));
    // Received: the peer is the source. Checksum as in Ipv4UdpAroundADatagram with the
    // addresses swapped (the sum does not change).
    EXPECT_EQ(blocks[4].data,
              HexBytes("45 00 00 21 00 00 40 00 40 11 6F 0F 0A 00 00 01 C0 A8 01 14 "
                       "60 06 60 07 00 0D 00 00 05 09 01 FE 01"));
}

} // namespace
