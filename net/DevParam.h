// The reader's whole parameter record as it reports it over UDP.
#pragma once

#include "net/DiscoverDev.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr std::size_t DEV_PARAM_RESERVED_LEN = 128;

// Field offsets inside the 568-byte record.
namespace dev_param {
inline constexpr std::size_t NET_BLOCK = 0;
inline constexpr std::size_t RESERVED = 80;
// Cloud block, laid out like the cloud set command's data.
inline constexpr std::size_t CLOUD_PROVIDER = 208;
inline constexpr std::size_t CLOUD_SERVER = 212;
inline constexpr std::size_t PRODUCT_NAME = 216;
inline constexpr std::size_t PRODUCT_KEY = 248;
inline constexpr std::size_t DEVICE_NAME = 280;
inline constexpr std::size_t DEVICE_KEY = 312;
inline constexpr std::size_t PUBLISH_TOPIC = 344;
inline constexpr std::size_t SUBSCRIBE_TOPIC = 376;
// Reader settings, one signed byte each unless noted.
inline constexpr std::size_t OUTPUT_FORMAT = 408;     // 1-based
inline constexpr std::size_t CARD_INPUT_FORMAT = 409; // 1-based
inline constexpr std::size_t ENTER_KEY = 410;
inline constexpr std::size_t LINE_FEED = 411;
inline constexpr std::size_t BARCODE_PREFIX_FORMAT = 412; // 0: shown as hex
inline constexpr std::size_t BARCODE_PREFIX = 413;
inline constexpr std::size_t BARCODE_SUFFIX_FORMAT = 445; // 0: shown as hex
inline constexpr std::size_t BARCODE_SUFFIX = 446;
inline constexpr std::size_t LIGHT = 478;
inline constexpr std::size_t WORKING_MODE = 479;
inline constexpr std::size_t HIDDEN_SWITCH = 480;
inline constexpr std::size_t HORN = 481;
inline constexpr std::size_t WG_HIGH_PULSE = 482; // 32-bit, units of 100 us
inline constexpr std::size_t WG_LOW_PULSE = 486;  // 32-bit, units of 100 us
inline constexpr std::size_t WG_OUTPUT_ORDER = 490;
inline constexpr std::size_t BAUD_RATE = 491; // 32-bit number
inline constexpr std::size_t DATA_BITS = 495;
inline constexpr std::size_t STOP_BITS = 496;
inline constexpr std::size_t PARITY = 497;
inline constexpr std::size_t QR_OUTPUT_FORMAT = 498;
inline constexpr std::size_t RESET_INTERVAL = 499;
inline constexpr std::size_t CARD_NUMBER_FORMAT = 500;
inline constexpr std::size_t START_BIT = 501;
inline constexpr std::size_t CARD_AFFIX_FORMAT = 502;
inline constexpr std::size_t SERIAL_OUTPUT_FORMAT = 503; // 0: card affixes shown as hex
inline constexpr std::size_t CARD_PREFIX = 504;
inline constexpr std::size_t CARD_SUFFIX = 536;
} // namespace dev_param

static_assert(dev_param::RESERVED == NET_BLOCK_LEN);
static_assert(dev_param::CLOUD_PROVIDER == dev_param::RESERVED + DEV_PARAM_RESERVED_LEN);
static_assert(dev_param::OUTPUT_FORMAT == dev_param::SUBSCRIBE_TOPIC + WIRE_FIELD_LEN);
static_assert(dev_param::BARCODE_SUFFIX_FORMAT == dev_param::BARCODE_PREFIX + WIRE_FIELD_LEN);
static_assert(dev_param::LIGHT == dev_param::BARCODE_SUFFIX + WIRE_FIELD_LEN);
static_assert(dev_param::CARD_SUFFIX == dev_param::CARD_PREFIX + WIRE_FIELD_LEN);
static_assert(dev_param::CARD_SUFFIX + WIRE_FIELD_LEN == DEV_PARAM_LEN);

struct DEV_PARAM_T {
    NetBlock net; // the discovery record's bytes 16 to 95
    std::array<std::uint8_t, DEV_PARAM_RESERVED_LEN> reserved{}; // kept, not interpreted

    std::int32_t cloudProvider = 0;
    std::uint32_t cloudServer = 0;
    // UTF-8.
    std::array<char, WIRE_FIELD_LEN> productName{};
    std::array<char, WIRE_FIELD_LEN> productKey{};
    std::array<char, WIRE_FIELD_LEN> deviceName{};
    std::array<char, WIRE_FIELD_LEN> deviceKey{};
    std::array<char, WIRE_FIELD_LEN> publishTopic{};
    std::array<char, WIRE_FIELD_LEN> subscribeTopic{};

    std::int8_t outputFormat = 0;
    std::int8_t cardInputFormat = 0;
    std::int8_t enterKey = 0;
    std::int8_t lineFeed = 0;
    std::int8_t barcodePrefixFormat = 0;
    std::array<char, WIRE_FIELD_LEN> barcodePrefix{};
    std::int8_t barcodeSuffixFormat = 0;
    std::array<char, WIRE_FIELD_LEN> barcodeSuffix{};
    std::int8_t light = 0;
    std::int8_t workingMode = 0;
    std::int8_t hiddenSwitch = 0;
    std::int8_t horn = 0;
    std::int32_t wgHighPulse = 0;
    std::int32_t wgLowPulse = 0;
    std::int8_t wgOutputOrder = 0;
    std::int32_t baudRate = 0;
    std::int8_t dataBits = 0;
    std::int8_t stopBits = 0;
    std::int8_t parity = 0;
    std::int8_t qrOutputFormat = 0;
    std::int8_t resetInterval = 0;
    std::int8_t cardNumberFormat = 0;
    std::int8_t startBit = 0;
    std::int8_t cardAffixFormat = 0;
    std::int8_t serialOutputFormat = 0;
    std::array<char, WIRE_FIELD_LEN> cardPrefix{};
    std::array<char, WIRE_FIELD_LEN> cardSuffix{};

    std::array<std::uint8_t, DEV_PARAM_LEN> encode() const;
    static DEV_PARAM_T decode(std::span<const std::uint8_t, DEV_PARAM_LEN> bytes);

    friend bool operator==(const DEV_PARAM_T&, const DEV_PARAM_T&) = default;
};

// An affix as lowercase hex pairs of its bytes before the first NUL: 02 1A shows as "021a".
std::string AffixHex(const std::array<char, WIRE_FIELD_LEN>& field);

// A pulse width in units of 100 us as microseconds, held within the int range.
std::int32_t PulseMicros(std::int32_t units);
