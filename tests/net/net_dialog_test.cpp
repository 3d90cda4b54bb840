// The network channel of the real dialog, with readers played on loopback sockets.
#include "NetTestSupport.h"
#include "tests/support/DialogStateProbe.h"
#include "tests/support/TraceList.h"

#include "core/WireText.h"
#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkProxy>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <random>

#if defined(Q_OS_LINUX)
#include <sys/socket.h>
#endif

namespace {

// Sends one datagram and waits until the dialog has handled it: every datagram of at least one
// byte leaves a trace.
void Deliver(FakeReader& reader, CTessaroDlg& dlg, const TraceCapture& capture,
             const QByteArray& datagram) {
    const qsizetype before = TraceList(capture).size();
    reader.send(dlg, datagram);
    QTRY_VERIFY(TraceList(capture).size() > before);
}

QStringList Rows(const CTessaroDlg& dlg) {
    QStringList rows;
    for (int i = 0; i < dlg.deviceList()->count(); ++i) {
        rows << dlg.deviceList()->item(i)->text();
    }
    return rows;
}

void SelectRow(CTessaroDlg& dlg, int row) {
    dlg.deviceList()->setCurrentRow(row);
    QVERIFY(dlg.deviceList()->item(row)->isSelected());
}

QString Text(CTessaroDlg& dlg, int id) {
    return dlg.edit(id)->text();
}

int Index(CTessaroDlg& dlg, int id) {
    return dlg.combo(id)->currentIndex();
}

} // namespace

class NetDialogTest : public QObject {
    Q_OBJECT
private slots:
    void setUpBindsAndTraces();
    void secondBindOfThePortFails();
    void proxySettingsLeaveTheSocketAlone();
    void discoveriesListedNewestFirst();
    void sameNameSelectsTheOlderRecord();
    void sourceAddressWinsOverTheRecord();
    void parameterRecordFillsTheDialog();
    void shortParameterRecordReadsZeros();
    void versionDecidesTheNewerControls();
    void confirmationsAndDump();
    void oversizedDatagramIsDiscarded();
    void untrustedNamesAndDatagrams();
    void deviceListBound();
    void closeEndsTheChannel();
    void setUpWithoutSelection();
    void dialogEndClosesTheSocket();
};

void NetDialogTest::setUpBindsAndTraces() {
    TraceCapture capture;
    CTessaroDlg dlg(0);
    const quint16 port = dlg.LocalUdpPort();
    QVERIFY(port != 0);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("OK."));
    QVERIFY(TraceList(capture).contains(
        QStringLiteral("Command port:24582 The radio port:%1").arg(port)));
    QVERIFY(TraceList(capture).contains(QStringLiteral("UDP Server/client setup successful.")));
    QCOMPARE(dlg.udpSocket()->localAddress(), QHostAddress(QHostAddress::AnyIPv4));
#if defined(Q_OS_LINUX)
    int broadcast = 0;
    socklen_t len = sizeof broadcast;
    QCOMPARE(::getsockopt(static_cast<int>(dlg.udpSocket()->socketDescriptor()), SOL_SOCKET,
                          SO_BROADCAST, &broadcast, &len),
             0);
    QCOMPARE(broadcast, 1);
#endif
}

void NetDialogTest::secondBindOfThePortFails() {
    // A program that holds the port alone.
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0));
    CTessaroDlg second(holder.localPort());
    QCOMPARE(second.PaneText(0), QStringLiteral("Local port binding failed!"));
    QVERIFY(second.udpSocket() == nullptr);
    QCOMPARE(second.LocalUdpPort(), quint16(0));

    // A listener that shares the port, as tessaroctl discover does, binds beside the dialog.
    CTessaroDlg first(0);
    QUdpSocket listener;
    QVERIFY(listener.bind(QHostAddress::AnyIPv4, first.LocalUdpPort(),
                          QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
}

void NetDialogTest::proxySettingsLeaveTheSocketAlone() {
    // A SOCKS proxy that nothing answers (loopback port 1): a socket that went through it
    // could not bind.
    const QNetworkProxy before = QNetworkProxy::applicationProxy();
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), 1));
    CTessaroDlg dlg(0);
    QNetworkProxy::setApplicationProxy(before);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("OK."));
    QVERIFY(dlg.LocalUdpPort() != 0);
    FakeReader reader;
    QVERIFY(reader.bound());
    reader.send(dlg, Discovery("A"));
    QTRY_COMPARE(dlg.deviceList()->count(), 1);
}

void NetDialogTest::discoveriesListedNewestFirst() {
    CTessaroDlg dlg(0);
    FakeReader reader;
    QVERIFY(reader.bound());
    // Queued before the dialog looks: one notification must read them all.
    reader.send(dlg, Discovery("A"));
    reader.send(dlg, Discovery("B"));
    reader.send(dlg, Discovery("C"));
    QTRY_COMPARE(dlg.deviceList()->count(), 3);
    QCOMPARE(Rows(dlg), QStringList({"C", "B", "A"}));
    QCOMPARE(dlg.devices().size(), std::size_t(3));
    QCOMPARE(std::string(DeviceName(*dlg.devices()[0])), std::string("A"));
    QCOMPARE(std::string(DeviceName(*dlg.devices()[2])), std::string("C"));
    QVERIFY(dlg.deviceList()->selectedItems().isEmpty());
    QCOMPARE(dlg.PaneText(0), QStringLiteral("OK."));
    // A header alone lists a reader with an empty name.
    reader.send(dlg, Bytes({0x05, 0x03, 0x00, 0x00}));
    QTRY_COMPARE(dlg.deviceList()->count(), 4);
    QCOMPARE(Rows(dlg).first(), QString());
    QCOMPARE(dlg.PaneText(1), QStringLiteral(" 05 03 00 00"));
}

void NetDialogTest::sameNameSelectsTheOlderRecord() {
    CTessaroDlg dlg(0);
    FakeReader reader;
    reader.send(dlg, Discovery("Twin", {0, 0, 0, 0}, 1));
    reader.send(dlg, Discovery("Twin", {0, 0, 0, 0}, 2));
    QTRY_COMPARE(dlg.deviceList()->count(), 2);
    for (const int row : {0, 1}) {
        DialogStateProbe::CurrentDevice(dlg) = DISCOVER_DEV_T{};
        SelectRow(dlg, row);
        QCOMPARE(dlg.currentDevice().net.serverPort, 1);
    }
}

void NetDialogTest::sourceAddressWinsOverTheRecord() {
    CTessaroDlg dlg(0);
    FakeReader reader;
    reader.send(dlg, Discovery("Gate", {0x09, 0x00, 0x00, 0x0A})); // 10.0.0.9
    QTRY_COMPARE(dlg.deviceList()->count(), 1);
    SelectRow(dlg, 0);
    const QString expected = QStringLiteral("Current device: Gate(127.0.0.1)");
    QCOMPARE(dlg.PaneText(0), expected);
    QCOMPARE(dlg.windowTitle(), expected);
    QCOMPARE(AddressFieldBytes(dlg.currentDevice().net.ipAddr),
             (std::array<std::uint8_t, 4>{127, 0, 0, 1}));
}

namespace {

QByteArray FullRecord(int cardNumberFormat) {
    QByteArray r(568, '\0');
    Put(r, 0, {0x01, 0x00, 0x00, 0x00});
    Put(r, 4, {0x14, 0x01, 0xA8, 0xC0});
    Put(r, 8, {0x00, 0xFF, 0xFF, 0xFF});
    Put(r, 12, {0x01, 0x01, 0xA8, 0xC0});
    Put(r, 16, {0x72, 0x72, 0x72, 0x72});
    Put(r, 20, {0x04, 0x04, 0x08, 0x08});
    PutText(r, 24, "cloud.example");
    Put(r, 72, {0x90, 0x1F, 0x00, 0x00}); // 8080
    Put(r, 76, {0x03, 0x00, 0x00, 0x00});
    Put(r, 208, {0x01, 0x00, 0x00, 0x00});
    Put(r, 212, {0x04, 0x03, 0x02, 0x01});
    PutText(r, 216, "Z\xC3\xBCrich"); // UTF-8
    PutText(r, 376, "sub/topic");
    Put(r, 408, {3, 5, 0, 1, 1});
    PutText(r, 413, "AB");
    Put(r, 445, {0});
    Put(r, 446, {0x0D, 0x0A});
    Put(r, 478, {2, 1, 1, 1});
    Put(r, 482, {0x05, 0x00, 0x00, 0x00});
    Put(r, 486, {0x03, 0x00, 0x00, 0x00});
    Put(r, 490, {1});
    Put(r, 491, {0x00, 0xC2, 0x01, 0x00}); // 115200
    Put(r, 495, {7, 2, 1, 1, 2});
    Put(r, 500, {cardNumberFormat, 50, 0, 0});
    Put(r, 504, {0x02, 0x1A});
    return r;
}

QByteArray ParamsDatagram(const QByteArray& record) {
    return Bytes({0x05, 0x1F, 0x00, 0x00}) + record;
}

} // namespace

void NetDialogTest::parameterRecordFillsTheDialog() {
    CTessaroDlg dlg(0);
    // Typed and not yet sent: the record has nothing to say about these boxes.
    dlg.memo(IDC_RECORD)->setPlainText(QStringLiteral("card 42"));
    dlg.memo(IDC_TRANSMIT)->setPlainText(QStringLiteral("typed"));
    FakeReader reader;
    reader.send(dlg, ParamsDatagram(FullRecord(2)));
    QTRY_COMPARE(dlg.PaneText(0), QStringLiteral("Receive parameter successfully."));
    QCOMPARE(dlg.memo(IDC_RECORD)->toPlainText(), QStringLiteral("card 42"));
    QCOMPARE(dlg.memo(IDC_TRANSMIT)->toPlainText(), QStringLiteral("typed"));

    QCOMPARE(Text(dlg, IDC_IP_ADDRESS), QStringLiteral("192.168.1.20"));
    QCOMPARE(Text(dlg, IDC_SUBNET_MASK), QStringLiteral("255.255.255.0"));
    QCOMPARE(Text(dlg, IDC_GATEWAY), QStringLiteral("192.168.1.1"));
    QCOMPARE(Text(dlg, IDC_DNS1), QStringLiteral("114.114.114.114"));
    QCOMPARE(Text(dlg, IDC_DNS2), QStringLiteral("8.8.4.4"));
    QCOMPARE(Text(dlg, IDC_SERVER_ADDRESS), QStringLiteral("cloud.example"));
    QCOMPARE(Text(dlg, IDC_SERVER_PORT), QStringLiteral("8080"));
    QCOMPARE(Text(dlg, IDC_CLOUD_SERVER_ADDRESS), QStringLiteral("1.2.3.4"));
    QCOMPARE(Text(dlg, IDC_PRODUCT_NAME), QStringLiteral("Zürich"));
    QCOMPARE(Text(dlg, IDC_SUBSCRIBE_TOPIC), QStringLiteral("sub/topic"));
    QCOMPARE(Text(dlg, IDC_PRODUCT_KEY), QString());

    struct Row {
        int id;
        int index;
    };
    const Row lists[] = {
        {IDC_NETWORK_MODE, 1},
        {IDC_HTTP_SERVER, 3},
        {IDC_CLOUD_PROVIDER, 1},
        {IDC_OUTPUT_FORMAT, 2},
        {IDC_CARD_INPUT_FORMAT, 4},
        {IDC_ENTER_KEY, 0},
        {IDC_LINE_FEED, 1},
        {IDC_BARCODE_AFFIX_FORMAT, 1},
        {IDC_LIGHT, 2},
        {IDC_WORKING_MODE, 1},
        {IDC_HIDDEN_SWITCH, 1},
        {IDC_HORN, 1},
        {IDC_WG_OUTPUT_ORDER, 1},
        {IDC_PARITY, 1},
        {IDC_QR_OUTPUT_FORMAT, 1},
        {IDC_RESET_INTERVAL, 2},
        {IDC_START_BIT, 50},
        {IDC_CARD_AFFIX_FORMAT, 0},
        {IDC_SERIAL_OUTPUT_FORMAT, 0},
        // Version 0: left as it was.
        {IDC_CARD_NUMBER_FORMAT, 0},
    };
    for (const Row& r : lists) {
        QVERIFY2(Index(dlg, r.id) == r.index, qPrintable(QString::number(r.id)));
    }
    QCOMPARE(dlg.combo(IDC_READER_BAUD)->currentText(), QStringLiteral("115200"));
    QCOMPARE(dlg.combo(IDC_DATA_BIT)->currentText(), QStringLiteral("7"));
    QCOMPARE(dlg.combo(IDC_STOP_BIT)->currentText(), QStringLiteral("2"));

    // Serial output format 0: card affixes as hex. Barcode prefix as text, suffix as hex.
    QCOMPARE(Text(dlg, IDC_CARD_PREFIX), QStringLiteral("021a"));
    QCOMPARE(Text(dlg, IDC_CARD_SUFFIX), QString());
    QCOMPARE(Text(dlg, IDC_BARCODE_PREFIX), QStringLiteral("AB"));
    QCOMPARE(Text(dlg, IDC_BARCODE_SUFFIX), QStringLiteral("0d0a"));
    QCOMPARE(Text(dlg, IDC_HIGH_PULSE), QStringLiteral("500"));
    QCOMPARE(Text(dlg, IDC_LOW_PULSE), QStringLiteral("300"));
    QCOMPARE(dlg.serverPort(), 8080);

    QVERIFY(dlg.button(IDC_OUTPUT_FORMAT_SET)->isEnabled());
    QVERIFY(dlg.button(IDC_GET_PARAMETER)->isEnabled());
    QVERIFY(dlg.button(IDC_GET_CURRENT_PARAM)->isEnabled());
    QVERIFY(!dlg.button(IDC_NET_SETUP)->isEnabled());
    QVERIFY(!dlg.control(IDC_CARD_NUMBER_FORMAT)->isEnabled());
    QCOMPARE(dlg.PaneText(1).size(), 572 * 3);
    QVERIFY(dlg.PaneText(1).startsWith(QStringLiteral(" 05 1f 00 00 01 00 00 00 14 01 a8 c0")));
}

void NetDialogTest::shortParameterRecordReadsZeros() {
    CTessaroDlg dlg(0);
    FakeReader reader;
    dlg.combo(IDC_OUTPUT_FORMAT)->setCurrentIndex(3);
    dlg.combo(IDC_READER_BAUD)->setCurrentIndex(4);
    QByteArray block(80, '\0');
    Put(block, 4, {0x09, 0x00, 0x00, 0x0A});
    reader.send(dlg, ParamsDatagram(block));
    QTRY_COMPARE(dlg.PaneText(0), QStringLiteral("Receive parameter successfully."));
    QCOMPARE(Text(dlg, IDC_IP_ADDRESS), QStringLiteral("10.0.0.9"));
    QCOMPARE(Index(dlg, IDC_OUTPUT_FORMAT), -1); // code 0 names no entry
    QCOMPARE(Index(dlg, IDC_CARD_INPUT_FORMAT), -1);
    QCOMPARE(Index(dlg, IDC_LIGHT), 0);
    // No item begins with "0": these keep their selection.
    QCOMPARE(dlg.combo(IDC_READER_BAUD)->currentText(), QStringLiteral("115200"));
    QCOMPARE(dlg.combo(IDC_DATA_BIT)->currentText(), QStringLiteral("8"));
    QCOMPARE(dlg.combo(IDC_STOP_BIT)->currentText(), QStringLiteral("1"));
    QCOMPARE(Text(dlg, IDC_HIGH_PULSE), QStringLiteral("0"));
    QCOMPARE(Text(dlg, IDC_CARD_PREFIX), QString());
    QCOMPARE(Text(dlg, IDC_SERVER_ADDRESS), QString());
}

void NetDialogTest::versionDecidesTheNewerControls() {
    TraceCapture capture;
    CTessaroDlg dlg(0);
    FakeReader reader;
    const int newer[] = {IDC_ENCRYPTION, IDC_CARD_NUMBER_FORMAT, IDC_DEVICE_MODE,
                         IDC_USE_COUNT,  IDC_NTP_ADDRESS,        IDC_BACKUP_ADDRESS};
    QVERIFY(!dlg.button(IDC_QR_CODE_SET)->isEnabled());

    Deliver(reader, dlg, capture, Version("ver_client1_1.1"));
    QCOMPARE(dlg.clientVersion(), 1);
    QCOMPARE(TraceList(capture).last(), QStringLiteral("ver_client1_1.0:ver_client1_1.1\n"));
    Deliver(reader, dlg, capture, ParamsDatagram(FullRecord(2)));
    QCOMPARE(Index(dlg, IDC_CARD_NUMBER_FORMAT), 2);
    for (const int id : newer) {
        QVERIFY2(dlg.control(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    QVERIFY(dlg.button(IDC_QR_CODE_SET)->isEnabled());

    Deliver(reader, dlg, capture, Version("ver_client1_1.1 "));
    QCOMPARE(dlg.clientVersion(), 0);
    Deliver(reader, dlg, capture, ParamsDatagram(FullRecord(1)));
    QCOMPARE(Index(dlg, IDC_CARD_NUMBER_FORMAT), 2);
    for (const int id : newer) {
        QVERIFY2(!dlg.control(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY2(dlg.control(id)->isHidden() == (id != IDC_CARD_NUMBER_FORMAT),
                 qPrintable(QString::number(id)));
    }
    QVERIFY(dlg.button(IDC_QR_CODE_SET)->isEnabled());
}

void NetDialogTest::confirmationsAndDump() {
    TraceCapture capture;
    CTessaroDlg dlg(0);
    FakeReader reader;

    Deliver(reader, dlg, capture, Bytes({0x05, 0x09, 0x00, 0x00}));
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Command setup successful."));
    QCOMPARE(dlg.PaneText(1), QStringLiteral(" 05 09 00 00"));

    Deliver(reader, dlg, capture, Bytes({0x05, 0x07, 0x00, 0x00}));
    QCOMPARE(dlg.PaneText(0), QStringLiteral("命令设置成功."));

    // Dropped datagrams are dumped all the same and leave pane 0 alone.
    dlg.SetPaneText(0, QStringLiteral("-"));
    Deliver(reader, dlg, capture, Bytes({0x05, 0x13, 0x01, 0x00, 0x02}));
    QCOMPARE(dlg.PaneText(1), QStringLiteral(" 05 13 01 00 02"));
    QCOMPARE(TraceList(capture).last(),
             QStringLiteral("cmdData_checksum error ,retCrc=0xfd ,cmdData_checksum=0x0 \n"));
    Deliver(reader, dlg, capture, Bytes({0x06, 0x09, 0x00, 0x00}));
    QCOMPARE(dlg.PaneText(1), QStringLiteral(" 06 09 00 00"));
    QCOMPARE(TraceList(capture).last(), QStringLiteral("sync code error\n"));
    Deliver(reader, dlg, capture, Bytes({0x05, 0x2E, 0x00, 0x00}));
    QCOMPARE(dlg.PaneText(0), QStringLiteral("-"));

    // Working mode reply against the list as it stands.
    const QByteArray mode2 = Bytes({0x05, 0x13, 0x01, 0xFD, 0x02});
    dlg.combo(IDC_WORKING_MODE)->setCurrentIndex(1);
    Deliver(reader, dlg, capture, mode2);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("-"));
    dlg.combo(IDC_WORKING_MODE)->setCurrentIndex(2);
    Deliver(reader, dlg, capture, mode2);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Command setup successful."));

    // Serial parameters reply against the numbers of the selected items (9600, 8, 1).
    const QByteArray serial =
        Bytes({0x05, 0x27, 0x00, 0x00, 0x80, 0x25, 0x00, 0x00, 0x08, 0x01, 0x02, 0x00});
    dlg.SetPaneText(0, QStringLiteral("-"));
    dlg.combo(IDC_DATA_BIT)->setCurrentIndex(1);
    Deliver(reader, dlg, capture, serial);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("-"));
    dlg.combo(IDC_DATA_BIT)->setCurrentIndex(0);
    Deliver(reader, dlg, capture, serial);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Command setup successful."));
}

void NetDialogTest::oversizedDatagramIsDiscarded() {
    TraceCapture capture;
    CTessaroDlg dlg(0);
    FakeReader reader;
    QByteArray tooLarge(4097, '\0');
    Put(tooLarge, 0, {0x05, 0x0B, 0x00, 0x00});
    QByteArray largest(4096, '\0');
    Put(largest, 0, {0x05, 0x09, 0x00, 0x00});
    reader.send(dlg, tooLarge);
    reader.send(dlg, largest);
    QTRY_COMPARE(dlg.PaneText(1).size(), 4096 * 3);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Command setup successful."));
    QCOMPARE(TraceList(capture).filter(QStringLiteral("cmdId =0xb")).size(), 0);
    QCOMPARE(TraceList(capture).filter(QStringLiteral("cmdId =0x9")).size(), 1);
}

void NetDialogTest::untrustedNamesAndDatagrams() {
    CTessaroDlg dlg(0);
    FakeReader reader;
    reader.send(dlg, Discovery("ABCDEFGHIJKLMNOP")); // no terminator
    reader.send(dlg, Discovery("\xFF\xFE", {0, 0, 0, 0}, 7));
    reader.send(dlg, Discovery("%s%n%x"));
    QTRY_COMPARE(dlg.deviceList()->count(), 3);

    SelectRow(dlg, 2);
    QCOMPARE(std::string(DeviceName(dlg.currentDevice())), std::string("ABCDEFGHIJKLMNOP"));
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Current device: ABCDEFGHIJKLMNOP(127.0.0.1)"));
    // Bytes that are no text in this code page still pick their own record.
    SelectRow(dlg, 1);
    QCOMPARE(dlg.currentDevice().net.serverPort, 7);
    SelectRow(dlg, 0);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Current device: %s%n%x(127.0.0.1)"));

    // Arbitrary bytes straight into the receive function, then the socket still works.
    std::mt19937 random(20240422);
    for (int n = 0; n < 2000; ++n) {
        std::vector<std::uint8_t> d(random() % 700);
        for (auto& b : d) {
            b = static_cast<std::uint8_t>(random());
        }
        if (d.size() >= 4 && n % 2 == 0) {
            d[0] = 0x05;
            d[1] = static_cast<std::uint8_t>(1 + 2 * (random() % 23)); // odd ids 1..45
            d[2] = 0x00;
        }
        dlg.UdpCmdRecv(d.data(), static_cast<int>(d.size()), QHostAddress::LocalHost);
    }
    const int rows = dlg.deviceList()->count();
    reader.send(dlg, Discovery("END"));
    QTRY_COMPARE(dlg.deviceList()->count(), rows + 1);
    QCOMPARE(dlg.deviceList()->item(0)->text(), QStringLiteral("END"));
}

// Straight into the receive function, so that the bound is reached in a moment.
void NetDialogTest::deviceListBound() {
    TraceCapture capture;
    CTessaroDlg dlg(0);
    const auto name = [](int n) { return QByteArray::number(n).rightJustified(5, '0'); };
    const auto receive = [&dlg](const QByteArray& d) {
        dlg.UdpCmdRecv(reinterpret_cast<const std::uint8_t*>(d.constData()),
                       static_cast<int>(d.size()), QHostAddress::LocalHost);
    };
    const int bound = static_cast<int>(DEVICE_LIST_MAX);
    for (int n = 0; n < bound; ++n) {
        receive(Discovery(name(n)));
    }
    QCOMPARE(dlg.deviceList()->count(), bound);
    QCOMPARE(dlg.deviceList()->item(bound - 1)->text(), QString::fromLatin1(name(0)));
    QVERIFY(TraceList(capture).filter(QStringLiteral("Device list full")).isEmpty());

    receive(Discovery(name(bound)));
    receive(Discovery(name(bound + 1)));
    QCOMPARE(dlg.deviceList()->count(), bound);
    QCOMPARE(dlg.devices().size(), DEVICE_LIST_MAX);
    QCOMPARE(dlg.deviceList()->item(0)->text(), QString::fromLatin1(name(bound + 1)));
    QCOMPARE(dlg.deviceList()->item(bound - 1)->text(), QString::fromLatin1(name(2)));
    QCOMPARE(std::string(DeviceName(*dlg.devices().front())), name(2).toStdString());
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Device list full: oldest dropped."));
    QCOMPARE(TraceList(capture).filter(QStringLiteral("Device list full")).size(), 1);
}

void NetDialogTest::closeEndsTheChannel() {
    TraceCapture capture;
    CTessaroDlg dlg(0);
    FakeReader reader;
    reader.send(dlg, Discovery("Gate"));
    QTRY_COMPARE(dlg.deviceList()->count(), 1);
    SelectRow(dlg, 0);

    QCOMPARE(dlg.OnUdpNotify(CTessaroDlg::FD_CLOSE), 0);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("server exit."));
    QVERIFY(dlg.udpSocket() == nullptr);
    QCOMPARE(dlg.LocalUdpPort(), quint16(0));

    dlg.OnNetSetup();
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Error sending data."));
    QVERIFY(TraceList(capture).contains(QStringLiteral("MspSendCmd_t:4")));
    QVERIFY(TraceList(capture).contains(QStringLiteral("DISCOVER_DEV_T:96")));
    QCOMPARE(std::string(DeviceName(dlg.currentDevice())), std::string("Gate"));

    // Nothing reopens it; a read notification finds no socket.
    QCOMPARE(dlg.OnUdpNotify(CTessaroDlg::FD_READ), 0);
    QVERIFY(dlg.udpSocket() == nullptr);

    // A refused datagram is no reason to close; a socket that is gone is.
    CTessaroDlg other(0);
    emit other.udpSocket()->errorOccurred(QAbstractSocket::ConnectionRefusedError);
    emit other.udpSocket()->errorOccurred(QAbstractSocket::NetworkError);
    QCOMPARE(other.PaneText(0), QStringLiteral("OK."));
    QVERIFY(other.udpSocket() != nullptr);
    emit other.udpSocket()->errorOccurred(QAbstractSocket::RemoteHostClosedError);
    QCOMPARE(other.PaneText(0), QStringLiteral("server exit."));
    QVERIFY(other.udpSocket() == nullptr);

    // So is a socket closed from elsewhere.
    CTessaroDlg third(0);
    third.udpSocket()->close();
    QCOMPARE(third.PaneText(0), QStringLiteral("server exit."));
    QVERIFY(third.udpSocket() == nullptr);
}

void NetDialogTest::setUpWithoutSelection() {
    CTessaroDlg dlg(0);
    QStringList messages;
    dlg.SetMessageHook([&](const QString& m) { messages << m; });
    FakeReader reader;
    reader.send(dlg, Discovery("Gate"));
    QTRY_COMPARE(dlg.deviceList()->count(), 1);

    DialogStateProbe::Reply(dlg).replyMode = REPLY_MODE_PARAM_QUERY;
    DialogStateProbe::Reply(dlg).recvBuf[0] = 0x41;
    DialogStateProbe::Reply(dlg).recvCount = 7;
    DialogStateProbe::CurrentDevice(dlg).net.serverPort = 5;
    dlg.edit(IDC_SERVER_PORT)->setText(QStringLiteral("abc"));
    dlg.OnNetSetup();
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Send failed, no device selected."));
    QCOMPARE(messages, QStringList({"Please enter an integer."}));
    QVERIFY(dlg.currentDevice() == DISCOVER_DEV_T{});
    QCOMPARE(dlg.replyState().replyMode, int(REPLY_MODE_SETTING));
    QCOMPARE(dlg.replyState().recvBuf[0], std::uint8_t(0));
    QCOMPARE(dlg.replyState().recvCount, 0);
}

void NetDialogTest::dialogEndClosesTheSocket() {
    CTessaroDlg dlg(0);
    const quint16 port = dlg.LocalUdpPort();
    dlg.done(0);
    QVERIFY(dlg.udpSocket() == nullptr);
    QUdpSocket again;
    QVERIFY(again.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress));
}

QTEST_MAIN(NetDialogTest)
#include "net_dialog_test.moc"
