// Command codes of the serial channel and the payload of every setting command, built from the
// values the dialog's controls hold (list positions, list texts, box texts, numbers).
#pragma once

#include "core/ChoiceLists.h"
#include "core/WireConstants.h"
#include <array>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum SerialCmd : std::uint8_t {
    CMD_GET_PARAM = 0x01,
    CMD_OUTPUT_FORMAT = 0x06,
    CMD_CARD_INPUT_FORMAT = 0x08,
    CMD_ENTER_LINE_FEED = 0x0A,
    CMD_BARCODE_PREFIX = 0x0C,
    CMD_BARCODE_SUFFIX = 0x0E,
    CMD_LIGHT = 0x10,
    CMD_WORKING_MODE = 0x12,
    CMD_SWITCH = 0x14,
    CMD_HORN = 0x16,
    CMD_CLOUD = 0x18,
    CMD_WIEGAND_TIMING = 0x1C,
    CMD_SERIAL_PARAMS = 0x26,
    CMD_RESET_INTERVAL = 0x28,
    CMD_QR_CODE = 0x2A,
    CMD_CARD_AFFIX = 0x2C,
    CMD_TOTAL_RECORDS = 0x2E,
    CMD_READ_RECORD = 0x30,
    CMD_KEEP_RECORD = 0x32,
};

using Bytes = std::vector<std::uint8_t>;

// A box's text is read into a field with its terminating zero.
inline constexpr std::size_t TEXT_MAX_BYTES = WIRE_FIELD_LEN - 1;

// Wiegand timing (0x1C).
inline constexpr std::size_t WG_HIGH_PULSE = 0;
inline constexpr std::size_t WG_LOW_PULSE = 4;
inline constexpr std::size_t WG_OUTPUT_ORDER = 8;

// Serial parameters (0x26).
inline constexpr std::size_t SP_BAUD_RATE = 0;
inline constexpr std::size_t SP_DATA_BITS = 4;
inline constexpr std::size_t SP_STOP_BITS = 5;
inline constexpr std::size_t SP_PARITY = 6;
inline constexpr std::size_t SP_QR_OUTPUT_FORMAT = 7;

// Cloud block (0x18): two numbers, then six zero-terminated UTF-8 fields.
inline constexpr std::size_t CLOUD_PROVIDER = 0;
inline constexpr std::size_t CLOUD_SERVER_ADDRESS = 4;
inline constexpr std::size_t CLOUD_TEXTS = 8;
inline constexpr std::size_t CLOUD_TEXT_COUNT = 6;
static_assert(CLOUD_TEXTS + CLOUD_TEXT_COUNT * WIRE_FIELD_LEN == CLOUD_BLOCK_LEN);

// "Keep a record" sends the record text in chunks of this size, the last one zero-padded.
inline constexpr std::size_t RECORD_CHUNK_LEN = 160;

// List position as one byte; no selection (-1) gives 0xFF.
std::uint8_t ListIndexByte(int index);
// List position as a 32-bit field; no selection gives FF FF FF FF.
std::uint32_t ListIndex32(int index);

// The number in a list item's text: its leading decimal digits (within the first 31 bytes),
// 0 when there are none. Values beyond 32 bits saturate.
std::int32_t NumberFromText(std::string_view text);

// A box's bytes as typed, at most 31 of them.
Bytes TextAsTyped(std::string_view text);
// A box's text read as hexadecimal pairs: (at most 31 characters) / 2 bytes, a final odd
// character ignored; each pair is scanned like "%2x" (leading blanks skipped) and a pair that
// does not begin with a hexadecimal digit gives 0x00. Each byte is traced.
Bytes HexPairs(std::string_view text);
// The affix bytes of a box, by its format list position.
Bytes AffixBytes(int formatIndex, std::string_view text);

// One byte per list position, in order (the single-list commands, Enter/Line feed, QR code).
Bytes IndexPayload(std::initializer_list<int> indexes);

// Barcode prefix or suffix (0x0C, 0x0E): N, then the N affix bytes.
Bytes AffixPayload(int formatIndex, std::string_view text);

// Card prefix and suffix (0x2C): serial output format, P, prefix bytes, S, suffix bytes.
Bytes CardAffixPayload(int affixFormatIndex, int serialOutputIndex, std::string_view prefix,
                       std::string_view suffix);

// Wiegand timing (0x1C): high pulse first, then low pulse, then the output order.
Bytes WiegandPayload(std::int32_t highPulse, std::int32_t lowPulse, int outputOrderIndex);

// Serial parameters (0x26) from the texts of the speed, data bit and stop bit lists and the
// positions of the parity and QR code output format lists.
Bytes SerialParamsPayload(std::string_view baudText, std::string_view dataBitText,
                          std::string_view stopBitText, int parityIndex, int qrOutputIndex);

struct CloudSettings {
    int providerIndex = 0;
    std::uint32_t serverAddress = 0; // first dotted field most significant
    // Product name, product key, device name, device key, publish topic, subscribe topic; UTF-8.
    std::array<std::string, CLOUD_TEXT_COUNT> texts;
};
// Cloud block (0x18), 200 bytes.
Bytes CloudPayload(const CloudSettings& cloud);

// The longest prefix of valid UTF-8 text that fits maxBytes without splitting a character.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

// "Transmit test": 01 02 03 04, zeros, CR LF; 120 bytes, not a command frame.
inline constexpr std::size_t TRANSMIT_TEST_LEN = 120;
Bytes TransmitTestPattern();

// The record text as it travels: every line break as CR LF.
Bytes RecordTextBytes(std::string_view text);
// 160-byte chunks of the record bytes, the last zero-padded; none for empty text.
std::vector<Bytes> RecordChunks(std::span<const std::uint8_t> bytes);
