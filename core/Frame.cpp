#include "core/Frame.h"

#include <algorithm>

void BuildCmdHeader(MspSendCmd_t& header, std::uint8_t cmdId, std::size_t payloadLen) {
    header.sync = SYNC_CODE;
    header.cmdId = cmdId;
    header.length = static_cast<std::uint8_t>((payloadLen + PACKAGE_HEADER_LEN) & 0xFF);
    header.cmdData_checksum = 0;
}

std::uint8_t SerialChecksum(const MspSendCmd_t& header, std::span<const std::uint8_t> payload) {
    unsigned sum = header.sync + header.cmdId + header.length;
    for (const std::uint8_t b : payload) {
        sum += b;
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::vector<std::uint8_t> BuildSerialFrame(const MspSendCmd_t& header,
                                           std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> frame(PACKAGE_HEADER_LEN + payload.size());
    const auto h = header.encode();
    for (std::size_t i = 0; i < PACKAGE_HEADER_LEN; ++i) {
        frame[i] = h[i];
    }
    frame[HDR_CHECKSUM] = SerialChecksum(header, payload);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        frame[PACKAGE_HEADER_LEN + i] = payload[i];
    }
    return frame;
}

std::vector<std::uint8_t> SerialFrame(std::uint8_t cmdId, std::span<const std::uint8_t> payload) {
    MspSendCmd_t header;
    BuildCmdHeader(header, cmdId, payload.size());
    return BuildSerialFrame(header, payload);
}

int UdpChecksum(const std::uint8_t* data, int count) {
    std::uint8_t sum = 0;
    for (int i = 0; i < count; ++i) {
        sum = static_cast<std::uint8_t>(sum + data[i]);
    }
    return 0xFF - sum;
}

int UdpCoveredChecksum(std::span<const std::uint8_t> datagram, std::size_t length) {
    const std::size_t available = datagram.size() - PACKAGE_HEADER_LEN;
    return UdpChecksum(datagram.data() + PACKAGE_HEADER_LEN,
                       static_cast<int>(std::min(length, available)));
}

std::vector<std::uint8_t> BuildUdpDatagram(std::uint8_t cmdId, std::span<const std::uint8_t> data) {
    MspSendCmd_t header;
    BuildCmdHeader(header, cmdId, data.size());
    std::vector<std::uint8_t> datagram(PACKAGE_HEADER_LEN + data.size());
    const auto h = header.encode();
    std::copy(h.begin(), h.end(), datagram.begin());
    std::copy(data.begin(), data.end(), datagram.begin() + PACKAGE_HEADER_LEN);
    datagram[HDR_CHECKSUM] = static_cast<std::uint8_t>(UdpCoveredChecksum(datagram, header.length));
    return datagram;
}
