#include "net/UdpPacket.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

namespace {

struct CheckRow {
    const char* name;
    Bytes datagram;
    UdpVerdict verdict;
    std::vector<std::string> traces; // regular expressions, one per trace
};

// Where the receive traces say they come from, fixed line numbers included.
const std::string kWhereShort = "TessaroDlg,CTessaroDlg::UdpCmdRecv,49";
const std::string kWhereCmd = "TessaroDlg,CTessaroDlg::UdpCmdRecv,61";

} // namespace

TEST(CheckUdpDatagram, VerdictsAndTraces) {
    const CheckRow rows[] = {
        {"05 09 00",
         {0x05, 0x09, 0x00},
         UdpVerdict::TooShort,
         {"\n\n\n " + kWhereShort + "  recvbytes=3 PACKAGE_HEADER_LEN=4\n"}},
        {"(empty)",
         {},
         UdpVerdict::TooShort,
         {"\n\n\n " + kWhereShort + "  recvbytes=0 PACKAGE_HEADER_LEN=4\n"}},
        {"06 09 00 00", {0x06, 0x09, 0x00, 0x00}, UdpVerdict::BadSync, {"sync code error\n"}},
        {"05 09 00 7B: length 0 skips the checksum",
         {0x05, 0x09, 0x00, 0x7B},
         UdpVerdict::Valid,
         {kWhereCmd + " pNet->cmdId =0x9\n"}},
        {"05 13 01 FD 02",
         {0x05, 0x13, 0x01, 0xFD, 0x02},
         UdpVerdict::Valid,
         {kWhereCmd + " pNet->cmdId =0x13\n"}},
        {"05 13 01 00 02",
         {0x05, 0x13, 0x01, 0x00, 0x02},
         UdpVerdict::BadChecksum,
         {kWhereCmd + " pNet->cmdId =0x13\n",
          "cmdData_checksum error ,retCrc=0xfd ,cmdData_checksum=0x0 \n"}},
        // A length that also counts the header reaches past the end, where bytes read as 0.
        {"05 09 05 FE 01",
         {0x05, 0x09, 0x05, 0xFE, 0x01},
         UdpVerdict::Valid,
         {kWhereCmd + " pNet->cmdId =0x9\n"}},
        {"05 09 FF FE 01",
         {0x05, 0x09, 0xFF, 0xFE, 0x01},
         UdpVerdict::Valid,
         {kWhereCmd + " pNet->cmdId =0x9\n"}},
        {"05 09 05 FD 01",
         {0x05, 0x09, 0x05, 0xFD, 0x01},
         UdpVerdict::BadChecksum,
         {kWhereCmd + " pNet->cmdId =0x9\n",
          "cmdData_checksum error ,retCrc=0xfe ,cmdData_checksum=0xfd \n"}},
        {"05 00 00 00",
         {0x05, 0x00, 0x00, 0x00},
         UdpVerdict::OutOfRange,
         {kWhereCmd + " pNet->cmdId =0x0\n"}},
        {"05 2E 00 00",
         {0x05, 0x2E, 0x00, 0x00},
         UdpVerdict::OutOfRange,
         {kWhereCmd + " pNet->cmdId =0x2e\n"}},
        {"05 FF 01 00 FF",
         {0x05, 0xFF, 0x01, 0x00, 0xFF},
         UdpVerdict::OutOfRange,
         {kWhereCmd + " pNet->cmdId =0xff\n"}},
        {"05 2D 00 00",
         {0x05, 0x2D, 0x00, 0x00},
         UdpVerdict::Valid,
         {kWhereCmd + " pNet->cmdId =0x2d\n"}},
        {"05 01 00 00",
         {0x05, 0x01, 0x00, 0x00},
         UdpVerdict::Valid,
         {kWhereCmd + " pNet->cmdId =0x1\n"}},
    };
    for (const CheckRow& r : rows) {
        SCOPED_TRACE(r.name);
        const UdpCheck check = CheckUdpDatagram(r.datagram);
        EXPECT_EQ(check.verdict, r.verdict);
        ASSERT_EQ(check.traces.size(), r.traces.size());
        for (std::size_t i = 0; i < r.traces.size(); ++i) {
            EXPECT_TRUE(std::regex_match(check.traces[i], std::regex(r.traces[i])))
                << "trace " << i << ": [" << check.traces[i] << "]";
        }
    }
}

TEST(UdpCommandData, FixedSizeWithZerosPastTheEnd) {
    const Bytes datagram = {0x05, 0x1D, 0x00, 0x00, 0xAA, 0xBB};
    EXPECT_EQ(UdpCommandData(datagram, 4), (Bytes{0xAA, 0xBB, 0x00, 0x00}));
    EXPECT_EQ(UdpCommandData(datagram, 1), (Bytes{0xAA}));
    EXPECT_EQ(UdpCommandData(Bytes{0x05, 0x03}, 3), (Bytes{0x00, 0x00, 0x00}));
}

TEST(UdpDump, LowerCaseWithASpaceBeforeEachByte) {
    EXPECT_EQ(UdpDump(Bytes{0x05, 0x09, 0x00, 0x00}), " 05 09 00 00");
    EXPECT_EQ(UdpDump(Bytes{0xAB, 0x1F}), " ab 1f");
    EXPECT_EQ(UdpDump(Bytes{}), "");
}

TEST(BuildUdpDatagram, ReaderDatagramsPassTheChecks) {
    struct Row {
        std::uint8_t cmdId;
        Bytes data;
        Bytes expectedStart;
    };
    const Row rows[] = {
        {0x09, {0x01}, {0x05, 0x09, 0x05, 0xFE, 0x01}},
        {0x13, {0x02}, {0x05, 0x13, 0x05, 0xFD, 0x02}},
        {0x2B, {}, {0x05, 0x2B, 0x04, 0xFF}},
        // 568 + 4 kept to 8 bits is 60: the checksum covers the first 60 data bytes.
        {0x1F, Bytes(568, 0x01), {0x05, 0x1F, 0x3C, 0xC3, 0x01}},
    };
    for (const Row& r : rows) {
        const Bytes datagram = BuildUdpDatagram(r.cmdId, r.data);
        ASSERT_EQ(datagram.size(), 4 + r.data.size());
        EXPECT_EQ(Bytes(datagram.begin(), datagram.begin() + r.expectedStart.size()),
                  r.expectedStart);
        EXPECT_EQ(CheckUdpDatagram(datagram).verdict, UdpVerdict::Valid);
    }
}
