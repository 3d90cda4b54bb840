#include "net/UdpDispatch.h"

#include "core/DebugTrace.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint32_t kSource = 0xC0A80114; // 192.168.1.20

UdpSelections Defaults() {
    UdpSelections s;
    s.workingMode = 0;
    s.hiddenSwitch = 0;
    s.horn = 0;
    s.readerBaud = 9600;
    s.dataBits = 8;
    s.stopBits = 1;
    return s;
}

UdpAction Dispatch(const Bytes& datagram, const UdpSelections& sel = Defaults()) {
    return DispatchUdpDatagram(datagram, kSource, sel);
}

// A version announcement: 16 unused bytes, then the text.
Bytes Version(const std::string& text) {
    // Sized once: growing a four-byte vector trips GCC 12's -Warray-bounds at -O3.
    Bytes d(4 + 16 + text.size(), 0);
    d[0] = 0x05;
    d[1] = 0x01;
    std::copy(text.begin(), text.end(), d.begin() + 4 + 16);
    return d;
}

} // namespace

TEST(UdpDispatch, EveryIdAsTheReceiveTableHasIt) {
    using K = UdpActionKind;
    const std::map<int, K> table = {
        {1, K::Version},  {3, K::AddDevice}, {7, K::ConfirmChinese}, {9, K::Confirm},
        {11, K::Confirm}, {13, K::Confirm},  {15, K::Confirm},       {17, K::Confirm},
        {25, K::Confirm}, {29, K::Confirm},  {31, K::ShowParams},    {33, K::Confirm},
        {41, K::Confirm}, {43, K::Confirm},  {45, K::Confirm},
    };
    // A bare header: every data byte reads as 0, so 19, 21, 23 and 39 depend on the selections
    // and are covered below; with these ones none of them confirms.
    UdpSelections none;
    for (int id = 0; id < 256; ++id) {
        const Bytes datagram = {0x05, static_cast<std::uint8_t>(id), 0x00, 0x00};
        const auto it = table.find(id);
        EXPECT_EQ(Dispatch(datagram, none).kind, it == table.end() ? K::None : it->second)
            << "cmdId " << id;
    }
}

TEST(UdpDispatch, ConditionalConfirmationsFollowTheSelection) {
    struct Row {
        const char* name;
        Bytes datagram;
        int UdpSelections::*list;
        int selected;
        bool confirmed;
    };
    const Bytes workingMode2 = {0x05, 0x13, 0x01, 0xFD, 0x02};
    const Row rows[] = {
        {"05 13 01 FD 02, Common mode", workingMode2, &UdpSelections::workingMode, 0, false},
        {"05 13 01 FD 02, Single mode", workingMode2, &UdpSelections::workingMode, 1, false},
        {"05 13 01 FD 02, Interval mode", workingMode2, &UdpSelections::workingMode, 2, true},
        {"05 15 01 FE 01, switch Close",
         {0x05, 0x15, 0x01, 0xFE, 0x01},
         &UdpSelections::hiddenSwitch,
         0,
         false},
        {"05 15 01 FE 01, switch Open",
         {0x05, 0x15, 0x01, 0xFE, 0x01},
         &UdpSelections::hiddenSwitch,
         1,
         true},
        {"05 17 01 FF 00, horn Close",
         {0x05, 0x17, 0x01, 0xFF, 0x00},
         &UdpSelections::horn,
         0,
         true},
        {"05 17 01 FF 00, horn Open",
         {0x05, 0x17, 0x01, 0xFF, 0x00},
         &UdpSelections::horn,
         1,
         false},
        // The horn reply is not checked against the working mode.
        {"05 17 01 FF 00, working mode 1",
         {0x05, 0x17, 0x01, 0xFF, 0x00},
         &UdpSelections::workingMode,
         1,
         true},
    };
    for (const Row& r : rows) {
        UdpSelections sel = Defaults();
        sel.*r.list = r.selected;
        EXPECT_EQ(Dispatch(r.datagram, sel).kind,
                  r.confirmed ? UdpActionKind::Confirm : UdpActionKind::None)
            << r.name;
    }
}

TEST(UdpDispatch, SerialParametersReplyMatchesTheSelectedNumbers) {
    // 9600, 8 data bits, 1 stop bit, parity 2, QR format 0: the bytes the request carried.
    const Bytes reply = {0x05, 0x27, 0x00, 0x00, 0x80, 0x25, 0x00, 0x00, 0x08, 0x01, 0x02, 0x00};
    struct Row {
        const char* name;
        std::optional<long long> baud, dataBits, stopBits;
        bool confirmed;
    };
    const Row rows[] = {
        {"all equal", 9600, 8, 1, true},
        {"baud differs", 115200, 8, 1, false},
        {"data bits differ", 9600, 7, 1, false},
        {"stop bits differ", 9600, 8, 2, false},
        {"baud list without a number", std::nullopt, 8, 1, false},
        // The selection indexes (1, 0, 0) are not what the reader echoes.
        {"indexes instead of numbers", 1, 0, 0, false},
    };
    for (const Row& r : rows) {
        UdpSelections sel = Defaults();
        sel.readerBaud = r.baud;
        sel.dataBits = r.dataBits;
        sel.stopBits = r.stopBits;
        EXPECT_EQ(Dispatch(reply, sel).kind,
                  r.confirmed ? UdpActionKind::Confirm : UdpActionKind::None)
            << r.name;
    }
}

TEST(UdpDispatch, DiscoveryKeepsTheRecordButTakesTheSourceAddress) {
    // Header only: everything zero but the address, which is the source in network order.
    const UdpAction bare = Dispatch({0x05, 0x03, 0x00, 0x00});
    ASSERT_EQ(bare.kind, UdpActionKind::AddDevice);
    Bytes expected(96, 0);
    expected[20] = 0xC0;
    expected[21] = 0xA8;
    expected[22] = 0x01;
    expected[23] = 0x14;
    const auto encoded = bare.device.encode();
    EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), expected);
    EXPECT_EQ(DeviceName(bare.device), "");

    // Name "Gate", address field 10.0.0.9, server port 80.
    Bytes reply = {0x05, 0x03, 0x00, 0x00, 'G', 'a', 't', 'e'};
    reply.resize(4 + 96, 0);
    reply[4 + 20] = 0x09;
    reply[4 + 23] = 0x0A;
    reply[4 + 88] = 0x50;
    const UdpAction gate = Dispatch(reply);
    ASSERT_EQ(gate.kind, UdpActionKind::AddDevice);
    EXPECT_EQ(DeviceName(gate.device), "Gate");
    EXPECT_EQ(gate.device.net.serverPort, 80);
    EXPECT_EQ(CurrentDeviceText("Gate", gate.device), "Current device: Gate(192.168.1.20)");
}

TEST(UdpDispatch, VersionFlagOnlyForTheExactText) {
    struct Row {
        const char* name;
        Bytes datagram;
        int clientVer;
        std::string trace;
    };
    Bytes atOffset0 = {0x05, 0x01, 0x00, 0x00};
    const std::string exact = "ver_client1_1.1";
    atOffset0.insert(atOffset0.end(), exact.begin(), exact.end());
    Bytes noNul = Version(std::string(48, 'A') + "BBBB");
    const Row rows[] = {
        {"exact", Version("ver_client1_1.1"), 1, "ver_client1_1.0:ver_client1_1.1\n"},
        {"longer", Version("ver_client1_1.1x"), 0, "ver_common_1.0:ver_client1_1.1x\n"},
        {"other case", Version("VER_CLIENT1_1.1"), 0, "ver_common_1.0:VER_CLIENT1_1.1\n"},
        {"older", Version("ver_client1_1.0"), 0, "ver_common_1.0:ver_client1_1.0\n"},
        {"text in the unused bytes", atOffset0, 0, "ver_common_1.0:\n"},
        {"no terminator: the 48-byte field only", noNul, 0,
         "ver_common_1.0:" + std::string(48, 'A') + "\n"},
        {"conversions stay text", Version("%s%n%x"), 0, "ver_common_1.0:%s%n%x\n"},
    };
    for (const Row& r : rows) {
        TraceCapture capture;
        const UdpAction a = Dispatch(r.datagram);
        EXPECT_EQ(a.kind, UdpActionKind::Version) << r.name;
        EXPECT_EQ(a.clientVer, r.clientVer) << r.name;
        ASSERT_FALSE(capture.lines().empty()) << r.name;
        EXPECT_EQ(capture.lines().back(), r.trace) << r.name;
    }
}

TEST(UdpDispatch, ParameterRecordIsZeroFilledToItsSize) {
    Bytes full = {0x05, 0x1F, 0x00, 0x00};
    for (int i = 0; i < 600; ++i) {
        full.push_back(static_cast<std::uint8_t>(i));
    }
    const UdpAction whole = Dispatch(full);
    ASSERT_EQ(whole.kind, UdpActionKind::ShowParams);
    EXPECT_EQ(whole.record[0], 0x00);
    EXPECT_EQ(whole.record[300], 300 & 0xFF);
    EXPECT_EQ(whole.record[567], 567 & 0xFF);

    const UdpAction shortOne = Dispatch({0x05, 0x1F, 0x00, 0x00, 0x11, 0x22});
    ASSERT_EQ(shortOne.kind, UdpActionKind::ShowParams);
    EXPECT_EQ(shortOne.record[0], 0x11);
    EXPECT_EQ(shortOne.record[1], 0x22);
    for (std::size_t i = 2; i < shortOne.record.size(); ++i) {
        ASSERT_EQ(shortOne.record[i], 0) << "offset " << i;
    }
}
