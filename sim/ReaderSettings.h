// Everything a simulated reader remembers: its name, network block and every setting the
// serial and network records carry. Plain data, no Qt.
#pragma once

#include "net/DiscoverDev.h"
#include "serial/SerialParamRecord.h"
#include "serial/SettingPayloads.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Longest texts, each field keeping its terminating zero.
inline constexpr std::size_t NAME_MAX_LEN = DEV_NAME_LEN - 1;
inline constexpr std::size_t VERSION_MAX_LEN = VERSION_TEXT_LEN - 1;
inline constexpr std::size_t SERVER_ADDR_MAX_LEN = DEV_SERVER_ADDR_LEN - 1;
inline constexpr std::size_t CLOUD_TEXT_MAX_LEN = TEXT_MAX_BYTES;
// An affix fills at most its whole field.
inline constexpr std::size_t AFFIX_MAX_LEN = WIRE_FIELD_LEN;

// The reader's network settings, as a discovery reply carries them after the name.
struct NetworkBlock {
    std::int32_t netMode = 0;              // 0 fixed IP, 1 automatic
    std::uint32_t ipAddr = 0xC0A80064;     // 192.168.0.100; first dotted field most significant
    std::uint32_t subnetMask = 0xFFFFFF00; // 255.255.255.0
    std::uint32_t gateway = 0xC0A80001;    // 192.168.0.1
    std::uint32_t dns1 = 0x72727272;       // 114.114.114.114
    std::uint32_t dns2 = 0x08080808;       // 8.8.8.8
    std::string serverAddr = "server.example.com";
    std::int32_t serverPort = 80;
    std::int32_t httpServer = 0;

    bool operator==(const NetworkBlock&) const = default;
};

// The cloud block of request 0x18, kept as the reader would store it.
struct CloudBlock {
    std::int32_t provider = 0;
    std::uint32_t serverAddr = 0;
    // product name, product key, device name, device key, publish topic, subscribe topic; UTF-8
    std::array<std::string, CLOUD_TEXT_COUNT> texts{};

    bool operator==(const CloudBlock&) const = default;
};

// List settings hold positions in the dialog's lists (0 = first item); numbers hold numbers.
struct ReaderSettings {
    std::string name = "Reader-1";
    std::string version = "ver_client1_1.1"; // sent in the version announcement
    NetworkBlock net;

    std::uint8_t outputFormat = 0;
    std::uint8_t cardInputFormat = 0;
    std::uint8_t enterKey = 1;
    std::uint8_t lineFeed = 0;

    std::int32_t baudRate = 9600;
    std::uint8_t dataBits = 8;
    std::uint8_t stopBits = 1;
    std::uint8_t parity = 2;
    std::uint8_t qrOutputFormat = 0;

    std::uint8_t resetInterval = 1;
    std::uint8_t workingMode = 0;
    std::uint8_t horn = 0;
    std::uint8_t light = 0;
    std::uint8_t hiddenSwitch = 0;

    // 0 hex, 1 text: how a display shows the affixes. The serial commands do not carry them.
    std::uint8_t barcodePrefixFormat = 1;
    std::uint8_t barcodeSuffixFormat = 1;
    std::vector<std::uint8_t> barcodePrefix; // at most AFFIX_MAX_LEN bytes
    std::vector<std::uint8_t> barcodeSuffix;

    std::uint8_t serialOutputFormat = 1; // 0 hex, 1 text, for the card affixes
    std::uint8_t cardAffixFormat = 1;
    std::vector<std::uint8_t> cardPrefix;
    std::vector<std::uint8_t> cardSuffix;

    std::int32_t highPulse = 2000; // microseconds
    std::int32_t lowPulse = 400;
    std::uint8_t wgOutputOrder = 0;

    std::uint8_t cardNumberFormat = 0;
    std::uint8_t startBit = 0;

    CloudBlock cloud;

    bool operator==(const ReaderSettings&) const = default;
};

// How the reader puts bytes on its serial line: it understands only bytes sent this way, and
// its replies are garbage to a port set otherwise. Parity as in ReaderSettings.
struct SerialFraming {
    std::int32_t baud = 9600;
    std::uint8_t dataBits = 8;
    std::uint8_t stopBits = 1;
    std::uint8_t parity = 2;

    bool operator==(const SerialFraming&) const = default;
};
SerialFraming FramingOf(const ReaderSettings& settings);
// "9600 8N1", "19200 7E2".
std::string FramingText(const SerialFraming& framing);

// Readers number two and up: a copy of the first with its own name and address.
ReaderSettings NumberedReader(const ReaderSettings& first, int number);

} // namespace sim
