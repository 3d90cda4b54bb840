// The network channel under load: a flood of valid and malformed datagrams from a reader played
// on 127.0.0.1, and datagrams far longer than the receive buffer.
#include "net/DiscoverDev.h"
#include "tests/support/FloodDatagrams.h"
#include "tests/support/TraceCapture.h"
#include "ui/ControlCatalog.h"
#include "ui/TessaroDlg.h"

#include <QDeadlineTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <algorithm>
#include <array>
#include <functional>
#include <random>
#include <string_view>

namespace {

constexpr int FLOOD = 100'000;
// Datagrams sent before the test lets the dialog catch up: together well inside the socket's
// default receive buffer, so that none is lost and every count below is exact.
constexpr int BURST = 50;

// Runs the event loop until done() holds; false after timeoutMs.
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    QTimer wake;
    wake.start(10);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Counts the dialog's traces by kind.
struct TraceCounter {
    long m_cmdId = 0;
    long m_short = 0;
    long m_sync = 0;
    long m_checksum = 0;
    long m_full = 0;
    // Last, so that the counts exist before the first trace reaches them.
    TraceCapture m_capture{[this](std::string_view t) {
        m_cmdId += t.find("cmdId") != std::string_view::npos;
        m_short += t.find("recvbytes=") != std::string_view::npos;
        m_sync += t.find("sync code error") != std::string_view::npos;
        m_checksum += t.find("cmdData_checksum error") != std::string_view::npos;
        m_full += t.find("Device list full") != std::string_view::npos;
    }};
};

// " 05 09 ..." as the second pane shows a datagram.
QString Dump(const QByteArray& datagram) {
    return QLatin1String(" ") + QString::fromLatin1(datagram.toHex(' '));
}

// A confirmation (length 0: no checksum) whose four data bytes make it unique.
QByteArray Marker(quint32 n) {
    return Bytes({0x05, 0x09, 0x00, 0x00, int(n & 0xFF), int((n >> 8) & 0xFF),
                  int((n >> 16) & 0xFF), int(n >> 24)});
}

} // namespace

class UdpFloodTest : public QObject {
    Q_OBJECT
private slots:
    void floodOfMixedDatagrams();
    void deviceListIsBounded();
    void datagramsFarLongerThanTheBuffer_data();
    void datagramsFarLongerThanTheBuffer();
};

void UdpFloodTest::floodOfMixedDatagrams() {
    TraceCounter traces;
    CTessaroDlg dlg(0);
    QStringList messages;
    dlg.SetMessageHook([&](const QString& t) { messages << t; });
    QUdpSocket reader;
    QVERIFY(reader.bind(QHostAddress::LocalHost, 0));
    const auto send = [&](const QByteArray& d) {
        return reader.writeDatagram(d, QHostAddress::LocalHost, dlg.LocalUdpPort()) == d.size();
    };

    FloodDatagrams flood(20211);
    int sent[KIND_COUNT] = {};
    int markers = 0;

    for (int burst = 0; burst * BURST < FLOOD; ++burst) {
        for (int i = 0; i < BURST - 1; ++i) {
            const int kind = flood.PickKind();
            // Each reader's name unique, so every row can be told apart.
            const QByteArray d = flood.Make(
                kind,
                QStringLiteral("F%1").arg(sent[Discovery], 7, 10, QLatin1Char('0')).toLatin1());
            QVERIFY(send(d));
            ++sent[kind];
        }
        const QByteArray marker = Marker(quint32(burst));
        QVERIFY(send(marker));
        ++markers;
        // Datagrams arrive in order: once the marker is shown, the burst has been handled.
        QVERIFY2(RunUntil([&] { return dlg.PaneText(1) == Dump(marker); }),
                 qPrintable(QStringLiteral("burst %1").arg(burst)));
    }

    // Every datagram is accounted for: nothing lost, nothing handled twice (rows up to the
    // list's bound).
    const int rows = std::min(sent[Discovery], int(DEVICE_LIST_MAX));
    QCOMPARE(dlg.deviceList()->count(), rows);
    QCOMPARE(dlg.devices().size(), std::size_t(rows));
    QCOMPARE(traces.m_short, long(sent[Short]));
    QCOMPARE(traces.m_sync, long(sent[BadSync]));
    QCOMPARE(traces.m_checksum, long(sent[BadChecksum]));
    const long withHeader = sent[Discovery] + sent[Confirm] + sent[Version] + sent[Params] +
                            sent[Selection] + sent[Ignored] + sent[BadChecksum] + sent[Noise] +
                            markers;
    QCOMPARE(traces.m_cmdId, withHeader);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Command setup successful."));
    QCOMPARE(messages, QStringList());

    // Still responding: picking a reader, a button, a new reader.
    dlg.deviceList()->setCurrentRow(0);
    const QString newest = QStringLiteral("F%1").arg(sent[Discovery] - 1, 7, 10, QLatin1Char('0'));
    QCOMPARE(dlg.PaneText(0), QStringLiteral("Current device: %1(127.0.0.1)").arg(newest));
    dlg.button(IDC_TOTAL_RECORDS)->click();
    QCOMPARE(dlg.memo(IDC_TRANSMIT)->toPlainText(), QStringLiteral(" 05 2E 04 37"));
    QCOMPARE(messages.size(), 1);
    QVERIFY(send(Bytes({0x05, 0x03, 0x00, 0x00, 'L', 'a', 's', 't'})));
    QVERIFY(RunUntil([&] { return dlg.deviceList()->item(0)->text() == QStringLiteral("Last"); }));
    QCOMPARE(dlg.deviceList()->count(), std::min(sent[Discovery] + 1, int(DEVICE_LIST_MAX)));
}

void UdpFloodTest::deviceListIsBounded() {
    TraceCounter traces;
    CTessaroDlg dlg(0);
    QUdpSocket reader;
    QVERIFY(reader.bind(QHostAddress::LocalHost, 0));
    const auto name = [](int n) { return QStringLiteral("D%1").arg(n, 7, 10, QLatin1Char('0')); };
    constexpr int PAST = 2500;
    const int total = int(DEVICE_LIST_MAX) + PAST;
    for (int n = 0; n < total;) {
        for (int i = 0; i < BURST && n < total; ++i, ++n) {
            QByteArray d = Bytes({0x05, 0x03, 0x00, 0x00}) + QByteArray(96, '\0');
            d.replace(4, 8, name(n).toLatin1());
            QVERIFY(reader.writeDatagram(d, QHostAddress::LocalHost, dlg.LocalUdpPort()) ==
                    d.size());
        }
        const QByteArray marker = Marker(quint32(n));
        reader.writeDatagram(marker, QHostAddress::LocalHost, dlg.LocalUdpPort());
        QVERIFY(RunUntil([&] { return dlg.PaneText(1) == Dump(marker); }));
        if (n == int(DEVICE_LIST_MAX)) {
            QCOMPARE(traces.m_full, 0L); // exactly at the bound nothing goes yet
        }
    }

    // Rows and records stay at the bound: the newest listed, the oldest gone, said once.
    QCOMPARE(dlg.deviceList()->count(), int(DEVICE_LIST_MAX));
    QCOMPARE(dlg.devices().size(), DEVICE_LIST_MAX);
    QCOMPARE(dlg.deviceList()->item(0)->text(), name(total - 1));
    QCOMPARE(dlg.deviceList()->item(int(DEVICE_LIST_MAX) - 1)->text(), name(PAST));
    QCOMPARE(traces.m_full, 1L);

    // Rows still pick their own record.
    for (const int row : {0, int(DEVICE_LIST_MAX) - 1}) {
        dlg.deviceList()->setCurrentRow(row);
        QCOMPARE(dlg.PaneText(0), QStringLiteral("Current device: %1(127.0.0.1)")
                                      .arg(dlg.deviceList()->item(row)->text()));
    }
}

void UdpFloodTest::datagramsFarLongerThanTheBuffer_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("handled");
    QTest::newRow("4096, the buffer's size") << 4096 << true;
    QTest::newRow("4097") << 4097 << false;
    QTest::newRow("16 KiB") << 16 * 1024 << false;
    QTest::newRow("65507, the largest UDP datagram") << 65507 << false;
}

void UdpFloodTest::datagramsFarLongerThanTheBuffer() {
    QFETCH(int, size);
    QFETCH(bool, handled);
    TraceCounter traces;
    CTessaroDlg dlg(0);
    QUdpSocket reader;
    QVERIFY(reader.bind(QHostAddress::LocalHost, 0));
    // A confirmation padded with zeros (length 0: no checksum), then a marker.
    const QByteArray big = Bytes({0x05, 0x09, 0x00, 0x00}) + QByteArray(size - 4, '\0');
    QCOMPARE(reader.writeDatagram(big, QHostAddress::LocalHost, dlg.LocalUdpPort()), qint64(size));
    const QByteArray marker = Bytes({0x05, 0x02, 0x00, 0x00});
    reader.writeDatagram(marker, QHostAddress::LocalHost, dlg.LocalUdpPort());
    QVERIFY(RunUntil([&] { return dlg.PaneText(1) == Dump(marker); }));

    QCOMPARE(traces.m_cmdId, handled ? 2L : 1L);
    QCOMPARE(dlg.PaneText(0),
             handled ? QStringLiteral("Command setup successful.") : QStringLiteral("OK."));
    if (handled) {
        // The dump showed all 4096 bytes before the marker replaced it.
        reader.writeDatagram(big, QHostAddress::LocalHost, dlg.LocalUdpPort());
        QVERIFY(RunUntil([&] { return dlg.PaneText(1).size() == 3 * size; }));
        QCOMPARE(dlg.PaneText(1).left(12), QStringLiteral(" 05 09 00 00"));
    }
}

QTEST_MAIN(UdpFloodTest)
#include "udp_flood_test.moc"
