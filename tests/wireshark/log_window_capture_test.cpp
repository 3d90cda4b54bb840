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

#include "tests/support/FloodDatagrams.h"
#include "tests/support/ReaderPty.h"

#include <random>

namespace {

constexpr int FLOOD = 3000;
constexpr int BURST = 50;

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
        FloodDatagrams flood(2512);
        QByteArray hostile = "0\n0\n0\n0\n0\n"; // one line per logged frame and datagram
        std::uint64_t logged = 6;
        for (int burst = 0; burst * BURST < FLOOD; ++burst) {
            for (int i = 0; i < BURST; ++i) {
                const int kind = flood.PickKind();
                const QByteArray d = flood.Make(kind, "Reader-9");
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
