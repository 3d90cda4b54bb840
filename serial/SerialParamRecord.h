// The reader's parameters as the serial parameter reply carries them: a 176-byte record after a
// four-byte header, ended by CR LF.
#pragma once

#include "core/Frame.h"
#include "core/WireConstants.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Record offsets.
inline constexpr std::size_t SPR_OUTPUT_FORMAT = 0;
inline constexpr std::size_t SPR_CARD_INPUT_FORMAT = 1;
inline constexpr std::size_t SPR_HID_ENTER = 2;
inline constexpr std::size_t SPR_LINE_FEED = 3;
inline constexpr std::size_t SPR_BAUD_RATE = 4;
inline constexpr std::size_t SPR_DATA_BITS = 8;
inline constexpr std::size_t SPR_STOP_BITS = 9;
inline constexpr std::size_t SPR_PARITY = 10;
inline constexpr std::size_t SPR_QR_OUTPUT_FORMAT = 11;
inline constexpr std::size_t SPR_RESET_INTERVAL = 12;
inline constexpr std::size_t SPR_WORKING_MODE = 13;
inline constexpr std::size_t SPR_HORN = 14;
inline constexpr std::size_t SPR_LIGHT = 15;
inline constexpr std::size_t SPR_BARCODE_PREFIX_LEN = 16;
inline constexpr std::size_t SPR_BARCODE_PREFIX = 20;
inline constexpr std::size_t SPR_BARCODE_SUFFIX_LEN = 52;
inline constexpr std::size_t SPR_BARCODE_SUFFIX = 56;
inline constexpr std::size_t SPR_CARD_PREFIX_LEN = 88;
inline constexpr std::size_t SPR_CARD_PREFIX = 92;
inline constexpr std::size_t SPR_CARD_SUFFIX_LEN = 124;
inline constexpr std::size_t SPR_CARD_SUFFIX = 128;
inline constexpr std::size_t SPR_WG_HIGH_PULSE = 160;
inline constexpr std::size_t SPR_WG_LOW_PULSE = 164;
inline constexpr std::size_t SPR_WG_OUTPUT_ORDER = 168;
inline constexpr std::size_t SPR_CARD_NUMBER_FORMAT = 169;
inline constexpr std::size_t SPR_START_BIT = 170;
inline constexpr std::size_t SPR_RESERVED = 171;
inline constexpr std::size_t SPR_RESERVED_LEN = 5;
static_assert(SPR_BARCODE_PREFIX + WIRE_FIELD_LEN == SPR_BARCODE_SUFFIX_LEN);
static_assert(SPR_CARD_SUFFIX + WIRE_FIELD_LEN == SPR_WG_HIGH_PULSE);
static_assert(SPR_RESERVED + SPR_RESERVED_LEN == SERIAL_PARAM_RECORD_LEN);

// The parameter reply: header, record, CR LF.
inline constexpr std::size_t PARAM_REPLY_RECORD = PACKAGE_HEADER_LEN;
inline constexpr std::size_t PARAM_REPLY_END = PARAM_REPLY_RECORD + SERIAL_PARAM_RECORD_LEN;
inline constexpr std::size_t PARAM_REPLY_LEN = PARAM_REPLY_END + 2;
static_assert(PARAM_REPLY_END == 180 && PARAM_REPLY_LEN == 182);
// A reader answers with the request's code + 1; the receiver never looks at the header.
inline constexpr std::uint8_t CMD_PARAM_REPLY = 0x02;

using AffixField = std::array<std::uint8_t, WIRE_FIELD_LEN>;

struct SerialParamRecord {
    std::uint8_t outputFormat = 0;
    std::uint8_t cardInputFormat = 0;
    std::uint8_t hidEnter = 0;
    std::uint8_t lineFeed = 0;
    std::int32_t baudRate = 0;
    std::uint8_t dataBits = 0;
    std::uint8_t stopBits = 0;
    std::uint8_t parity = 0;
    std::uint8_t qrOutputFormat = 0;
    std::uint8_t resetInterval = 0;
    std::uint8_t workingMode = 0;
    std::uint8_t horn = 0;
    std::uint8_t light = 0;
    std::int32_t barcodePrefixLen = 0;
    AffixField barcodePrefix{};
    std::int32_t barcodeSuffixLen = 0;
    AffixField barcodeSuffix{};
    std::int32_t cardPrefixLen = 0;
    AffixField cardPrefix{};
    std::int32_t cardSuffixLen = 0;
    AffixField cardSuffix{};
    std::int32_t wgHighPulse = 0;
    std::int32_t wgLowPulse = 0;
    std::uint8_t wgOutputOrder = 0;
    std::uint8_t cardNumberFormat = 0;
    std::uint8_t startBit = 0;
    std::array<std::uint8_t, SPR_RESERVED_LEN> reserved{};

    std::array<std::uint8_t, SERIAL_PARAM_RECORD_LEN> encode() const;
    static SerialParamRecord decode(std::span<const std::uint8_t, SERIAL_PARAM_RECORD_LEN> bytes);
};

// The whole 182-byte reply a reader sends for the parameter query (header command cmdId).
std::array<std::uint8_t, PARAM_REPLY_LEN> BuildParamReply(const SerialParamRecord& record,
                                                          std::uint8_t cmdId = CMD_PARAM_REPLY);

// An affix field shown as "%02x" per byte: length bytes (at most the 32 of the field), none
// when the length is 0 or less.
std::string AffixHexText(std::int32_t length, const AffixField& field);
// An affix field shown as text: its bytes up to the first zero, all 32 when there is none.
std::string AffixPlainText(const AffixField& field);
