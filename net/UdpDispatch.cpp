#include "net/UdpDispatch.h"

#include "core/ByteOrder.h"
#include "core/DebugTrace.h"

#include <algorithm>
#include <string_view>

namespace {

// Offsets inside the serial-parameters reply: the numbers the request carried.
constexpr std::size_t SERIAL_ACK_BAUD = 0;
constexpr std::size_t SERIAL_ACK_DATA_BITS = 4;
constexpr std::size_t SERIAL_ACK_STOP_BITS = 5;

bool Matches(const std::optional<long long>& selected, long long received) {
    return selected && *selected == received;
}

} // namespace

UdpAction DispatchUdpDatagram(std::span<const std::uint8_t> datagram, std::uint32_t sourceIpv4,
                              const UdpSelections& current) {
    UdpAction action;
    action.check = CheckUdpDatagram(datagram);
    if (action.check.verdict != UdpVerdict::Valid) {
        return action;
    }
    const std::uint8_t cmdId = action.check.header.cmdId;
    const std::vector<std::uint8_t> data = UdpCommandData(datagram, UdpDataSize(cmdId));

    switch (cmdId) {
    case UDP_CMD_VERSION: {
        const auto field = std::span(data).subspan(VERSION_TEXT_OFFSET, VERSION_TEXT_LEN);
        const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
        const std::string text(field.begin(), end);
        action.kind = UdpActionKind::Version;
        action.clientVer = text == UDP_CLIENT_VERSION ? 1 : 0;
        DebugTrace(action.clientVer ? "ver_client1_1.0:%s\n" : "ver_common_1.0:%s\n", text.c_str());
        break;
    }
    case UDP_CMD_DISCOVER:
        action.kind = UdpActionKind::AddDevice;
        action.device = DISCOVER_DEV_T::decode(std::span(data).first<DISCOVER_DEV_LEN>());
        action.device.net.ipAddr = SourceToAddressField(sourceIpv4);
        break;
    case UDP_CMD_OUTPUT_FORMAT_ACK:
        action.kind = UdpActionKind::ConfirmChinese;
        break;
    case UDP_CMD_CARD_INPUT_FORMAT_ACK:
    case UDP_CMD_ENTER_LINE_FEED_ACK:
    case UDP_CMD_BARCODE_PREFIX_ACK:
    case UDP_CMD_BARCODE_SUFFIX_ACK:
    case UDP_CMD_LIGHT_ACK:
    case UDP_CMD_CLOUD_ACK:
    case UDP_CMD_WIEGAND_ACK:
    case UDP_CMD_SET_NET_ACK:
    case UDP_CMD_RESET_INTERVAL_ACK:
    case UDP_CMD_QR_CODE_ACK:
    case UDP_CMD_CARD_AFFIX_ACK:
        action.kind = UdpActionKind::Confirm;
        break;
    case UDP_CMD_WORKING_MODE_ACK:
    case UDP_CMD_SWITCH_ACK:
    case UDP_CMD_HORN_ACK: {
        const int selected = cmdId == UDP_CMD_WORKING_MODE_ACK ? current.workingMode
                             : cmdId == UDP_CMD_SWITCH_ACK     ? current.hiddenSwitch
                                                               : current.horn;
        if (ReadI8(data, 0) == selected) {
            action.kind = UdpActionKind::Confirm;
        }
        break;
    }
    case UDP_CMD_SERIAL_PARAMS_ACK:
        // Confirmed when the reader took the numbers now selected.
        if (Matches(current.readerBaud, ReadLeI32(data, SERIAL_ACK_BAUD)) &&
            Matches(current.dataBits, data[SERIAL_ACK_DATA_BITS]) &&
            Matches(current.stopBits, data[SERIAL_ACK_STOP_BITS])) {
            action.kind = UdpActionKind::Confirm;
        }
        break;
    case UDP_CMD_PARAMS:
        action.kind = UdpActionKind::ShowParams;
        std::copy_n(data.begin(), DEV_PARAM_LEN, action.record.begin());
        break;
    default:
        // 27 is taken and dropped like the ids nobody answers with.
        break;
    }
    return action;
}
