// What one received datagram asks of the dialog, worked out from its bytes alone.
#pragma once

#include "core/TranslateMark.h"
#include "net/DevParam.h"
#include "net/DiscoverDev.h"
#include "net/UdpPacket.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

inline constexpr char UDP_MSG_CONFIRM[] =
    QT_TRANSLATE_NOOP("UdpDispatch", "Command setup successful.");
inline constexpr char UDP_MSG_CONFIRM_ZH[] = "命令设置成功.";
// The one version text that turns on the newer reader's controls.
inline constexpr char UDP_CLIENT_VERSION[] = "ver_client1_1.1";

// The dialog's current choices that some replies are checked against. Indexes are list
// positions (-1: none); the numbers are those in the selected items' texts.
struct UdpSelections {
    int workingMode = -1;
    int hiddenSwitch = -1;
    int horn = -1;
    std::optional<long long> readerBaud;
    std::optional<long long> dataBits;
    std::optional<long long> stopBits;
};

enum class UdpActionKind {
    None,           // dropped, ignored, or taken without effect
    Version,        // set the version flag to clientVer
    AddDevice,      // append device to the device list
    Confirm,        // show UDP_MSG_CONFIRM
    ConfirmChinese, // show UDP_MSG_CONFIRM_ZH
    ShowParams,     // fill the dialog from record
};

struct UdpAction {
    UdpActionKind kind = UdpActionKind::None;
    UdpCheck check;
    int clientVer = 0;
    DISCOVER_DEV_T device;                            // address field: the source, network order
    std::array<std::uint8_t, DEV_PARAM_LEN> record{}; // zero past the datagram's end
};

// Checks the datagram and turns it into an action. sourceIpv4 is the sender's address, first
// dotted field most significant. Writes the receive traces.
UdpAction DispatchUdpDatagram(std::span<const std::uint8_t> datagram, std::uint32_t sourceIpv4,
                              const UdpSelections& current);
