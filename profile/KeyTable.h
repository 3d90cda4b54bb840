// Every profile key once: its name in files and on the command line, its kind, the list it is
// chosen from, where the reader reports it, and the setting command and payload field that carry
// it. The model, the plan, the file reader, the dialog's profile controls and tessaroctl's key
// completion all read this table. A new setting is a row here, an item list in core/ChoiceLists.h,
// its command code (and payload, if not one byte per field) in serial/SettingPayloads and its
// field in serial/SerialParamRecord.
#pragma once

#include "core/ChoiceLists.h"
#include "serial/SerialParamRecord.h"
#include "serial/SettingPayloads.h"

#include <cstddef>
#include <cstdint>

// In the order files list them.
enum class ProfileKey : unsigned char {
    OutputFormat,
    CardInputFormat,
    Enter,
    LineFeed,
    BaudRate,
    DataBits,
    StopBits,
    Parity,
    QrOutputFormat,
    ResetInterval,
    WorkingMode,
    Horn,
    Light,
    BarcodePrefix,
    BarcodeSuffix,
    CardPrefix,
    CardSuffix,
    CardOutputFormat,
    WiegandHighPulse,
    WiegandLowPulse,
    WiegandOutputOrder,
    CardNumberFormat,
    StartBit,
};

enum class KeyKind {
    List,    // held as the position of one of its list's items
    Integer, // a number; baud rate, data bits and stop bits must also be one of their list's items
    Affix,   // bytes
};

// Pulse widths below 100 us are raised to 100 by the dialog; 0.1 s is far beyond any reader's
// use and keeps a typo of an extra digit or two out.
inline constexpr std::int32_t PULSE_MIN_US = 100;
inline constexpr std::int32_t PULSE_MAX_US = 100000;
// Start bit item i reads "i", so its value is also the position the command sends.
inline constexpr std::int32_t START_BIT_MAX = 50;

// Where the parameter record holds a key: a byte, a 32-bit number, or an affix (its length and
// its field); nothing for a key the reader does not report.
struct RecordPlace {
    std::uint8_t SerialParamRecord::*byte = nullptr;
    std::int32_t SerialParamRecord::*number = nullptr;
    AffixField SerialParamRecord::*affix = nullptr;

    static constexpr RecordPlace Byte(std::uint8_t SerialParamRecord::*m) { return {m}; }
    static constexpr RecordPlace Number(std::int32_t SerialParamRecord::*m) { return {{}, m}; }
    static constexpr RecordPlace Affix(std::int32_t SerialParamRecord::*length,
                                       AffixField SerialParamRecord::*field) {
        return {{}, length, field};
    }
    static constexpr RecordPlace NotReported() { return {}; }
};

struct KeyInfo {
    ProfileKey key;
    const char* name;
    KeyKind kind;
    ChoiceItems items;    // the list it is chosen from; empty for none
    RecordPlace reported; // where the reader reports it
    std::uint8_t cmdId;   // the setting command that carries it
    std::uint8_t field;   // its place among that command's payload fields, from 0
    bool listed;          // an Integer whose value must be one of its list's items
    std::int32_t min = 0; // Integer range when not listed
    std::int32_t max = 0;
};

namespace key_table {

using K = ProfileKey;
using Kind = KeyKind;
using Place = RecordPlace;
using R = SerialParamRecord;

// Payload fields follow the command's payload: Enter then Line feed; the card affix command's
// format, prefix, suffix; the Wiegand high pulse, low pulse, order; the QR code's card number
// format, start bit; the serial parameters' speed, data bits, stop bits, parity, QR format.
// clang-format off
inline constexpr KeyInfo ROWS[] = {
    {K::OutputFormat,       "output_format",         Kind::List,    OUTPUT_FORMAT_ITEMS,      Place::Byte(&R::outputFormat),     CMD_OUTPUT_FORMAT,     0, false},
    {K::CardInputFormat,    "card_input_format",     Kind::List,    CARD_INPUT_FORMAT_ITEMS,  Place::Byte(&R::cardInputFormat),  CMD_CARD_INPUT_FORMAT, 0, false},
    {K::Enter,              "enter",                 Kind::List,    ENTER_KEY_ITEMS,          Place::Byte(&R::hidEnter),         CMD_ENTER_LINE_FEED,   0, false},
    {K::LineFeed,           "line_feed",             Kind::List,    LINE_FEED_ITEMS,          Place::Byte(&R::lineFeed),         CMD_ENTER_LINE_FEED,   1, false},
    {K::BaudRate,           "baud_rate",             Kind::Integer, BAUD_RATE_ITEMS,          Place::Number(&R::baudRate),       CMD_SERIAL_PARAMS,     0, true},
    {K::DataBits,           "data_bits",             Kind::Integer, DATA_BIT_ITEMS,           Place::Byte(&R::dataBits),         CMD_SERIAL_PARAMS,     1, true},
    {K::StopBits,           "stop_bits",             Kind::Integer, STOP_BIT_ITEMS,           Place::Byte(&R::stopBits),         CMD_SERIAL_PARAMS,     2, true},
    {K::Parity,             "parity",                Kind::List,    PARITY_ITEMS,             Place::Byte(&R::parity),           CMD_SERIAL_PARAMS,     3, false},
    {K::QrOutputFormat,     "qr_output_format",      Kind::List,    QR_OUTPUT_FORMAT_ITEMS,   Place::Byte(&R::qrOutputFormat),   CMD_SERIAL_PARAMS,     4, false},
    {K::ResetInterval,      "reset_interval",        Kind::List,    RESET_INTERVAL_ITEMS,     Place::Byte(&R::resetInterval),    CMD_RESET_INTERVAL,    0, false},
    {K::WorkingMode,        "working_mode",          Kind::List,    WORKING_MODE_ITEMS,       Place::Byte(&R::workingMode),      CMD_WORKING_MODE,      0, false},
    {K::Horn,               "horn",                  Kind::List,    HORN_ITEMS,               Place::Byte(&R::horn),             CMD_HORN,              0, false},
    {K::Light,              "light",                 Kind::List,    LIGHT_ITEMS,              Place::Byte(&R::light),            CMD_LIGHT,             0, false},
    {K::BarcodePrefix,      "barcode_prefix",        Kind::Affix,   {},                       Place::Affix(&R::barcodePrefixLen, &R::barcodePrefix), CMD_BARCODE_PREFIX, 0, false},
    {K::BarcodeSuffix,      "barcode_suffix",        Kind::Affix,   {},                       Place::Affix(&R::barcodeSuffixLen, &R::barcodeSuffix), CMD_BARCODE_SUFFIX, 0, false},
    {K::CardPrefix,         "card_prefix",           Kind::Affix,   {},                       Place::Affix(&R::cardPrefixLen, &R::cardPrefix),       CMD_CARD_AFFIX,     1, false},
    {K::CardSuffix,         "card_suffix",           Kind::Affix,   {},                       Place::Affix(&R::cardSuffixLen, &R::cardSuffix),       CMD_CARD_AFFIX,     2, false},
    // The card's serial output format: sent with the card affixes, never reported.
    {K::CardOutputFormat,   "card_output_format",    Kind::List,    AFFIX_FORMAT_ITEMS,       Place::NotReported(),              CMD_CARD_AFFIX,        0, false},
    {K::WiegandHighPulse,   "wiegand_high_pulse_us", Kind::Integer, {},                       Place::Number(&R::wgHighPulse),    CMD_WIEGAND_TIMING,    0, false, PULSE_MIN_US, PULSE_MAX_US},
    {K::WiegandLowPulse,    "wiegand_low_pulse_us",  Kind::Integer, {},                       Place::Number(&R::wgLowPulse),     CMD_WIEGAND_TIMING,    1, false, PULSE_MIN_US, PULSE_MAX_US},
    {K::WiegandOutputOrder, "wiegand_output_order",  Kind::List,    WG_OUTPUT_ORDER_ITEMS,    Place::Byte(&R::wgOutputOrder),    CMD_WIEGAND_TIMING,    2, false},
    {K::CardNumberFormat,   "card_number_format",    Kind::List,    CARD_NUMBER_FORMAT_ITEMS, Place::Byte(&R::cardNumberFormat), CMD_QR_CODE,           0, false},
    {K::StartBit,           "start_bit",             Kind::Integer, START_BIT_ITEMS,          Place::Byte(&R::startBit),         CMD_QR_CODE,           1, false, 0, START_BIT_MAX},
};
// clang-format on

} // namespace key_table

inline constexpr std::size_t PROFILE_KEY_COUNT = sizeof key_table::ROWS / sizeof(KeyInfo);

// Info(key) indexes the table by the key.
static_assert(
    [] {
        for (std::size_t i = 0; i < PROFILE_KEY_COUNT; ++i) {
            if (static_cast<std::size_t>(key_table::ROWS[i].key) != i) {
                return false;
            }
        }
        return true;
    }(),
    "key table rows out of key order");
