// The Log window's "Save as pcapng…" after a flood of valid and hostile datagrams, read back by
// tshark with the dissector: names and checksum statuses as the saved log has them, real
// addresses and ports, and only hostile datagrams malformed, each marked.
#include "ui/ControlCatalog.h"
#include "ui/LogWindow.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include "tests/support/ReaderPty.h"

#include <random>

namespace {

constexpr int FLOOD = 3000;
constexpr int BURST = 50;

QByteArray Bytes(std::initializer_list<int> bytes) {
    QByteArray b;
    for (const int v : bytes) {
        b.append(static_cast<char>(v));
    }
    return b;
}

enum Kind {
    Discovery,
    Confirm,
    Version,
    Params,
    Selection,
    Ignored,     // ids nobody answers with
    Short,       // 1 to 3 bytes
    BadSync,     // first byte not 05
    BadChecksum, // checksum byte wrong, or a length past the datagram's end
    Noise,       // 05, an even id, length 0, then random bytes
    Empty,       // not logged
    Oversized,   // discarded unread, not logged
    KIND_COUNT
};
constexpr int WEIGHTS[KIND_COUNT] = {10, 12, 2, 1, 5, 5, 10, 15, 15, 20, 3, 2};
constexpr bool HOSTILE[KIND_COUNT] = {false, false, false, false, false, true,
                                      true,  true,  true,  true,  true,  true};

} // namespace

class LogWindowCaptureTest : public QObject {
    Q_OBJECT
private slots:
    void floodSavedAsPcapngReadsBackInTshark() {
        CTessaroDlg dlg(0);
        dlg.SetMessageHook([](const QString&) {});
        dlg.button(IDC_LOG)->click();
        CLogWindow* window = dlg.logWindow();
        QVERIFY(window);

        // A setting and its reply on a port of its own interface.
        ReaderPty pty;
        QVERIFY(pty.isOpen());
        dlg.combo(IDC_PORT)->setEditText(pty.path());
        dlg.button(IDC_OPEN_SERIAL_PORT)->click();
        QVERIFY(dlg.comm().get_PortOpen());
        QCOMPARE(dlg.frameLog().Added(), std::uint64_t(1)); // the port opened, a note: no packet
        dlg.button(IDC_OUTPUT_FORMAT_SET)->click();
        QCOMPARE(pty.read(5), QByteArray::fromHex("0506051000"));
        pty.write(QByteArray::fromHex("050706290D0A"));
        QTRY_COMPARE(dlg.frameLog().Added(), std::uint64_t(3));
        // A parameter reply read in two pieces: 19200 baud, horn open.
        dlg.button(IDC_GET_PARAMETER)->click();
        QCOMPARE(pty.read(4), QByteArray::fromHex("0501040A"));
        QByteArray reply = QByteArray::fromHex("0502B600") + QByteArray(176, '\0') + "\r\n";
        reply.replace(4 + 4, 4, QByteArray::fromHex("004B0000"));
        reply[4 + 14] = 1;
        pty.write(reply.left(100));
        QTRY_COMPARE(dlg.frameLog().Added(), std::uint64_t(5));
        pty.write(reply.mid(100));
        QTRY_COMPARE(dlg.frameLog().Added(), std::uint64_t(6));

        QUdpSocket reader;
        QVERIFY(reader.bind(QHostAddress::LocalHost, 0));
        std::mt19937 rng(2512);
        std::discrete_distribution<int> pick(std::begin(WEIGHTS), std::end(WEIGHTS));
        const auto random = [&](int n) {
            QByteArray b(n, '\0');
            for (char& c : b) {
                c = static_cast<char>(rng() & 0xFF);
            }
            return b;
        };
        QByteArray hostile = "0\n0\n0\n0\n0\n"; // one line per logged frame and datagram
        std::uint64_t logged = 6;
        for (int burst = 0; burst * BURST < FLOOD; ++burst) {
            for (int i = 0; i < BURST; ++i) {
                const int kind = pick(rng);
                QByteArray d;
                switch (kind) {
                case Discovery:
                    d = Bytes({0x05, 0x03, 0x00, 0x00}) + QByteArray("Reader-9") +
                        QByteArray(88, '\0');
                    break;
                case Confirm:
                    d = Bytes({0x05, 0x09, 0x01, 0xFE, 0x01});
                    break;
                case Version:
                    d = Bytes({0x05, 0x01, 0x00, 0x00}) + QByteArray(16, '\0') +
                        (rng() % 2 ? QByteArray("ver_client1_1.1") : random(48));
                    break;
                case Params:
                    d = Bytes({0x05, 0x1F, 0x00, 0x00}) + random(568);
                    break;
                case Selection: {
                    const int value = int(rng() % 4);
                    d = Bytes({0x05, 19 + 2 * int(rng() % 3), 0x01, 0xFF - value, value});
                    break;
                }
                case Ignored:
                    d = Bytes({0x05, std::array{0, 2, 35, 46, 255}[rng() % 5], 0x00, 0x00}) +
                        random(int(rng() % 64));
                    break;
                case Short:
                    d = random(1 + int(rng() % 3));
                    break;
                case BadSync:
                    d = random(4 + int(rng() % 600));
                    d[0] = static_cast<char>(0x06 + rng() % 250);
                    break;
                case BadChecksum:
                    d = rng() % 2 ? Bytes({0x05, 0x09, 0x01, 0x00, 0x01})
                                  : Bytes({0x05, 0x0B, 0xFF, 0x00, 0x00, 0x00});
                    break;
                case Noise:
                    d = Bytes({0x05, 2 * int(rng() % 128), 0x00, 0x00}) + random(int(rng() % 4093));
                    break;
                case Empty:
                    break;
                case Oversized:
                    d = Bytes({0x05, 0x03, 0x00, 0x00}) + random(4093 + int(rng() % 4000));
                    break;
                }
                QCOMPARE(reader.writeDatagram(d, QHostAddress::LocalHost, dlg.LocalUdpPort()),
                         qint64(d.size()));
                if (kind != Empty && kind != Oversized) {
                    hostile += HOSTILE[kind] ? "1\n" : "0\n";
                    ++logged;
                }
            }
            QTRY_COMPARE_WITH_TIMEOUT(dlg.frameLog().Added(), logged, 10000);
        }

        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log.txt"));
        const QString capture = dir.filePath(QStringLiteral("flood.pcapng"));
        const QString marks = dir.filePath(QStringLiteral("hostile.txt"));
        QString path;
        window->SetFileHook([&path] { return path; });
        const QList<QPushButton*> buttons = window->findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 3);
        QCOMPARE(buttons[2]->text(), QStringLiteral("Save as pcapng…"));
        path = log;
        buttons[0]->click();
        path = capture;
        buttons[2]->click();
        QFile file(marks);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(hostile);
        file.close();

        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(QStringLiteral("python3"),
                    {QStringLiteral(CHECKER), QStringLiteral("--lua"), QStringLiteral(LUA),
                     QStringLiteral("--pcap"), capture, QStringLiteral("--log"), log,
                     QStringLiteral("--hostile"), marks, QStringLiteral("--field"),
                     QStringLiteral("tessaro.baud_rate=19200"), QStringLiteral("--field"),
                     QStringLiteral("tessaro.horn=Open"), QStringLiteral("--comment"),
                     "Tessaro .*; " + pty.path() + " at 9600,n,8,1", QStringLiteral("--udp-ends"),
                     QStringLiteral("127.0.0.1:%1,127.0.0.1:%2")
                         .arg(reader.localPort())
                         .arg(dlg.LocalUdpPort())});
        QVERIFY(check.waitForFinished(300000));
        const QByteArray output = check.readAll();
        qInfo().noquote() << output;
        QCOMPARE(check.exitCode(), 0);
    }
};

QTEST_MAIN(LogWindowCaptureTest)
#include "log_window_capture_test.moc"
