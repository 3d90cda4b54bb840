// UDP datagrams: the command header, the checksum over the data and the checks a received
// datagram passes before it is acted on.
#pragma once

#include "core/Frame.h"
#include "core/WireConstants.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Received datagrams are read into a buffer of this size; a larger one is discarded.
inline constexpr std::size_t UDP_RECV_BUFFER_LEN = 4096;

// Command identifiers on the UDP side. The reader answers a setting with its code + 1.
enum UdpCmd : std::uint8_t {
    UDP_CMD_VERSION = 0x01,
    UDP_CMD_DISCOVER = 0x03,
    UDP_CMD_OUTPUT_FORMAT_ACK = 0x07,
    UDP_CMD_CARD_INPUT_FORMAT_ACK = 0x09,
    UDP_CMD_ENTER_LINE_FEED_ACK = 0x0B,
    UDP_CMD_BARCODE_PREFIX_ACK = 0x0D,
    UDP_CMD_BARCODE_SUFFIX_ACK = 0x0F,
    UDP_CMD_LIGHT_ACK = 0x11,
    UDP_CMD_WORKING_MODE_ACK = 0x13,
    UDP_CMD_SWITCH_ACK = 0x15,
    UDP_CMD_HORN_ACK = 0x17,
    UDP_CMD_CLOUD_ACK = 0x19,
    UDP_CMD_1A_ACK = 0x1B,
    UDP_CMD_WIEGAND_ACK = 0x1D,
    UDP_CMD_PARAMS = 0x1F,
    UDP_CMD_SET_NET = 0x20,
    UDP_CMD_SET_NET_ACK = 0x21,
    UDP_CMD_SERIAL_PARAMS_ACK = 0x27,
    UDP_CMD_RESET_INTERVAL_ACK = 0x29,
    UDP_CMD_QR_CODE_ACK = 0x2B,
    UDP_CMD_CARD_AFFIX_ACK = 0x2D,
};

// The highest identifier the receive side looks at.
inline constexpr std::uint8_t UDP_CMD_MAX = 45;

enum class UdpVerdict {
    Valid,
    TooShort,    // fewer than the 4 header bytes
    BadSync,     // first byte not 0x05
    BadChecksum, // length not 0 and the data does not sum to cmdData_checksum
    OutOfRange,  // cmdId 0 or above 45: dropped without a trace
};

struct UdpCheck {
    UdpVerdict verdict = UdpVerdict::TooShort;
    MspSendCmd_t header;
    std::vector<std::string> traces; // as written to DebugTrace, in order
};

// Header checks of a received datagram, in order, each failure traced. Bytes the header's
// length counts past the datagram's end count as 0.
UdpCheck CheckUdpDatagram(std::span<const std::uint8_t> datagram);

// The fixed number of data bytes the receive side takes for cmdId; 0 for others.
std::size_t UdpDataSize(std::uint8_t cmdId);

// size bytes from offset 4 on; zero where the datagram has ended.
std::vector<std::uint8_t> UdpCommandData(std::span<const std::uint8_t> datagram, std::size_t size);

// " %02x" per byte: the dump of a received datagram.
std::string UdpDump(std::span<const std::uint8_t> datagram);
