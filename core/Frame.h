// The command header shared by the serial line and UDP, and the one encoder of both: a serial
// frame (8-bit sum) and a datagram (0xFF minus the sum of its data).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr std::size_t PACKAGE_HEADER_LEN = 4;
inline constexpr std::uint8_t SYNC_CODE = 0x05;

// Header offsets.
inline constexpr std::size_t HDR_SYNC = 0;
inline constexpr std::size_t HDR_CMD_ID = 1;
inline constexpr std::size_t HDR_LENGTH = 2;
inline constexpr std::size_t HDR_CHECKSUM = 3;

struct MspSendCmd_t {
    std::uint8_t sync = 0;
    std::uint8_t cmdId = 0;
    std::uint8_t length = 0;
    std::uint8_t cmdData_checksum = 0;

    std::array<std::uint8_t, PACKAGE_HEADER_LEN> encode() const {
        return {sync, cmdId, length, cmdData_checksum};
    }
    static MspSendCmd_t decode(std::span<const std::uint8_t, PACKAGE_HEADER_LEN> bytes) {
        return {bytes[HDR_SYNC], bytes[HDR_CMD_ID], bytes[HDR_LENGTH], bytes[HDR_CHECKSUM]};
    }
};

// Fills sync, command and length (payload + 4, kept to 8 bits); the checksum is left 0.
void BuildCmdHeader(MspSendCmd_t& header, std::uint8_t cmdId, std::size_t payloadLen);

// Plain 8-bit sum of sync, command, length and every payload byte.
std::uint8_t SerialChecksum(const MspSendCmd_t& header, std::span<const std::uint8_t> payload);

// The bytes written to the port: header with its checksum, then the payload.
std::vector<std::uint8_t> BuildSerialFrame(const MspSendCmd_t& header,
                                           std::span<const std::uint8_t> payload);
// Both steps at once, for senders that keep no header of their own.
std::vector<std::uint8_t> SerialFrame(std::uint8_t cmdId, std::span<const std::uint8_t> payload);

// 0xFF minus the 8-bit sum of count bytes; 0xFF for no bytes.
int UdpChecksum(const std::uint8_t* data, int count);

// The checksum of a datagram whose header counts length bytes: over that many bytes from
// offset 4, as far as the datagram reaches.
int UdpCoveredChecksum(std::span<const std::uint8_t> datagram, std::size_t length);

// A datagram as a reader sends it: header with length = data + 4 (8 bits), checksum over that
// many bytes from offset 4 (zero past the end), then the data.
std::vector<std::uint8_t> BuildUdpDatagram(std::uint8_t cmdId, std::span<const std::uint8_t> data);
