// The dialog's network channel: the UDP socket, its dispatch, the device list and the network
// parameter command. Bytes are read and built by the core; this file moves them between the
// socket and the widgets.
#include "ui/TessaroDlg.h"

#include "core/DebugTrace.h"
#include "core/Frame.h"
#include "core/WireText.h"
#include "net/DevParam.h"
#include "net/DiscoverDev.h"
#include "net/NetSetCommand.h"
#include "net/UdpDispatch.h"
#include "net/UdpPacket.h"
#include "ui/CatalogText.h"
#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QPushButton>
#include <QSignalBlocker>
#include <QUdpSocket>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace {

QString FromLocal(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Only errors that leave the socket unusable end it. A refused or failed single datagram does
// not: an ICMP "port unreachable" after a send to a reader that is gone comes back as
// ConnectionRefusedError on the next read.
bool SocketIsGone(QAbstractSocket::SocketError error) {
    return error == QAbstractSocket::RemoteHostClosedError ||
           error == QAbstractSocket::SocketResourceError;
}

std::optional<long long> SelectedNumber(const QComboBox* list) {
    bool ok = false;
    const long long value = ItemData(list, list->currentIndex()).toLongLong(&ok);
    return ok && list->currentIndex() >= 0 ? std::optional<long long>(value) : std::nullopt;
}

QListWidgetItem* SelectedDevice(const QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}

// The reader's name as it arrived; the row text is only its rendering.
QByteArray RowName(const QListWidgetItem* item) {
    return item->data(Qt::UserRole).toByteArray();
}

} // namespace

CTessaroDlg::UdpSocketCloser::~UdpSocketCloser() {
    dlg->CloseUdpSocket();
}

void CTessaroDlg::SetupUdpSocket() {
    auto* socket = new QUdpSocket(this);
    // Readers answer on the local network, never through a proxy; nor does the system's proxy
    // configuration have to be looked up (a thread of its own) before the window shows.
    socket->setProxy(QNetworkProxy::NoProxy);
    // Qt enables SO_BROADCAST on every UDP socket it creates. Shared, so that tessaroctl
    // discover can listen beside a running Tessaro; a program holding the port alone still
    // makes this bind fail.
    if (!socket->bind(QHostAddress::AnyIPv4, m_localUdpPort,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        const QAbstractSocket::SocketError error = socket->error();
        delete socket;
        const bool noSocket = error == QAbstractSocket::SocketResourceError ||
                              error == QAbstractSocket::UnsupportedSocketOperationError;
        SetPaneText(0,
                    noSocket ? tr("cannot create UDP socket!") : tr("Local port binding failed!"));
        return;
    }
    m_udpSocket = socket;
    connect(socket, &QUdpSocket::readyRead, this, [this] { OnUdpNotify(FD_READ); });
    connect(socket, &QAbstractSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) {
                if (SocketIsGone(error)) {
                    OnUdpNotify(FD_CLOSE);
                }
            });
    connect(socket, &QAbstractSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState state) {
                if (state == QAbstractSocket::UnconnectedState) {
                    OnUdpNotify(FD_CLOSE);
                }
            });
    connect(this, &QDialog::finished, this, [this] { CloseUdpSocket(); });
    DebugTrace("Command port:%d The radio port:%d", UDP_READER_PORT, socket->localPort());
    DebugTrace("UDP Server/client setup successful.");
}

void CTessaroDlg::CloseUdpSocket() {
    if (QUdpSocket* socket = std::exchange(m_udpSocket, nullptr)) {
        socket->disconnect(this);
        socket->close();
        socket->deleteLater();
    }
}

QString CTessaroDlg::UdpLocalEnd(const QHostAddress& peer) const {
    QHostAddress address = m_udpSocket ? m_udpSocket->localAddress() : QHostAddress();
    if (address.isNull() || address == QHostAddress(QHostAddress::AnyIPv4)) {
        // The address the system sends from to that peer: connecting a UDP socket sends nothing.
        QUdpSocket probe;
        probe.setProxy(QNetworkProxy::NoProxy);
        probe.connectToHost(peer, UDP_READER_PORT);
        if (probe.waitForConnected(0)) {
            address = probe.localAddress();
        }
    }
    return QHostAddress(address.toIPv4Address()).toString() + u':' +
           QString::number(LocalUdpPort());
}

quint16 CTessaroDlg::LocalUdpPort() const {
    return m_udpSocket ? m_udpSocket->localPort() : 0;
}

int CTessaroDlg::OnUdpNotify(int event) {
    if (event == FD_READ) {
        // Every pending datagram now: the socket announces later ones only once these are read.
        while (m_udpSocket && m_udpSocket->hasPendingDatagrams()) {
            QUdpSocket* socket = m_udpSocket;
            const qint64 size = socket->pendingDatagramSize();
            if (size < 0) {
                break;
            }
            if (size > static_cast<qint64>(UDP_RECV_BUFFER_LEN)) {
                char rest = 0; // the rest of the datagram is dropped by the read
                if (socket->readDatagram(&rest, 1) < 0) {
                    break;
                }
                continue;
            }
            std::array<std::uint8_t, UDP_RECV_BUFFER_LEN> buffer{};
            // A datagram rather than the bytes alone: the log keeps the address it came to.
            const QNetworkDatagram datagram = socket->receiveDatagram(size);
            if (!datagram.isValid()) {
                break;
            }
            const QByteArray data = datagram.data();
            const qint64 count = std::min<qint64>(data.size(), qint64(buffer.size()));
            if (count == 0) {
                continue;
            }
            std::copy_n(data.constData(), count, reinterpret_cast<char*>(buffer.data()));
            const QHostAddress source = datagram.senderAddress();
            const QHostAddress local(datagram.destinationAddress().toIPv4Address());
            LogFrame(FrameChannel::Udp, FrameDirection::Received,
                     source.toString() + u':' + QString::number(datagram.senderPort()),
                     std::span(buffer).first(static_cast<std::size_t>(count)), {},
                     local.toString() + u':' + QString::number(socket->localPort()));
            UdpCmdRecv(buffer.data(), static_cast<int>(count), source);
            const auto received = std::span(buffer).first(static_cast<std::size_t>(count));
            SetPaneText(1, QString::fromLatin1(UdpDump(received)));
        }
    } else if (event == FD_CLOSE) {
        CloseUdpSocket();
        LogNote(FrameChannel::Udp, QString(), QStringLiteral("The socket was closed"));
        SetPaneText(0, tr("server exit."));
    }
    return 0;
}

void CTessaroDlg::UdpCmdRecv(const std::uint8_t* data, int count, const QHostAddress& source) {
    if (!data || count <= 0) {
        return;
    }
    UdpSelections current;
    current.workingMode = combo(IDC_WORKING_MODE)->currentIndex();
    current.hiddenSwitch = combo(IDC_HIDDEN_SWITCH)->currentIndex();
    current.horn = combo(IDC_HORN)->currentIndex();
    current.readerBaud = SelectedNumber(combo(IDC_READER_BAUD));
    current.dataBits = SelectedNumber(combo(IDC_DATA_BIT));
    current.stopBits = SelectedNumber(combo(IDC_STOP_BIT));

    bool isIpv4 = false;
    const quint32 ipv4 = source.toIPv4Address(&isIpv4);
    const UdpAction action = DispatchUdpDatagram(std::span(data, static_cast<std::size_t>(count)),
                                                 isIpv4 ? ipv4 : 0, current);

    switch (action.kind) {
    case UdpActionKind::None:
        break;
    case UdpActionKind::Version:
        m_bClientVer = action.clientVer;
        break;
    case UdpActionKind::AddDevice: {
        m_devList.push_back(std::make_unique<DISCOVER_DEV_T>(action.device));
        const std::string_view name = DeviceName(*m_devList.back());
        auto* row = new QListWidgetItem(FromLocal(name));
        row->setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
        // Newest first. Qt reports the shifted selection as a change; the user changed nothing.
        const QSignalBlocker quiet(deviceList());
        deviceList()->insertItem(0, row);
        if (m_devList.size() > DEVICE_LIST_MAX) {
            m_devList.pop_front();
            delete deviceList()->takeItem(deviceList()->count() - 1);
            if (!m_devListFull) {
                m_devListFull = true;
                DebugTrace("Device list full (%d readers): the oldest are dropped.",
                           static_cast<int>(DEVICE_LIST_MAX));
                SetPaneText(0, tr("Device list full: oldest dropped."));
            }
        }
        break;
    }
    case UdpActionKind::Confirm:
        SetPaneText(0, QCoreApplication::translate("UdpDispatch", UDP_MSG_CONFIRM));
        break;
    case UdpActionKind::ConfirmChinese:
        SetPaneText(0, QString::fromUtf8(UDP_MSG_CONFIRM_ZH));
        break;
    case UdpActionKind::ShowParams:
        ShowUdpParams(action.record);
        break;
    }
}

int CTessaroDlg::SelectDeviceByName(const QByteArray& name) {
    const std::string_view wanted(name.constData(), static_cast<std::size_t>(name.size()));
    if (const DISCOVER_DEV_T* dev = FindDeviceByName(m_devList, wanted)) {
        m_curDev = *dev;
    }
    return 0;
}

void CTessaroDlg::OnSelchangeDevList() {
    const QListWidgetItem* row = SelectedDevice(deviceList());
    if (!row) {
        return;
    }
    const QByteArray name = RowName(row);
    SelectDeviceByName(name);
    QString text = FromLocal(CurrentDeviceText(
        std::string_view(name.constData(), static_cast<std::size_t>(name.size())), m_curDev));
    // The prefix is the dialog's own text; the name and address after it are the reader's.
    text.replace(0, qsizetype(sizeof CURRENT_DEVICE_PREFIX - 1),
                 QCoreApplication::translate("DiscoverDev", CURRENT_DEVICE_PREFIX));
    SetPaneText(0, text);
    setWindowTitle(text);
}

void CTessaroDlg::OnNetSetup() {
    m_reply.replyMode = REPLY_MODE_SETTING;
    m_reply.ClearBuffer();
    UpdateData(true);

    NetBlock block;
    m_curDev = DISCOVER_DEV_T{};
    block.netMode = combo(IDC_NETWORK_MODE)->currentIndex();
    block.ipAddr = ipAddress(IDC_IP_ADDRESS)->GetAddress();
    block.subnetMask = ipAddress(IDC_SUBNET_MASK)->GetAddress();
    block.gateway = ipAddress(IDC_GATEWAY)->GetAddress();
    block.dns1 = ipAddress(IDC_DNS1)->GetAddress();
    block.dns2 = ipAddress(IDC_DNS2)->GetAddress();
    const QByteArray server = edit(IDC_SERVER_ADDRESS)->text().toLocal8Bit();
    SetFieldText(block.serverAddr,
                 std::string_view(server.constData(), static_cast<std::size_t>(server.size())));
    block.serverPort = m_nServerPort;
    block.httpServer = combo(IDC_HTTP_SERVER)->currentIndex();

    const QListWidgetItem* row = SelectedDevice(deviceList());
    if (!row) {
        SetPaneText(0, tr("Send failed, no device selected."));
        return;
    }
    const QByteArray name = RowName(row);
    SelectDeviceByName(name);
    const NetSetDatagrams command = BuildNetSetCommand(
        std::string_view(name.constData(), static_cast<std::size_t>(name.size())), block);

    const QHostAddress to(AddressFieldToSource(m_curDev.net.ipAddr));
    const QString peer = to.toString() + u':' + QString::number(UDP_READER_PORT);
    const QString local = UdpLocalEnd(to);
    auto send = [&](std::span<const std::uint8_t> bytes, std::string name) {
        LogFrame(FrameChannel::Udp, FrameDirection::Sent, peer, bytes, std::move(name), local);
        const bool ok =
            m_udpSocket && m_udpSocket->writeDatagram(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<qint64>(bytes.size()), to,
                                                      UDP_READER_PORT) != -1;
        SetPaneText(0, ok ? tr("Data sent successfully.") : tr("Error sending data."));
    };
    DebugTrace("MspSendCmd_t:%d", static_cast<int>(PACKAGE_HEADER_LEN));
    send(command.header, {});
    DebugTrace("DISCOVER_DEV_T:%d", static_cast<int>(DISCOVER_DEV_LEN));
    send(command.block, "Set network data");
}

void CTessaroDlg::ShowUdpParams(std::span<const std::uint8_t> record) {
    std::array<std::uint8_t, DEV_PARAM_LEN> bytes{};
    std::copy_n(record.begin(), std::min(record.size(), bytes.size()), bytes.begin());
    const DEV_PARAM_T p = DEV_PARAM_T::decode(bytes);

    // Network group.
    ipAddress(IDC_IP_ADDRESS)->SetAddress(p.net.ipAddr);
    ipAddress(IDC_SUBNET_MASK)->SetAddress(p.net.subnetMask);
    ipAddress(IDC_GATEWAY)->SetAddress(p.net.gateway);
    ipAddress(IDC_DNS1)->SetAddress(p.net.dns1);
    ipAddress(IDC_DNS2)->SetAddress(p.net.dns2);
    edit(IDC_SERVER_ADDRESS)->setText(FromLocal(FieldText(p.net.serverAddr)));
    m_nServerPort = p.net.serverPort;
    SelectListIndex(IDC_HTTP_SERVER, p.net.httpServer);
    SelectListIndex(IDC_NETWORK_MODE, p.net.netMode);

    // Plain lists; the two format codes count from 1.
    SelectListIndex(IDC_LIGHT, p.light);
    SelectListIndex(IDC_WORKING_MODE, p.workingMode);
    SelectListIndex(IDC_HIDDEN_SWITCH, p.hiddenSwitch);
    SelectListIndex(IDC_HORN, p.horn);
    SelectListIndex(IDC_ENTER_KEY, p.enterKey);
    SelectListIndex(IDC_LINE_FEED, p.lineFeed);
    SelectListIndex(IDC_CLOUD_PROVIDER, p.cloudProvider);
    SelectListIndex(IDC_OUTPUT_FORMAT, p.outputFormat - UDP_FORMAT_CODE_OFFSET);
    SelectListIndex(IDC_CARD_INPUT_FORMAT, p.cardInputFormat - UDP_FORMAT_CODE_OFFSET);
    SelectListIndex(IDC_PARITY, p.parity);
    SelectListIndex(IDC_QR_OUTPUT_FORMAT, p.qrOutputFormat);
    SelectListIndex(IDC_BARCODE_AFFIX_FORMAT, p.barcodePrefixFormat);
    SelectListIndex(IDC_START_BIT, p.startBit);
    SelectListIndex(IDC_CARD_AFFIX_FORMAT, p.cardAffixFormat);
    SelectListIndex(IDC_SERIAL_OUTPUT_FORMAT, p.serialOutputFormat);
    // As the serial parameter display does.
    SelectListIndex(IDC_WG_OUTPUT_ORDER, p.wgOutputOrder);

    // Affixes: hex pairs when their format byte is 0, else the text.
    ShowAffix(IDC_CARD_PREFIX, p.serialOutputFormat == AFFIX_FORMAT_HEX, AffixHex(p.cardPrefix),
              FieldText(p.cardPrefix));
    ShowAffix(IDC_CARD_SUFFIX, p.serialOutputFormat == AFFIX_FORMAT_HEX, AffixHex(p.cardSuffix),
              FieldText(p.cardSuffix));
    ShowAffix(IDC_BARCODE_PREFIX, p.barcodePrefixFormat == AFFIX_FORMAT_HEX,
              AffixHex(p.barcodePrefix), FieldText(p.barcodePrefix));
    ShowAffix(IDC_BARCODE_SUFFIX, p.barcodeSuffixFormat == AFFIX_FORMAT_HEX,
              AffixHex(p.barcodeSuffix), FieldText(p.barcodeSuffix));

    m_nHighPulse = PulseMicros(p.wgHighPulse);
    m_nLowPulse = PulseMicros(p.wgLowPulse);

    edit(IDC_PRODUCT_NAME)->setText(FromUtf8(FieldText(p.productName)));
    edit(IDC_PRODUCT_KEY)->setText(FromUtf8(FieldText(p.productKey)));
    edit(IDC_DEVICE_NAME)->setText(FromUtf8(FieldText(p.deviceName)));
    edit(IDC_DEVICE_KEY)->setText(FromUtf8(FieldText(p.deviceKey)));
    edit(IDC_PUBLISH_TOPIC)->setText(FromUtf8(FieldText(p.publishTopic)));
    edit(IDC_SUBSCRIBE_TOPIC)->setText(FromUtf8(FieldText(p.subscribeTopic)));

    // Controls only the newer reader understands.
    const bool newer = m_bClientVer == 1;
    if (newer) {
        SelectListIndex(IDC_CARD_NUMBER_FORMAT, p.cardNumberFormat);
        control(IDC_QR_CODE_SET)->setEnabled(true);
    }
    for (const int id : {IDC_ENCRYPTION, IDC_CARD_NUMBER_FORMAT, IDC_DEVICE_MODE, IDC_USE_COUNT,
                         IDC_NTP_ADDRESS, IDC_BACKUP_ADDRESS}) {
        control(id)->setEnabled(newer);
    }

    ipAddress(IDC_CLOUD_SERVER_ADDRESS)->SetAddress(p.cloudServer);

    SelectListByNumber(IDC_READER_BAUD, p.baudRate);
    SelectListByNumber(IDC_DATA_BIT, p.dataBits);
    SelectListByNumber(IDC_STOP_BIT, p.stopBits);

    SelectListIndex(IDC_RESET_INTERVAL, p.resetInterval);

    SetSettingButtons(true);
    // Only the boxes the record fills: text typed elsewhere and not yet sent stays.
    PutIntBoxes({IDC_SERVER_PORT, IDC_LOW_PULSE, IDC_HIGH_PULSE});
    SetPaneText(0, tr("Receive parameter successfully."));
}
