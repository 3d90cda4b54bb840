// The network set-up command as a reader at its fixed port receives it.
#include "NetTestSupport.h"
#include "tests/support/DialogStateProbe.h"
#include "tests/support/TraceList.h"

#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QtTest>

namespace {

QNetworkDatagram NextDatagram(QUdpSocket& socket) {
    if (!socket.hasPendingDatagrams()) {
        socket.waitForReadyRead(5000);
    }
    return socket.receiveDatagram();
}

} // namespace

class NetSetupTest : public QObject {
    Q_OBJECT
private slots:
    void setUpGoesToTheSelectedReader();
};

void NetSetupTest::setUpGoesToTheSelectedReader() {
    TraceCapture capture;
    CTessaroDlg dlg(0);
    FakeReader announcer;
    auto reader = std::make_unique<FakeReader>(UDP_READER_PORT);
    QVERIFY2(reader->bound(), "127.0.0.1:24582 is taken");

    // Nothing selected: nothing is sent, so the first datagram below is the next press's.
    dlg.OnNetSetup();
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Send failed, no device selected."));

    // The record claims 10.0.0.9; the datagram came from 127.0.0.1.
    announcer.send(dlg, Discovery("Gate", {0x09, 0x00, 0x00, 0x0A}));
    QTRY_COMPARE(dlg.deviceList()->count(), 1);
    dlg.deviceList()->setCurrentRow(0);

    dlg.combo(IDC_NETWORK_MODE)->setCurrentIndex(1);
    dlg.ipAddress(IDC_IP_ADDRESS)->SetAddress(0xC0A80001);  // 192.168.0.1
    dlg.ipAddress(IDC_SUBNET_MASK)->SetAddress(0xFFFFFF00); // 255.255.255.0
    dlg.ipAddress(IDC_GATEWAY)->setText(QStringLiteral("192.168.0.254"));
    dlg.ipAddress(IDC_DNS2)->setText(QStringLiteral("8..4."));
    dlg.edit(IDC_SERVER_ADDRESS)->setText(QString(60, QLatin1Char('s')));
    dlg.edit(IDC_SERVER_PORT)->setText(QStringLiteral("8080"));
    dlg.combo(IDC_HTTP_SERVER)->setCurrentIndex(4);
    DialogStateProbe::Reply(dlg).replyMode = REPLY_MODE_PARAM_QUERY;
    DialogStateProbe::Reply(dlg).recvCount = 3;

    dlg.OnNetSetup();
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Data sent successfully."));
    QCOMPARE(dlg.replyState().replyMode, int(REPLY_MODE_SETTING));
    QCOMPARE(dlg.replyState().recvCount, 0);
    const QStringList sends = TraceList(capture).filter(QStringLiteral("_t:"), Qt::CaseInsensitive);
    QCOMPARE(sends, QStringList({"MspSendCmd_t:4", "DISCOVER_DEV_T:96"}));
    // The log keeps the end the datagrams left from, as the reader sees it below.
    const FrameLogBuffer& log = dlg.frameLog();
    const QString local = QStringLiteral("127.0.0.1:%1").arg(dlg.LocalUdpPort());
    QCOMPARE(QString::fromStdString(log.At(log.Size() - 2).local), local);
    QCOMPARE(QString::fromStdString(log.At(log.Size() - 1).local), local);

    const QNetworkDatagram header = NextDatagram(reader->socket());
    QCOMPARE(header.data(), Bytes({0x05, 0x20, 0x64, 0x00}));
    QCOMPARE(header.senderAddress(), QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(header.senderPort(), int(dlg.LocalUdpPort()));

    QByteArray expected(96, '\0');
    PutText(expected, 0, "Gate");
    Put(expected, 16, {0x01, 0x00, 0x00, 0x00});
    Put(expected, 20, {0x01, 0x00, 0xA8, 0xC0});
    Put(expected, 24, {0x00, 0xFF, 0xFF, 0xFF});
    Put(expected, 28, {0xFE, 0x00, 0xA8, 0xC0});
    Put(expected, 32, {0x72, 0x72, 0x72, 0x72}); // DNS 1 as the dialog starts
    Put(expected, 36, {0x00, 0x04, 0x00, 0x08}); // blank fields count as 0
    PutText(expected, 40, QByteArray(47, 's'));  // and the NUL
    Put(expected, 88, {0x90, 0x1F, 0x00, 0x00});
    Put(expected, 92, {0x04, 0x00, 0x00, 0x00});
    const QNetworkDatagram block = NextDatagram(reader->socket());
    QCOMPARE(block.data().toHex(' '), expected.toHex(' '));

    // With the reader gone the sends still succeed, and whatever the network answers must not
    // end the channel.
    reader.reset();
    dlg.OnNetSetup();
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Data sent successfully."));
    announcer.send(dlg, Discovery("Late"));
    QTRY_COMPARE(dlg.deviceList()->count(), 2);
    QVERIFY(dlg.udpSocket() != nullptr);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Data sent successfully."));
    dlg.OnNetSetup();
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Data sent successfully."));
}

QTEST_MAIN(NetSetupTest)
#include "net_setup_test.moc"
