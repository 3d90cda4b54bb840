// The dialog's serial channel: setting commands, the port buttons and the reply handler.
#include "ui/TessaroDlg.h"

void CTessaroDlg::OnSetOutputFormat() {}
void CTessaroDlg::OnSetCardInputFormat() {}
void CTessaroDlg::OnSetEnterLineFeed() {}
void CTessaroDlg::OnSetBarcodePrefix() {}
void CTessaroDlg::OnSetBarcodeSuffix() {}
void CTessaroDlg::OnSetLight() {}
void CTessaroDlg::OnSetWorkingMode() {}
void CTessaroDlg::OnSetSwitch() {}
void CTessaroDlg::OnSetHorn() {}
void CTessaroDlg::OnSetCloud() {}
void CTessaroDlg::OnSetWiegandTiming() {}
void CTessaroDlg::OnSetSerialParams() {}
void CTessaroDlg::OnSetResetInterval() {}
void CTessaroDlg::OnSetQrCode() {}
void CTessaroDlg::OnSetCardAffix() {}
void CTessaroDlg::OnGetParameter() {}
void CTessaroDlg::OnTotalRecords() {}
void CTessaroDlg::OnReadRecord() {}
void CTessaroDlg::OnKeepRecord() {}
void CTessaroDlg::OnOpenSerialPort() {}
void CTessaroDlg::OnTransmitTest() {}
void CTessaroDlg::OnComm() {}
void CTessaroDlg::SerialCmdSend(const std::uint8_t*, int, const std::uint8_t*, int) {}
