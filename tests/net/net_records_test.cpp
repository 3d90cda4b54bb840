#include "core/WireText.h"
#include "net/DevParam.h"
#include "net/DiscoverDev.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

namespace {

void Put(Bytes& b, std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
    std::size_t i = offset;
    for (const std::uint8_t v : bytes) {
        b.at(i++) = v;
    }
}

void PutText(Bytes& b, std::size_t offset, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        b.at(offset + i) = static_cast<std::uint8_t>(text[i]);
    }
}

template <std::size_t N> Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

} // namespace

TEST(DiscoverDev, DecodesAHandWrittenRecordAndEncodesItBack) {
    Bytes b(96, 0);
    PutText(b, 0, "Gate");
    Put(b, 16, {0x01, 0x00, 0x00, 0x00});
    Put(b, 20, {0x01, 0x00, 0xA8, 0xC0}); // 192.168.0.1
    Put(b, 24, {0x00, 0xFF, 0xFF, 0xFF}); // 255.255.255.0
    Put(b, 28, {0xFE, 0x01, 0xA8, 0xC0}); // 192.168.1.254
    Put(b, 32, {0x72, 0x72, 0x72, 0x72});
    Put(b, 36, {0x08, 0x08, 0x08, 0x08});
    PutText(b, 40, "srv.example");
    Put(b, 88, {0x90, 0x1F, 0x00, 0x00}); // 8080
    Put(b, 92, {0x04, 0x00, 0x00, 0x00}); // CGI

    const DISCOVER_DEV_T dev = DISCOVER_DEV_T::decode(std::span<const std::uint8_t, 96>(b));
    EXPECT_EQ(DeviceName(dev), "Gate");
    EXPECT_EQ(dev.net.netMode, 1);
    EXPECT_EQ(dev.net.ipAddr, 0xC0A80001u);
    EXPECT_EQ(dev.net.subnetMask, 0xFFFFFF00u);
    EXPECT_EQ(dev.net.gateway, 0xC0A801FEu);
    EXPECT_EQ(dev.net.dns1, 0x72727272u);
    EXPECT_EQ(dev.net.dns2, 0x08080808u);
    EXPECT_EQ(FieldText(dev.net.serverAddr), "srv.example");
    EXPECT_EQ(dev.net.serverPort, 8080);
    EXPECT_EQ(dev.net.httpServer, 4);
    EXPECT_EQ(ToBytes(dev.encode()), b);
}

TEST(DiscoverDev, SetUpBlockStartsWithNameModeAddressMask) {
    DISCOVER_DEV_T dev;
    SetFieldText(dev.name, "A");
    dev.net.netMode = 0;
    dev.net.ipAddr = 0xC0A80001;     // 192.168.0.1
    dev.net.subnetMask = 0xFFFFFF00; // 255.255.255.0
    const Bytes start = {'A',  0,    0,    0,    0,    0,    0,    0,    0,    0,
                         0,    0,    0,    0,    0,    0,    0x00, 0x00, 0x00, 0x00,
                         0x01, 0x00, 0xA8, 0xC0, 0x00, 0xFF, 0xFF, 0xFF};
    const Bytes encoded = ToBytes(dev.encode());
    EXPECT_EQ(Bytes(encoded.begin(), encoded.begin() + 28), start);
}

TEST(DiscoverDev, TextFieldsStayInsideTheirWidth) {
    DISCOVER_DEV_T dev;
    SetFieldText(dev.net.serverAddr, std::string(60, 'x'));
    const Bytes b = ToBytes(dev.encode());
    EXPECT_EQ(b[40 + 46], 'x');
    EXPECT_EQ(b[40 + 47], 0); // 47 characters and the NUL
    EXPECT_EQ(b[88], 0);      // the port after it untouched

    // A received name with no NUL is all 16 bytes, and goes back out as 16 bytes.
    Bytes r(96, 0);
    PutText(r, 0, "ABCDEFGHIJKLMNOP");
    r[16] = 0x01;
    const DISCOVER_DEV_T full = DISCOVER_DEV_T::decode(std::span<const std::uint8_t, 96>(r));
    EXPECT_EQ(DeviceName(full), "ABCDEFGHIJKLMNOP");
    DISCOVER_DEV_T echo;
    SetFieldBytes(echo.name, DeviceName(full));
    EXPECT_EQ(DeviceName(echo), "ABCDEFGHIJKLMNOP");
    SetFieldBytes(echo.name, "Gate");
    EXPECT_EQ(DeviceName(echo), "Gate");
}

TEST(DiscoverDev, SourceAddressTravelsFirstOctetFirst) {
    // 192.168.1.20 as the socket gives it.
    const std::uint32_t field = SourceToAddressField(0xC0A80114);
    EXPECT_EQ(AddressFieldBytes(field), (std::array<std::uint8_t, 4>{0xC0, 0xA8, 0x01, 0x14}));
    EXPECT_EQ(AddressFieldToSource(field), 0xC0A80114u);
    DISCOVER_DEV_T dev;
    dev.net.ipAddr = field;
    const Bytes b = ToBytes(dev.encode());
    EXPECT_EQ(Bytes(b.begin() + 20, b.begin() + 24), (Bytes{0xC0, 0xA8, 0x01, 0x14}));
    // The reader's name is text, not a format.
    EXPECT_EQ(CurrentDeviceText("%s%d", dev), "Current device: %s%d(192.168.1.20)");
}

TEST(DiscoverDev, FirstStoredRecordOfThatExactName) {
    DeviceList list;
    for (const auto& [name, port] : {std::pair{"Twin", 1}, {"Other", 2}, {"Twin", 3}, {"", 4}}) {
        auto dev = std::make_unique<DISCOVER_DEV_T>();
        SetFieldText(dev->name, name);
        dev->net.serverPort = port;
        list.push_back(std::move(dev));
    }
    struct Row {
        const char* name;
        int port; // 0: none found
    };
    for (const Row& r :
         {Row{"Twin", 1}, {"Other", 2}, {"", 4}, {"twin", 0}, {"Twi", 0}, {"Twin ", 0}}) {
        const DISCOVER_DEV_T* found = FindDeviceByName(list, r.name);
        EXPECT_EQ(found ? found->net.serverPort : 0, r.port) << "[" << r.name << "]";
    }
}

TEST(DevParam, DecodesEveryFieldFromAHandWrittenRecord) {
    Bytes b(568, 0);
    Put(b, 0, {0x01, 0x00, 0x00, 0x00});
    Put(b, 4, {0x14, 0x01, 0xA8, 0xC0});  // 192.168.1.20
    Put(b, 8, {0x00, 0xFF, 0xFF, 0xFF});  // 255.255.255.0
    Put(b, 12, {0x01, 0x01, 0xA8, 0xC0}); // 192.168.1.1
    Put(b, 16, {0x72, 0x72, 0x72, 0x72});
    Put(b, 20, {0x04, 0x04, 0x08, 0x08}); // 8.8.4.4
    PutText(b, 24, "cloud.example");
    Put(b, 72, {0x90, 0x1F, 0x00, 0x00}); // 8080
    Put(b, 76, {0x02, 0x00, 0x00, 0x00});
    for (std::size_t i = 80; i < 208; ++i) {
        b[i] = 0xAA;
    }
    Put(b, 208, {0x01, 0x00, 0x00, 0x00});
    Put(b, 212, {0x04, 0x03, 0x02, 0x01}); // 1.2.3.4
    PutText(b, 216, "prod");
    PutText(b, 248, "key");
    PutText(b, 280, "dev");
    PutText(b, 312, "dkey");
    PutText(b, 344, "pub");
    PutText(b, 376, std::string(32, 'S')); // no terminator
    Put(b, 408, {0x03, 0x05, 0x01, 0x01, 0x00});
    Put(b, 413, {0x02, 0x1A});
    Put(b, 445, {0x01});
    PutText(b, 446, "AB");
    Put(b, 478, {0x02, 0x01, 0x01, 0x00});
    Put(b, 482, {0x05, 0x00, 0x00, 0x00});       // 5 x 100 us
    Put(b, 486, {0x04, 0x00, 0x00, 0x00});       // 4 x 100 us
    Put(b, 490, {0x01});                         // reverse order
    Put(b, 491, {0x00, 0xC2, 0x01, 0x00});       // 115200 at an odd offset
    Put(b, 495, {0x07, 0x02, 0x01, 0x01, 0x02}); // data, stop, parity, QR, reset
    Put(b, 500, {0x02, 0x32, 0x00, 0x00});       // card number, start bit 50, card, serial
    Put(b, 504, {0x02, 0x00});
    Put(b, 536, {0xFF});

    // The dialog tests see every shown field land in its control; here the fields it cannot
    // see, the odd offsets, and the way back out.
    const DEV_PARAM_T p = DEV_PARAM_T::decode(std::span<const std::uint8_t, 568>(b));
    EXPECT_EQ(p.net.ipAddr, 0xC0A80114u);
    EXPECT_EQ(p.reserved.front(), 0xAA);
    EXPECT_EQ(p.reserved.back(), 0xAA);
    EXPECT_EQ(p.cloudServer, 0x01020304u);
    EXPECT_EQ(FieldText(p.subscribeTopic), std::string(32, 'S'));
    EXPECT_EQ(p.barcodeSuffixFormat, 1);
    EXPECT_EQ(p.wgHighPulse, 5);
    EXPECT_EQ(p.baudRate, 115200);
    EXPECT_EQ(p.dataBits, 7);
    EXPECT_EQ(p.cardNumberFormat, 2);
    EXPECT_EQ(p.startBit, 50);
    EXPECT_EQ(AffixHex(p.cardPrefix), "02");
    EXPECT_EQ(p.cardSuffix[0], static_cast<char>(0xFF));
    EXPECT_EQ(ToBytes(p.encode()), b);
}

TEST(DevParam, SignedBytesAndNumbers) {
    Bytes b(568, 0);
    Put(b, 408, {0xFF});                   // output format code -1
    Put(b, 482, {0xFF, 0xFF, 0xFF, 0xFF}); // high pulse -1
    Put(b, 491, {0xFF, 0xFF, 0xFF, 0x7F});
    const DEV_PARAM_T p = DEV_PARAM_T::decode(std::span<const std::uint8_t, 568>(b));
    EXPECT_EQ(p.outputFormat, -1);
    EXPECT_EQ(p.wgHighPulse, -1);
    EXPECT_EQ(p.baudRate, INT_MAX);
}

TEST(DevParam, AffixShownAsHex) {
    std::array<char, WIRE_FIELD_LEN> field{};
    EXPECT_EQ(AffixHex(field), "");
    field[0] = 0x0D;
    field[1] = 0x0A;
    field[3] = 0x41; // after the NUL: not shown
    EXPECT_EQ(AffixHex(field), "0d0a");
    field.fill(static_cast<char>(0xAB));
    std::string all;
    for (int i = 0; i < 32; ++i) {
        all += "ab";
    }
    EXPECT_EQ(AffixHex(field), all);
    EXPECT_EQ(FieldText(field).size(), 32u);
}

TEST(DevParam, PulseUnitsToMicroseconds) {
    struct Row {
        std::int32_t units, micros;
    };
    for (const Row r : {Row{5, 500},
                        {4, 400},
                        {0, 0},
                        {-5, -500},
                        {21474836, 2147483600},
                        {21474837, INT_MAX},
                        {INT_MAX, INT_MAX},
                        {INT_MIN, INT_MIN}}) {
        EXPECT_EQ(PulseMicros(r.units), r.micros) << r.units;
    }
}
