// UDP datagrams: one received datagram through the header checks, the dispatch on its command
// and the decoding of the records it carries, as the dialog's receive path does before any
// control is touched. The input is the datagram.
#include "core/WireText.h"
#include "fuzz/FuzzCheck.h"
#include "net/DevParam.h"
#include "net/DiscoverDev.h"
#include "net/UdpDispatch.h"
#include "net/UdpPacket.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <span>
#include <string>
#include <string_view>

namespace {

// 192.168.0.100, first dotted field most significant.
constexpr std::uint32_t SOURCE = 0xC0A80064;
constexpr std::array<std::uint8_t, 4> SOURCE_BYTES = {192, 168, 0, 100};

// Data byte i of the datagram: zero past its end, as in the zero-filled receive buffer.
std::uint8_t DataByte(std::span<const std::uint8_t> d, std::size_t i) {
    return 4 + i < d.size() ? d[4 + i] : 0;
}

std::int32_t DataI32(std::span<const std::uint8_t> d, std::size_t i) {
    return static_cast<std::int32_t>(
        std::uint32_t(DataByte(d, i)) | std::uint32_t(DataByte(d, i + 1)) << 8 |
        std::uint32_t(DataByte(d, i + 2)) << 16 | std::uint32_t(DataByte(d, i + 3)) << 24);
}

// The header checks, worked out apart from the code under test.
UdpVerdict ExpectedVerdict(std::span<const std::uint8_t> d) {
    if (d.size() < 4) {
        return UdpVerdict::TooShort;
    }
    if (d[0] != 0x05) {
        return UdpVerdict::BadSync;
    }
    if (d[2] != 0) {
        unsigned sum = 0;
        for (std::size_t i = 0; i < d[2]; ++i) {
            sum += DataByte(d, i);
        }
        if (((0xFF - sum) & 0xFF) != d[3]) {
            return UdpVerdict::BadChecksum;
        }
    }
    if (d[1] == 0 || d[1] > 45) {
        return UdpVerdict::OutOfRange;
    }
    return UdpVerdict::Valid;
}

UdpActionKind ExpectedKind(std::span<const std::uint8_t> d, const UdpSelections& s) {
    if (ExpectedVerdict(d) != UdpVerdict::Valid) {
        return UdpActionKind::None;
    }
    const auto confirmIf = [](bool ok) {
        return ok ? UdpActionKind::Confirm : UdpActionKind::None;
    };
    const int first = static_cast<std::int8_t>(DataByte(d, 0));
    switch (d[1]) {
    case 1:
        return UdpActionKind::Version;
    case 3:
        return UdpActionKind::AddDevice;
    case 7:
        return UdpActionKind::ConfirmChinese;
    case 9:
    case 11:
    case 13:
    case 15:
    case 17:
    case 25:
    case 29:
    case 33:
    case 41:
    case 43:
    case 45:
        return UdpActionKind::Confirm;
    case 19:
        return confirmIf(first == s.workingMode);
    case 21:
        return confirmIf(first == s.hiddenSwitch);
    case 23:
        return confirmIf(first == s.horn);
    case 31:
        return UdpActionKind::ShowParams;
    case 39:
        return confirmIf(s.readerBaud == DataI32(d, 0) && s.dataBits == DataByte(d, 4) &&
                         s.stopBits == DataByte(d, 5));
    default:
        return UdpActionKind::None;
    }
}

void CheckTraces(const UdpCheck& check, std::span<const std::uint8_t> d) {
    const auto& t = check.traces;
    const std::string recvTrace =
        "recvbytes=" + std::to_string(d.size()) + " PACKAGE_HEADER_LEN=4\n";
    switch (check.verdict) {
    case UdpVerdict::TooShort:
        FUZZ_CHECK(t.size() == 1 && t[0].ends_with(recvTrace));
        return;
    case UdpVerdict::BadSync:
        FUZZ_CHECK(t.size() == 1 && t[0] == "sync code error\n");
        return;
    case UdpVerdict::BadChecksum:
        FUZZ_CHECK(t.size() == 2 && t[1].starts_with("cmdData_checksum error ,retCrc=0x"));
        break;
    case UdpVerdict::OutOfRange:
    case UdpVerdict::Valid:
        FUZZ_CHECK(t.size() == 1);
        break;
    }
    char cmdTrace[32];
    std::snprintf(cmdTrace, sizeof cmdTrace, " pNet->cmdId =0x%x\n", unsigned(d[1]));
    FUZZ_CHECK(t[0].starts_with("TessaroDlg,CTessaroDlg::UdpCmdRecv,") && t[0].ends_with(cmdTrace));
}

template <std::size_t N> void CheckFieldText(const std::array<char, N>& field) {
    const std::string_view text = FieldText(field);
    FUZZ_CHECK(text.size() <= N);
    FUZZ_CHECK(text.find('\0') == std::string_view::npos);
    FUZZ_CHECK(text.size() == N || field[text.size()] == '\0');
}

void CheckAffixHex(const std::array<char, WIRE_FIELD_LEN>& field) {
    static const char digits[] = "0123456789abcdef";
    const std::string_view text = FieldText(field);
    const std::string hex = AffixHex(field);
    FUZZ_CHECK(hex.size() == 2 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        FUZZ_CHECK(hex[2 * i] == digits[b >> 4] && hex[2 * i + 1] == digits[b & 0x0F]);
    }
}

void CheckPulse(std::int32_t units) {
    const std::int64_t exact = std::int64_t{units} * 100;
    const std::int32_t shown = PulseMicros(units);
    if (exact > std::numeric_limits<std::int32_t>::max()) {
        FUZZ_CHECK(shown == std::numeric_limits<std::int32_t>::max());
    } else if (exact < std::numeric_limits<std::int32_t>::min()) {
        FUZZ_CHECK(shown == std::numeric_limits<std::int32_t>::min());
    } else {
        FUZZ_CHECK(shown == exact);
    }
}

// The parameter record as the display reads it: fields decode and re-encode to the same bytes.
void CheckParamRecord(const std::array<std::uint8_t, DEV_PARAM_LEN>& record) {
    const DEV_PARAM_T p = DEV_PARAM_T::decode(record);
    FUZZ_CHECK(p.encode() == record);
    CheckFieldText(p.net.serverAddr);
    for (const auto* text : {&p.productName, &p.productKey, &p.deviceName, &p.deviceKey,
                             &p.publishTopic, &p.subscribeTopic}) {
        CheckFieldText(*text);
    }
    for (const auto* affix : {&p.barcodePrefix, &p.barcodeSuffix, &p.cardPrefix, &p.cardSuffix}) {
        CheckAffixHex(*affix);
    }
    CheckPulse(p.wgHighPulse);
    CheckPulse(p.wgLowPulse);
}

void CheckAction(std::span<const std::uint8_t> d, const UdpSelections& selections) {
    const UdpAction action = DispatchUdpDatagram(d, SOURCE, selections);
    FUZZ_CHECK(action.check.verdict == ExpectedVerdict(d));
    FUZZ_CHECK(action.kind == ExpectedKind(d, selections));
    CheckTraces(action.check, d);

    // Nothing but the action's own part is filled in.
    if (action.kind != UdpActionKind::AddDevice) {
        FUZZ_CHECK(action.device == DISCOVER_DEV_T{});
    }
    if (action.kind != UdpActionKind::ShowParams) {
        FUZZ_CHECK(std::all_of(action.record.begin(), action.record.end(),
                               [](std::uint8_t b) { return b == 0; }));
    }
    if (action.kind != UdpActionKind::Version) {
        FUZZ_CHECK(action.clientVer == 0);
    }

    switch (action.kind) {
    case UdpActionKind::Version: {
        std::string text;
        for (std::size_t i = 16; i < 64 && DataByte(d, i) != 0; ++i) {
            text += static_cast<char>(DataByte(d, i));
        }
        FUZZ_CHECK(action.clientVer == (text == "ver_client1_1.1" ? 1 : 0));
        break;
    }
    case UdpActionKind::AddDevice: {
        // The record as sent, but for its address, which is the sender's.
        const auto bytes = action.device.encode();
        for (std::size_t i = 0; i < DISCOVER_DEV_LEN; ++i) {
            if (i < discover_dev::IP_ADDR || i >= discover_dev::IP_ADDR + 4) {
                FUZZ_CHECK(bytes[i] == DataByte(d, i));
            }
        }
        FUZZ_CHECK(AddressFieldBytes(action.device.net.ipAddr) == SOURCE_BYTES);
        CheckFieldText(action.device.name);
        CheckFieldText(action.device.net.serverAddr);
        const std::string_view name = DeviceName(action.device);
        FUZZ_CHECK(CurrentDeviceText(name, action.device) ==
                   "Current device: " + std::string(name) + "(192.168.0.100)");
        break;
    }
    case UdpActionKind::ShowParams:
        for (std::size_t i = 0; i < DEV_PARAM_LEN; ++i) {
            FUZZ_CHECK(action.record[i] == DataByte(d, i));
        }
        CheckParamRecord(action.record);
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The dialog discards a datagram too large for its buffer without reading it.
    if (size > UDP_RECV_BUFFER_LEN) {
        return 0;
    }
    const std::span<const std::uint8_t> d(data, size);

    // No list selected; the usual settings; and the values the datagram itself carries, so
    // that the replies checked against the dialog's choices are confirmed too.
    const UdpSelections none;
    const UdpSelections usual{2, 0, 1, 9600, 8, 1};
    const int first = static_cast<std::int8_t>(DataByte(d, 0));
    const UdpSelections carried{first, first, first, DataI32(d, 0), DataByte(d, 4), DataByte(d, 5)};
    for (const UdpSelections* s : {&none, &usual, &carried}) {
        CheckAction(d, *s);
    }

    // The dump in the status bar: " xx" per byte, also for a dropped datagram.
    const std::string dump = UdpDump(d);
    FUZZ_CHECK(dump.size() == 3 * size);
    for (std::size_t i = 0; i < size; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, " %02x", unsigned(d[i]));
        FUZZ_CHECK(dump.compare(3 * i, 3, pair) == 0);
    }
    return 0;
}
