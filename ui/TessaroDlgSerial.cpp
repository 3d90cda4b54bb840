// The dialog's serial channel: setting commands, the port buttons and the reply handler. The
// bytes themselves are made and read by the serial core; this file moves values between it and
// the controls.
#include "core/HexText.h"
#include "serial/SettingPayloads.h"
#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString OPEN_CAPTION = QStringLiteral("Open Serial Port");
const QString CLOSE_CAPTION = QStringLiteral("Close Serial Port");

// Settings of the port besides its speed: no parity, 8 data bits, 1 stop bit.
const QString PORT_FRAMING = QStringLiteral(",n,8,1");

// Text in the system code page, as the reader gets it.
std::string Local8(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromLocal8(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::span<const std::uint8_t> AsBytes(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

QByteArray ToQByteArray(std::span<const std::uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

} // namespace

void CTessaroDlg::BeginSerialCommand(int replyMode) {
    m_reply.replyMode = replyMode;
    m_reply.ClearBuffer();
    UpdateData(true); // a refusal is reported there; the command goes out with what is held
}

void CTessaroDlg::SendSerialCommand(std::uint8_t cmdId, std::span<const std::uint8_t> payload) {
    MspSendCmd_t header;
    BuildCmdHeader(header, cmdId, payload.size());
    SerialCmdSend(header, payload);
}

void CTessaroDlg::SerialCmdSend(const MspSendCmd_t& header, std::span<const std::uint8_t> payload) {
    const std::vector<std::uint8_t> frame = BuildSerialFrame(header, payload);
    m_strTransmit = QString::fromLatin1(HexEcho(frame));
    // On screen before the write, so the frame shows even when the write fails.
    UpdateData(false);
    m_comm.put_Output(ToQByteArray(frame));
}

void CTessaroDlg::OnSetOutputFormat() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_OUTPUT_FORMAT, IndexPayload({combo(IDC_OUTPUT_FORMAT)->currentIndex()}));
}

void CTessaroDlg::OnSetCardInputFormat() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_CARD_INPUT_FORMAT,
                      IndexPayload({combo(IDC_CARD_INPUT_FORMAT)->currentIndex()}));
}

void CTessaroDlg::OnSetEnterLineFeed() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_ENTER_LINE_FEED, IndexPayload({combo(IDC_ENTER_KEY)->currentIndex(),
                                                         combo(IDC_LINE_FEED)->currentIndex()}));
}

void CTessaroDlg::OnSetBarcodePrefix() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_BARCODE_PREFIX,
                      AffixPayload(combo(IDC_BARCODE_AFFIX_FORMAT)->currentIndex(),
                                   Local8(edit(IDC_BARCODE_PREFIX)->text())));
}

void CTessaroDlg::OnSetBarcodeSuffix() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_BARCODE_SUFFIX,
                      AffixPayload(combo(IDC_BARCODE_AFFIX_FORMAT)->currentIndex(),
                                   Local8(edit(IDC_BARCODE_SUFFIX)->text())));
}

void CTessaroDlg::OnSetLight() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_LIGHT, IndexPayload({combo(IDC_LIGHT)->currentIndex()}));
}

void CTessaroDlg::OnSetWorkingMode() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_WORKING_MODE, IndexPayload({combo(IDC_WORKING_MODE)->currentIndex()}));
}

void CTessaroDlg::OnSetSwitch() {
    // Hidden button: the reply state of the last visible command stays in force.
    UpdateData(true);
    SendSerialCommand(CMD_SWITCH, IndexPayload({combo(IDC_HIDDEN_SWITCH)->currentIndex()}));
}

void CTessaroDlg::OnSetHorn() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_HORN, IndexPayload({combo(IDC_HORN)->currentIndex()}));
}

void CTessaroDlg::OnSetCloud() {
    // Hidden button: the reply state of the last visible command stays in force.
    UpdateData(true);
    CloudSettings cloud;
    cloud.providerIndex = combo(IDC_CLOUD_PROVIDER)->currentIndex();
    cloud.serverAddress = ipAddress(IDC_CLOUD_SERVER_ADDRESS)->GetAddress();
    const int textIds[CLOUD_TEXT_COUNT] = {IDC_PRODUCT_NAME,  IDC_PRODUCT_KEY,
                                           IDC_DEVICE_NAME,   IDC_DEVICE_KEY,
                                           IDC_PUBLISH_TOPIC, IDC_SUBSCRIBE_TOPIC};
    for (std::size_t i = 0; i < CLOUD_TEXT_COUNT; ++i) {
        cloud.texts[i] = edit(textIds[i])->text().toUtf8().toStdString();
    }
    SendSerialCommand(CMD_CLOUD, CloudPayload(cloud));
}

void CTessaroDlg::OnSetWiegandTiming() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(
        CMD_WIEGAND_TIMING,
        WiegandPayload(m_nHighPulse, m_nLowPulse, combo(IDC_WG_OUTPUT_ORDER)->currentIndex()));
}

void CTessaroDlg::OnSetSerialParams() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_SERIAL_PARAMS,
                      SerialParamsPayload(Local8(combo(IDC_READER_BAUD)->currentText()),
                                          Local8(combo(IDC_DATA_BIT)->currentText()),
                                          Local8(combo(IDC_STOP_BIT)->currentText()),
                                          combo(IDC_PARITY)->currentIndex(),
                                          combo(IDC_QR_OUTPUT_FORMAT)->currentIndex()));
}

void CTessaroDlg::OnSetResetInterval() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_RESET_INTERVAL,
                      IndexPayload({combo(IDC_RESET_INTERVAL)->currentIndex()}));
}

void CTessaroDlg::OnSetQrCode() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_QR_CODE, IndexPayload({combo(IDC_CARD_NUMBER_FORMAT)->currentIndex(),
                                                 combo(IDC_START_BIT)->currentIndex()}));
}

void CTessaroDlg::OnSetCardAffix() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_CARD_AFFIX,
                      CardAffixPayload(combo(IDC_CARD_AFFIX_FORMAT)->currentIndex(),
                                       combo(IDC_SERIAL_OUTPUT_FORMAT)->currentIndex(),
                                       Local8(edit(IDC_CARD_PREFIX)->text()),
                                       Local8(edit(IDC_CARD_SUFFIX)->text())));
}

void CTessaroDlg::OnGetParameter() {
    if (m_reply.paramQueryPending == 1) {
        // A second press withdraws the outstanding query.
        m_reply.paramQueryPending = 0;
        return;
    }
    BeginSerialCommand(REPLY_MODE_PARAM_QUERY);
    SendSerialCommand(CMD_GET_PARAM, {});
    // Only a query that went out is pending: after a failed write the next press sends again.
    m_reply.paramQueryPending = 1;
}

void CTessaroDlg::OnTotalRecords() {
    BeginSerialCommand(REPLY_MODE_SETTING);
    SendSerialCommand(CMD_TOTAL_RECORDS, {});
}

void CTessaroDlg::OnReadRecord() {
    BeginSerialCommand(REPLY_MODE_READ_RECORD);
    m_strRecord.clear();
    SendSerialCommand(CMD_READ_RECORD, {});
}

void CTessaroDlg::OnKeepRecord() {
    BeginSerialCommand(REPLY_MODE_KEEP_RECORD);
    const Bytes text = RecordTextBytes(Local8(m_strRecord));
    const std::vector<Bytes> chunks = RecordChunks(text);
    // Laying out a frame's echo in the Transmit box costs far more than building and queuing
    // the frame, and nothing is painted before the press returns: only the frame on screen
    // then is echoed, the last one or the one whose write failed.
    for (std::size_t i = 0; i + 1 < chunks.size(); ++i) {
        MspSendCmd_t header;
        BuildCmdHeader(header, CMD_KEEP_RECORD, chunks[i].size());
        const std::vector<std::uint8_t> frame = BuildSerialFrame(header, chunks[i]);
        try {
            m_comm.put_Output(ToQByteArray(frame));
        } catch (const CommError&) {
            m_strTransmit = QString::fromLatin1(HexEcho(frame));
            UpdateData(false);
            throw;
        }
    }
    if (!chunks.empty()) {
        SendSerialCommand(CMD_KEEP_RECORD, chunks.back());
    }
}

void CTessaroDlg::OnOpenSerialPort() {
    m_reply.ClearBuffer();
    QPushButton* openButton = button(IDC_OPEN_SERIAL_PORT);
    const QString caption = openButton->text();

    if (m_comm.get_PortOpen()) {
        m_comm.put_PortOpen(false);
        if (caption != OPEN_CAPTION) {
            UpdateData(true);
            openButton->setText(OPEN_CAPTION);
            SetSettingButtons(false);
        }
        return;
    }

    const QString settings = combo(IDC_PORT_BAUD)->currentText() + PORT_FRAMING;
    // An item names port number position + 1; any other text is a device name or path.
    QComboBox* port = combo(IDC_PORT);
    const int item = port->findText(port->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0) {
        m_comm.put_CommPort(static_cast<short>(item + 1));
    } else {
        m_comm.put_PortName(port->currentText());
    }
    m_comm.put_InputMode(1);
    m_comm.put_Settings(settings);
    m_comm.put_InputLen(0);
    m_comm.put_RThreshold(1);
    m_comm.put_RTSEnable(true);
    m_comm.put_PortOpen(true);

    if (m_comm.get_PortOpen()) {
        UpdateData(true);
        openButton->setText(CLOSE_CAPTION);
        SetSettingButtons(true);
    }
}

void CTessaroDlg::OnTransmitTest() {
    m_reply.replyMode = REPLY_MODE_SETTING;
    m_reply.ClearBuffer();
    // Straight to the port: no frame, no Transmit box.
    m_comm.put_Output(ToQByteArray(TransmitTestPattern()));
}

void CTessaroDlg::OnComm() {
    if (m_comm.get_CommEvent() != CMscomm1::COMEV_RECEIVE) {
        return;
    }
    UpdateData(true);
    const QByteArray input = m_comm.get_Input();
    const SerialReplyOutcome outcome = m_reply.OnData(AsBytes(input));
    // Further data events may run while a message is open; the end is already marked handled.
    for (const std::string& message : outcome.messages) {
        ShowMessage(QString::fromLatin1(message));
    }
    if (outcome.record) {
        ShowSerialParams(*outcome.record);
    }
    // Rendered last, from the buffer as it now stands (it may have grown meanwhile).
    if (const auto text = m_reply.ReceiveText()) {
        m_strReceive = QString::fromLatin1(*text);
    }
    UpdateData(false);
}

void CTessaroDlg::ShowSerialParams(const SerialParamRecord& r) {
    // A position beyond the list's items leaves it with no selection.
    const auto selectIndex = [this](int id, std::uint8_t index) {
        QComboBox* list = combo(id);
        list->setCurrentIndex(index < list->count() ? index : -1);
    };
    const auto showAffix = [this](int id, bool hex, std::int32_t length, const AffixField& field) {
        edit(id)->setText(hex ? QString::fromLatin1(AffixHexText(length, field))
                              : FromLocal8(AffixPlainText(field)));
    };

    selectIndex(IDC_OUTPUT_FORMAT, r.outputFormat);
    selectIndex(IDC_CARD_INPUT_FORMAT, r.cardInputFormat);
    selectIndex(IDC_ENTER_KEY, r.hidEnter);
    selectIndex(IDC_LINE_FEED, r.lineFeed);

    SelectListByNumber(IDC_READER_BAUD, r.baudRate);
    SelectListByNumber(IDC_DATA_BIT, r.dataBits);
    SelectListByNumber(IDC_STOP_BIT, r.stopBits);

    selectIndex(IDC_PARITY, r.parity);
    selectIndex(IDC_QR_OUTPUT_FORMAT, r.qrOutputFormat);
    selectIndex(IDC_RESET_INTERVAL, r.resetInterval);
    selectIndex(IDC_WORKING_MODE, r.workingMode);
    selectIndex(IDC_HORN, r.horn);
    selectIndex(IDC_LIGHT, r.light);

    // The record does not say how its affixes are meant; the user's current choice does.
    const bool barcodeHex = combo(IDC_BARCODE_AFFIX_FORMAT)->currentIndex() == AFFIX_FORMAT_HEX;
    showAffix(IDC_BARCODE_PREFIX, barcodeHex, r.barcodePrefixLen, r.barcodePrefix);
    showAffix(IDC_BARCODE_SUFFIX, barcodeHex, r.barcodeSuffixLen, r.barcodeSuffix);
    const bool cardHex = combo(IDC_SERIAL_OUTPUT_FORMAT)->currentIndex() == AFFIX_FORMAT_HEX;
    showAffix(IDC_CARD_PREFIX, cardHex, r.cardPrefixLen, r.cardPrefix);
    showAffix(IDC_CARD_SUFFIX, cardHex, r.cardSuffixLen, r.cardSuffix);

    m_nLowPulse = r.wgLowPulse;
    m_nHighPulse = r.wgHighPulse;

    selectIndex(IDC_WG_OUTPUT_ORDER, r.wgOutputOrder);
    selectIndex(IDC_CARD_NUMBER_FORMAT, r.cardNumberFormat);
    selectIndex(IDC_START_BIT, r.startBit);

    // Only the boxes the record fills: text typed elsewhere and not yet sent stays.
    PutIntBoxes({IDC_LOW_PULSE, IDC_HIGH_PULSE});
}
