// The dialog's serial channel: setting commands, the port buttons and the reply handler. The
// bytes themselves are made and read by the serial core; this file moves values between it and
// the controls.
#include "core/HexText.h"
#include "serial/SettingPayloads.h"
#include "ui/CatalogText.h"
#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"
#include "ui/ProfileRun.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cassert>
#include <iterator>

namespace {

// Settings of the port besides its speed: no parity, 8 data bits, 1 stop bit.
const QString PORT_FRAMING = QStringLiteral(",n,8,1");

// Text in the system code page, as the reader gets it.
std::string Local8(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::span<const std::uint8_t> AsBytes(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

QByteArray ToQByteArray(std::span<const std::uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// Hidden buttons leave the reply state of the last visible command in force.
constexpr int KEEP_REPLY_MODE = -1;

int Index(const CTessaroDlg& dlg, int id) {
    return dlg.combo(id)->currentIndex();
}

// Payloads made from the controls as they stand once the boxes are read into their members.
template <int... ListIds> Bytes Indexes(const CTessaroDlg& d) {
    return IndexPayload({Index(d, ListIds)...});
}

template <int BoxId> Bytes BarcodeAffix(const CTessaroDlg& d) {
    return AffixPayload(Index(d, IDC_BARCODE_AFFIX_FORMAT), Local8(d.edit(BoxId)->text()));
}

Bytes CardAffix(const CTessaroDlg& d) {
    return CardAffixPayload(Index(d, IDC_CARD_AFFIX_FORMAT), Index(d, IDC_SERIAL_OUTPUT_FORMAT),
                            Local8(d.edit(IDC_CARD_PREFIX)->text()),
                            Local8(d.edit(IDC_CARD_SUFFIX)->text()));
}

Bytes WiegandTiming(const CTessaroDlg& d) {
    return WiegandPayload(d.highPulse(), d.lowPulse(), Index(d, IDC_WG_OUTPUT_ORDER));
}

// The English item selected in a list filled from the catalogue.
QString CurrentItem(const CTessaroDlg& d, int id) {
    const QComboBox* list = d.combo(id);
    return ItemData(list, list->currentIndex());
}

Bytes SerialParams(const CTessaroDlg& d) {
    return SerialParamsPayload(
        Local8(CurrentItem(d, IDC_READER_BAUD)), Local8(CurrentItem(d, IDC_DATA_BIT)),
        Local8(CurrentItem(d, IDC_STOP_BIT)), Index(d, IDC_PARITY), Index(d, IDC_QR_OUTPUT_FORMAT));
}

Bytes Cloud(const CTessaroDlg& d) {
    CloudSettings cloud;
    cloud.providerIndex = Index(d, IDC_CLOUD_PROVIDER);
    cloud.serverAddress = d.ipAddress(IDC_CLOUD_SERVER_ADDRESS)->GetAddress();
    const int textIds[CLOUD_TEXT_COUNT] = {IDC_PRODUCT_NAME,  IDC_PRODUCT_KEY,
                                           IDC_DEVICE_NAME,   IDC_DEVICE_KEY,
                                           IDC_PUBLISH_TOPIC, IDC_SUBSCRIBE_TOPIC};
    for (std::size_t i = 0; i < CLOUD_TEXT_COUNT; ++i) {
        cloud.texts[i] = d.edit(textIds[i])->text().toUtf8().toStdString();
    }
    return CloudPayload(cloud);
}

// The setting buttons, each sending one command; the handler names the row.
struct SettingCommand {
    void (CTessaroDlg::*handler)();
    int buttonId;
    std::uint8_t cmdId;
    int replyMode;
    Bytes (*payload)(const CTessaroDlg&);
};

using D = CTessaroDlg;
constexpr int SETTING = REPLY_MODE_SETTING;
constexpr int KEEP = KEEP_REPLY_MODE;

// clang-format off
const SettingCommand SETTING_COMMANDS[] = {
    {&D::OnSetOutputFormat,    IDC_OUTPUT_FORMAT_SET,     CMD_OUTPUT_FORMAT,     SETTING,
     Indexes<IDC_OUTPUT_FORMAT>},
    {&D::OnSetCardInputFormat, IDC_CARD_INPUT_FORMAT_SET, CMD_CARD_INPUT_FORMAT, SETTING,
     Indexes<IDC_CARD_INPUT_FORMAT>},
    {&D::OnSetEnterLineFeed,   IDC_ENTER_LINE_FEED_SET,   CMD_ENTER_LINE_FEED,   SETTING,
     Indexes<IDC_ENTER_KEY, IDC_LINE_FEED>},
    {&D::OnSetBarcodePrefix,   IDC_BARCODE_PREFIX_SET,    CMD_BARCODE_PREFIX,    SETTING,
     BarcodeAffix<IDC_BARCODE_PREFIX>},
    {&D::OnSetBarcodeSuffix,   IDC_BARCODE_SUFFIX_SET,    CMD_BARCODE_SUFFIX,    SETTING,
     BarcodeAffix<IDC_BARCODE_SUFFIX>},
    {&D::OnSetLight,           IDC_LIGHT_SET,             CMD_LIGHT,             SETTING,
     Indexes<IDC_LIGHT>},
    {&D::OnSetWorkingMode,     IDC_WORKING_MODE_SET,      CMD_WORKING_MODE,      SETTING,
     Indexes<IDC_WORKING_MODE>},
    {&D::OnSetSwitch,          IDC_SWITCH_SET,            CMD_SWITCH,            KEEP,
     Indexes<IDC_HIDDEN_SWITCH>},
    {&D::OnSetHorn,            IDC_HORN_SET,              CMD_HORN,              SETTING,
     Indexes<IDC_HORN>},
    {&D::OnSetCloud,           IDC_CLOUD_SET,             CMD_CLOUD,             KEEP,
     Cloud},
    {&D::OnSetWiegandTiming,   IDC_WIEGAND_SET,           CMD_WIEGAND_TIMING,    SETTING,
     WiegandTiming},
    {&D::OnSetSerialParams,    IDC_SERIAL_PARAMS_SET,     CMD_SERIAL_PARAMS,     SETTING,
     SerialParams},
    {&D::OnSetResetInterval,   IDC_RESET_INTERVAL_SET,    CMD_RESET_INTERVAL,    SETTING,
     Indexes<IDC_RESET_INTERVAL>},
    {&D::OnSetQrCode,          IDC_QR_CODE_SET,           CMD_QR_CODE,           SETTING,
     Indexes<IDC_CARD_NUMBER_FORMAT, IDC_START_BIT>},
    {&D::OnSetCardAffix,       IDC_CARD_AFFIX_SET,        CMD_CARD_AFFIX,        SETTING,
     CardAffix},
};
// clang-format on

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
    // A result shown for an earlier command or run no longer stands once a new command goes.
    if (m_paneOutcome) {
        SetPaneText(0, QString());
    }
    m_strTransmit = QString::fromLatin1(HexEcho(frame));
    // On screen before the write, so the frame shows even when the write fails.
    UpdateData(false);
    LogFrame(FrameChannel::Serial, FrameDirection::Sent, SerialLogPort(), frame);
    m_comm.put_Output(ToQByteArray(frame));
    if (m_reply.replyMode == REPLY_MODE_SETTING || m_reply.replyMode == REPLY_MODE_PARAM_QUERY) {
        ArmReplyTimer(frame.size());
    }
}

void CTessaroDlg::ArmReplyTimer(std::size_t frameBytes) {
    const std::size_t replyBytes =
        m_reply.replyMode == REPLY_MODE_PARAM_QUERY ? PARAM_REPLY_LEN : SETTING_REPLY_ESTIMATE;
    m_replyTimeoutMs = ReplyTimeoutMs(DEFAULT_REPLY_BASE_MS, frameBytes, replyBytes,
                                      m_comm.SettingsValue().baudRate);
    m_replyTimer.start(int(m_replyTimeoutMs));
}

void CTessaroDlg::OnReplyTimeout() {
    if (m_reply.handledEnd >= 0) {
        return;
    }
    // Said quietly: the reply may still come, and is handled as ever when it does. A query
    // that went unanswered is no longer pending, so the next press asks again.
    if (m_reply.replyMode == REPLY_MODE_PARAM_QUERY) {
        m_reply.paramQueryPending = 0;
    }
    // The log is data and stays English; the status bar speaks the user's language.
    const double seconds = double(m_replyTimeoutMs) / 1000.0;
    LogNote(FrameChannel::Serial, SerialLogPort(),
            QStringLiteral("No reply from the reader within %1 s").arg(seconds, 0, 'f', 1));
    // Short enough for the first pane in every language.
    ShowOutcome(tr("No reply within %1 s").arg(seconds, 0, 'f', 1));
}

void CTessaroDlg::OnSetOutputFormat() {
    SendSetting(&CTessaroDlg::OnSetOutputFormat);
}

void CTessaroDlg::OnSetCardInputFormat() {
    SendSetting(&CTessaroDlg::OnSetCardInputFormat);
}

void CTessaroDlg::OnSetEnterLineFeed() {
    SendSetting(&CTessaroDlg::OnSetEnterLineFeed);
}

void CTessaroDlg::OnSetBarcodePrefix() {
    SendSetting(&CTessaroDlg::OnSetBarcodePrefix);
}

void CTessaroDlg::OnSetBarcodeSuffix() {
    SendSetting(&CTessaroDlg::OnSetBarcodeSuffix);
}

void CTessaroDlg::OnSetLight() {
    SendSetting(&CTessaroDlg::OnSetLight);
}

void CTessaroDlg::OnSetWorkingMode() {
    SendSetting(&CTessaroDlg::OnSetWorkingMode);
}

void CTessaroDlg::OnSetSwitch() {
    SendSetting(&CTessaroDlg::OnSetSwitch);
}

void CTessaroDlg::OnSetHorn() {
    SendSetting(&CTessaroDlg::OnSetHorn);
}

void CTessaroDlg::OnSetCloud() {
    SendSetting(&CTessaroDlg::OnSetCloud);
}

void CTessaroDlg::OnSetWiegandTiming() {
    SendSetting(&CTessaroDlg::OnSetWiegandTiming);
}

void CTessaroDlg::OnSetSerialParams() {
    SendSetting(&CTessaroDlg::OnSetSerialParams);
}

void CTessaroDlg::OnSetResetInterval() {
    SendSetting(&CTessaroDlg::OnSetResetInterval);
}

void CTessaroDlg::OnSetQrCode() {
    SendSetting(&CTessaroDlg::OnSetQrCode);
}

void CTessaroDlg::OnSetCardAffix() {
    SendSetting(&CTessaroDlg::OnSetCardAffix);
}

void CTessaroDlg::SendSetting(void (CTessaroDlg::*handler)()) {
    const auto row =
        std::find_if(std::begin(SETTING_COMMANDS), std::end(SETTING_COMMANDS),
                     [handler](const SettingCommand& c) { return c.handler == handler; });
    assert(row != std::end(SETTING_COMMANDS)); // every setting handler has its row
    if (row->replyMode == KEEP_REPLY_MODE) {
        UpdateData(true);
    } else {
        BeginSerialCommand(row->replyMode);
    }
    SendSerialCommand(row->cmdId, row->payload(*this));
}

void CTessaroDlg::ConnectSettingButtons() {
    for (const SettingCommand& c : SETTING_COMMANDS) {
        connect(button(c.buttonId), &QPushButton::clicked, this,
                [this, handler = c.handler] { Guarded([this, handler] { (this->*handler)(); }); });
    }
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
            LogFrame(FrameChannel::Serial, FrameDirection::Sent, SerialLogPort(), frame);
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
        if (caption != CatalogText(OPEN_SERIAL_PORT_CAPTION)) {
            UpdateData(true);
            openButton->setText(CatalogText(OPEN_SERIAL_PORT_CAPTION));
            SetSettingButtons(false);
        }
        return;
    }

    OpenPortAt(SelectedPort(), combo(IDC_PORT_BAUD)->currentText());
    if (m_comm.get_PortOpen()) {
        UpdateData(true);
        openButton->setText(CloseSerialPortCaption());
        SetSettingButtons(true);
    }
}

void CTessaroDlg::OpenPortAt(const PortChoice& port, const QString& baud) {
    if (port.comPort > 0) {
        m_comm.put_CommPort(static_cast<short>(port.comPort));
    } else {
        m_comm.put_PortName(port.path);
    }
    m_comm.put_InputMode(1);
    m_comm.put_Settings(baud + PORT_FRAMING);
    m_comm.put_InputLen(0);
    m_comm.put_RThreshold(1);
    m_comm.put_RTSEnable(true);
    m_comm.put_PortOpen(true);
    NotePortOpened(port);
}

void CTessaroDlg::OnDeviceLost() {
    // The control has closed the port already; the dialog says so and offers to open it again.
    m_replyTimer.stop();
    button(IDC_OPEN_SERIAL_PORT)->setText(CatalogText(OPEN_SERIAL_PORT_CAPTION));
    SetSettingButtons(false);
    ShowOutcome(tr("%1 was disconnected").arg(m_comm.PortName()));
    OnPortsChanged();
}

void CTessaroDlg::OnTransmitTest() {
    m_reply.replyMode = REPLY_MODE_SETTING;
    m_reply.ClearBuffer();
    // Straight to the port: no frame, no Transmit box.
    const Bytes pattern = TransmitTestPattern();
    LogFrame(FrameChannel::Serial, FrameDirection::Sent, SerialLogPort(), pattern, "Transmit test");
    m_comm.put_Output(ToQByteArray(pattern));
}

void CTessaroDlg::OnComm() {
    // While a profile runs, the reader's bytes are its replies: no messages, no boxes.
    const short event = m_comm.get_CommEvent();
    const bool lost = event == CMscomm1::COMEV_DEVICE_LOST;
    if (event != CMscomm1::COMEV_RECEIVE) {
        LogNote(FrameChannel::Serial, SerialLogPort(),
                lost ? QStringLiteral("The port was lost")
                     : QStringLiteral("Serial event %1").arg(event));
    }
    if (m_profileRun) {
        if (event == CMscomm1::COMEV_RECEIVE) {
            m_profileRun->OnData(m_comm.get_Input()); // logged by the run's trace
            return;
        }
        m_profileRun->OnPortLost();
    }
    if (lost) {
        OnDeviceLost();
        return;
    }
    if (event != CMscomm1::COMEV_RECEIVE) {
        return;
    }
    UpdateData(true);
    const QByteArray input = m_comm.get_Input();
    LogReply(input);
    const SerialReplyOutcome outcome = m_reply.OnData(AsBytes(input));
    if (m_reply.handledEnd >= 0) {
        m_replyTimer.stop();
    }
    // Further data events may run while a message is open; the end is already marked handled.
    for (const std::string& message : outcome.messages) {
        ShowMessage(QCoreApplication::translate("SerialReply", message.c_str()));
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

void CTessaroDlg::LogReply(const QByteArray& input) {
    // Marked against the reply as it stands with this piece: a parameter reply cannot end
    // before its record; the record replies are not read for an end.
    FrameLogEntry entry =
        MakeFrameEntry(m_logClock.nsecsElapsed() / 1000, FrameChannel::Serial,
                       FrameDirection::Received, SerialLogPort().toStdString(), AsBytes(input));
    entry.replyBytes = std::size_t(m_reply.recvCount) + std::size_t(input.size());
    entry.minReply = m_reply.replyMode == REPLY_MODE_PARAM_QUERY ? PARAM_REPLY_LEN : 2;
    m_frameLog.Add(std::move(entry), QDateTime::currentMSecsSinceEpoch());
}

void CTessaroDlg::LogPortState(bool open) {
    if (!open) {
        LogNote(FrameChannel::Serial, SerialLogPort(), QStringLiteral("port closed"));
        return;
    }
    const auto s = ParseCommSettings(m_comm.get_Settings().toStdString());
    if (!s) {
        LogNote(FrameChannel::Serial, SerialLogPort(), QStringLiteral("port opened"));
        return;
    }
    const char* parity = "no";
    switch (s->parity) {
    case CommParity::None:
        break;
    case CommParity::Even:
        parity = "even";
        break;
    case CommParity::Odd:
        parity = "odd";
        break;
    case CommParity::Mark:
        parity = "mark";
        break;
    case CommParity::Space:
        parity = "space";
        break;
    }
    const char* stop = s->stopBits == CommStopBits::One          ? "1"
                       : s->stopBits == CommStopBits::OneAndHalf ? "1.5"
                                                                 : "2";
    LogNote(FrameChannel::Serial, SerialLogPort(),
            QStringLiteral("port opened: %1 baud, %2 data bits, %3 parity, %4 stop bit%5")
                .arg(s->baudRate)
                .arg(s->dataBits)
                .arg(QLatin1String(parity), QLatin1String(stop),
                     s->stopBits == CommStopBits::One ? QString() : QStringLiteral("s")));
}

void CTessaroDlg::ShowSerialParams(const SerialParamRecord& r) {
    SelectListIndex(IDC_OUTPUT_FORMAT, r.outputFormat);
    SelectListIndex(IDC_CARD_INPUT_FORMAT, r.cardInputFormat);
    SelectListIndex(IDC_ENTER_KEY, r.hidEnter);
    SelectListIndex(IDC_LINE_FEED, r.lineFeed);

    SelectListByNumber(IDC_READER_BAUD, r.baudRate);
    SelectListByNumber(IDC_DATA_BIT, r.dataBits);
    SelectListByNumber(IDC_STOP_BIT, r.stopBits);

    SelectListIndex(IDC_PARITY, r.parity);
    SelectListIndex(IDC_QR_OUTPUT_FORMAT, r.qrOutputFormat);
    SelectListIndex(IDC_RESET_INTERVAL, r.resetInterval);
    SelectListIndex(IDC_WORKING_MODE, r.workingMode);
    SelectListIndex(IDC_HORN, r.horn);
    SelectListIndex(IDC_LIGHT, r.light);

    // The record does not say how its affixes are meant; the user's current choice does.
    const bool barcodeHex = combo(IDC_BARCODE_AFFIX_FORMAT)->currentIndex() == AFFIX_FORMAT_HEX;
    ShowAffix(IDC_BARCODE_PREFIX, barcodeHex, AffixHexText(r.barcodePrefixLen, r.barcodePrefix),
              AffixPlainText(r.barcodePrefix));
    ShowAffix(IDC_BARCODE_SUFFIX, barcodeHex, AffixHexText(r.barcodeSuffixLen, r.barcodeSuffix),
              AffixPlainText(r.barcodeSuffix));
    const bool cardHex = combo(IDC_SERIAL_OUTPUT_FORMAT)->currentIndex() == AFFIX_FORMAT_HEX;
    ShowAffix(IDC_CARD_PREFIX, cardHex, AffixHexText(r.cardPrefixLen, r.cardPrefix),
              AffixPlainText(r.cardPrefix));
    ShowAffix(IDC_CARD_SUFFIX, cardHex, AffixHexText(r.cardSuffixLen, r.cardSuffix),
              AffixPlainText(r.cardSuffix));

    m_nLowPulse = r.wgLowPulse;
    m_nHighPulse = r.wgHighPulse;

    SelectListIndex(IDC_WG_OUTPUT_ORDER, r.wgOutputOrder);
    SelectListIndex(IDC_CARD_NUMBER_FORMAT, r.cardNumberFormat);
    SelectListIndex(IDC_START_BIT, r.startBit);

    // Only the boxes the record fills: text typed elsewhere and not yet sent stays.
    PutIntBoxes({IDC_LOW_PULSE, IDC_HIGH_PULSE});
}
