#include "net/UdpPacket.h"

#include "core/DebugTrace.h"
#include "core/HexText.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <utility>

namespace {

// Receive traces name the function that reads the socket, whatever file they come from.
constexpr const char* TRACE_FILE = "TessaroDlg";
constexpr const char* TRACE_FUNC = "CTessaroDlg::UdpCmdRecv";
// ... and fixed line numbers, so that a trace reads the same however this file changes.
constexpr int TRACE_LINE_TOO_SHORT = 49;
constexpr int TRACE_LINE_CMD_ID = 61;

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void Trace(std::vector<std::string>& traces, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (auto text = DebugTraceV(format, args)) {
        traces.push_back(std::move(*text));
    }
    va_end(args);
}

} // namespace

UdpCheck CheckUdpDatagram(std::span<const std::uint8_t> datagram) {
    UdpCheck check;
    if (datagram.size() < PACKAGE_HEADER_LEN) {
        Trace(check.traces, "\n\n\n %s,%s,%d  recvbytes=%d PACKAGE_HEADER_LEN=%d\n", TRACE_FILE,
              TRACE_FUNC, TRACE_LINE_TOO_SHORT, static_cast<int>(datagram.size()),
              static_cast<int>(PACKAGE_HEADER_LEN));
        check.verdict = UdpVerdict::TooShort;
        return check;
    }
    check.header = MspSendCmd_t::decode(datagram.first<PACKAGE_HEADER_LEN>());
    const MspSendCmd_t& h = check.header;
    if (h.sync != SYNC_CODE) {
        Trace(check.traces, "sync code error\n");
        check.verdict = UdpVerdict::BadSync;
        return check;
    }
    Trace(check.traces, "%s,%s,%d pNet->cmdId =0x%0x\n", TRACE_FILE, TRACE_FUNC, TRACE_LINE_CMD_ID,
          h.cmdId);
    if (h.length != 0) {
        const int retCrc = UdpCoveredChecksum(datagram, h.length);
        if (retCrc != h.cmdData_checksum) {
            Trace(check.traces, "cmdData_checksum error ,retCrc=0x%0x ,cmdData_checksum=0x%0x \n",
                  static_cast<unsigned>(retCrc), h.cmdData_checksum);
            check.verdict = UdpVerdict::BadChecksum;
            return check;
        }
    }
    if (static_cast<unsigned>(h.cmdId) - 1u > UDP_CMD_MAX - 1u) {
        check.verdict = UdpVerdict::OutOfRange;
        return check;
    }
    check.verdict = UdpVerdict::Valid;
    return check;
}

std::size_t UdpDataSize(std::uint8_t cmdId) {
    switch (cmdId) {
    case UDP_CMD_VERSION:
        return VERSION_DATA_LEN;
    case UDP_CMD_DISCOVER:
    case UDP_CMD_SET_NET_ACK:
        return DISCOVER_DEV_LEN;
    case UDP_CMD_OUTPUT_FORMAT_ACK:
    case UDP_CMD_CARD_INPUT_FORMAT_ACK:
    case UDP_CMD_LIGHT_ACK:
    case UDP_CMD_WORKING_MODE_ACK:
    case UDP_CMD_SWITCH_ACK:
    case UDP_CMD_HORN_ACK:
    case UDP_CMD_RESET_INTERVAL_ACK:
        return 1;
    case UDP_CMD_ENTER_LINE_FEED_ACK:
        return ENTER_LINE_FEED_LEN;
    case UDP_CMD_BARCODE_PREFIX_ACK:
    case UDP_CMD_BARCODE_SUFFIX_ACK:
        return AFFIX_CONFIRM_LEN;
    case UDP_CMD_CLOUD_ACK:
        return CLOUD_BLOCK_LEN;
    case UDP_CMD_1A_ACK:
        return CMD_1A_CONFIRM_LEN;
    case UDP_CMD_WIEGAND_ACK:
        return WG_PAYLOAD_LEN;
    case UDP_CMD_PARAMS:
        return DEV_PARAM_LEN;
    case UDP_CMD_SERIAL_PARAMS_ACK:
        return SP_PAYLOAD_LEN;
    default:
        return 0;
    }
}

std::vector<std::uint8_t> UdpCommandData(std::span<const std::uint8_t> datagram, std::size_t size) {
    std::vector<std::uint8_t> data(size, 0);
    if (datagram.size() > PACKAGE_HEADER_LEN) {
        const auto body = datagram.subspan(PACKAGE_HEADER_LEN);
        std::copy_n(body.begin(), std::min(size, body.size()), data.begin());
    }
    return data;
}

std::string UdpDump(std::span<const std::uint8_t> datagram) {
    return HexText(datagram, HexDigits::Lower, true);
}
