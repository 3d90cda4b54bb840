#include "net/NetSetCommand.h"

#include "core/Frame.h"
#include "net/UdpPacket.h"

NetSetDatagrams BuildNetSetCommand(std::string_view name, const NetBlock& settings) {
    DISCOVER_DEV_T dev;
    SetFieldBytes(dev.name, name);
    dev.net = settings;
    MspSendCmd_t header;
    BuildCmdHeader(header, UDP_CMD_SET_NET, DISCOVER_DEV_LEN);
    return {header.encode(), dev.encode()};
}
