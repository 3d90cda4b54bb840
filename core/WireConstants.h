// Numbers both wires and both ends share: the UDP ports, the width of the text and affix
// fields, the sizes of the records and of the data each reply carries.
#pragma once

#include <cstddef>
#include <cstdint>

// A reader takes network commands on UDP_READER_PORT and announces itself to UDP_LOCAL_PORT,
// where the dialog listens.
inline constexpr std::uint16_t UDP_READER_PORT = 24582;
inline constexpr std::uint16_t UDP_LOCAL_PORT = 24583;

// Every text and affix field on both wires, its terminating zero included when it has one.
inline constexpr std::size_t WIRE_FIELD_LEN = 32;

// Records.
inline constexpr std::size_t SERIAL_PARAM_RECORD_LEN = 176; // serial parameter reply
inline constexpr std::size_t DISCOVER_DEV_LEN = 96;         // announcement, set-up confirmation
inline constexpr std::size_t DEV_PARAM_LEN = 568;           // UDP parameter record

// The version announcement: 64 bytes, the version text at 16 in a 48-byte field.
inline constexpr std::size_t VERSION_DATA_LEN = 64;
inline constexpr std::size_t VERSION_TEXT_OFFSET = 16;
inline constexpr std::size_t VERSION_TEXT_LEN = 48;
static_assert(VERSION_TEXT_OFFSET + VERSION_TEXT_LEN == VERSION_DATA_LEN);

// Setting payloads and the confirmations that carry them back.
inline constexpr std::size_t ENTER_LINE_FEED_LEN = 2;                // enter key, line feed
inline constexpr std::size_t WG_PAYLOAD_LEN = 9;                     // Wiegand timing
inline constexpr std::size_t SP_PAYLOAD_LEN = 8;                     // serial parameters
inline constexpr std::size_t CLOUD_BLOCK_LEN = 200;                  // cloud block
inline constexpr std::size_t AFFIX_CONFIRM_LEN = 1 + WIRE_FIELD_LEN; // length, then the field
// The confirmation of command 0x1A.
inline constexpr std::size_t CMD_1A_CONFIRM_LEN = 128;
