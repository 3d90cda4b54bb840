// The dialog's network channel: the UDP socket, its dispatch, the device list and the network
// parameter command.
#include "ui/TessaroDlg.h"

void CTessaroDlg::SetupUdpSocket() {}
void CTessaroDlg::OnNetSetup() {}
void CTessaroDlg::OnSelchangeDevList() {}
int CTessaroDlg::OnUdpNotify(int) {
    return 0;
}
void CTessaroDlg::UdpCmdRecv(const std::uint8_t*, int, const QHostAddress&) {}
int CTessaroDlg::SelectDeviceByName(const QByteArray&) {
    return 0;
}
void CTessaroDlg::ShowUdpParams(std::span<const std::uint8_t>) {}
quint16 CTessaroDlg::LocalUdpPort() const {
    return 0;
}
