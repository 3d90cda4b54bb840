// The command header and the two checksums, against hand-worked bytes.
#include "core/Frame.h"
#include "tests/support/HexBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ByteVec = std::vector<std::uint8_t>;

TEST(SerialFrame, CallersHeaderKeepsChecksumZero) {
    MspSendCmd_t header;
    BuildCmdHeader(header, 0x06, 1);
    const ByteVec payload{0x02};
    const ByteVec frame = BuildSerialFrame(header, payload);
    EXPECT_EQ(header.cmdData_checksum, 0);
    EXPECT_EQ(frame[3], 0x12);
    EXPECT_EQ(frame, HexBytes("05 06 05 12 02"));
}

TEST(SerialFrame, SumOfHeaderAndPayloadKeptTo8Bits) {
    struct Row {
        std::uint8_t cmdId;
        const char* payload;
        const char* frame;
    };
    const Row rows[] = {
        {0x01, "", "05 01 04 0A"},
        {0x1C, "D0 07 00 00 90 01 00 00 00", "05 1C 0D 96 D0 07 00 00 90 01 00 00 00"},
        {0x0C, "02 FF FE", "05 0C 07 17 02 FF FE"},
    };
    for (const Row& r : rows) {
        MspSendCmd_t header;
        const ByteVec payload = HexBytes(r.payload);
        BuildCmdHeader(header, r.cmdId, payload.size());
        EXPECT_EQ(BuildSerialFrame(header, payload), HexBytes(r.frame)) << r.frame;
        EXPECT_EQ(SerialFrame(r.cmdId, payload), HexBytes(r.frame)) << r.frame;
    }
}

TEST(UdpChecksum, ComplementOfTheByteSum) {
    struct Row {
        ByteVec data;
        int count;
        int expected;
    };
    const Row rows[] = {
        {{0x01, 0x02, 0x03}, 3, 0xF9},
        {{}, 0, 0xFF},
        {{0xFF}, 1, 0x00},
        {{0x80, 0x80, 0x01}, 3, 0xFE}, // the sum wraps to 0x01
        {{0x01, 0x02, 0x03}, 1, 0xFE}, // only count bytes
        {{0x01}, -1, 0xFF},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(UdpChecksum(r.data.data(), r.count), r.expected) << "count " << r.count;
    }
}

} // namespace
