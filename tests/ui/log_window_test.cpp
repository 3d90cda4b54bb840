// The Log window against a reader on a pseudo-terminal and datagrams on loopback: the lines it
// lists, Save log… and Clear. Expected bytes are written by hand.
#include "ui/ControlCatalog.h"
#include "ui/LogWindow.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include "tests/support/ReaderPty.h"

#include <memory>

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

// A line without its time: the time is the only field a run cannot fix.
QString WithoutTime(const QString& line) {
    const qsizetype bar = line.indexOf(QStringLiteral(" | "));
    return bar < 0 ? line : line.mid(bar);
}

} // namespace

class LogWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTessaroDlg> m_dlg;
    std::unique_ptr<ReaderPty> m_pty;
    QStringList m_messages;

    void press(int id) { m_dlg->button(id)->click(); }

    CLogWindow* openLog() {
        press(IDC_LOG);
        CLogWindow* window = m_dlg->logWindow();
        if (window) {
            window->Refresh();
        }
        return window;
    }

    // The window's rows as shown, times left out; the header line as it stands.
    QStringList rows() {
        CLogWindow* window = m_dlg->logWindow();
        window->Refresh();
        QStringList lines;
        CLogModel* model = window->model();
        for (int i = 0; i < model->rowCount(); ++i) {
            const QString line = model->data(model->index(i)).toString();
            lines << (i == 0 ? line : WithoutTime(line));
        }
        return lines;
    }

private slots:
    void init() {
        m_messages.clear();
        m_dlg = std::make_unique<CTessaroDlg>(0);
        m_dlg->SetMessageHook([this](const QString& t) { m_messages << t; });
        m_pty = std::make_unique<ReaderPty>();
        QVERIFY(m_pty->isOpen());
    }

    void cleanup() {
        m_dlg.reset();
        m_pty.reset();
    }

    void buttonOpensAWindowBesideTheDialog() {
        QCOMPARE(m_dlg->button(IDC_LOG)->text(), QStringLiteral("Log…"));
        QVERIFY(!m_dlg->logWindow());
        CLogWindow* window = openLog();
        QVERIFY(window);
        QVERIFY(window->isWindow());
        QVERIFY(!window->isModal());
        QCOMPARE(window->model()->rowCount(), 0);
        // A second press brings back the same window.
        window->hide();
        QCOMPARE(openLog(), window);
        QVERIFY(window->isVisible());
    }

    void setUpRoundTripAndTimeout() {
        m_dlg->combo(IDC_PORT)->setEditText(m_pty->path());
        press(IDC_OPEN_SERIAL_PORT);
        QVERIFY(m_dlg->comm().get_PortOpen());
        // Entries are kept while the window is closed.
        press(IDC_OUTPUT_FORMAT_SET);
        QCOMPARE(m_pty->read(5), Hex("0506051000"));
        // 05 + 07 + 06 + 0D + 0A = 29.
        m_pty->write(Hex("050706290D0A"));
        QTRY_COMPARE(m_messages, QStringList({QStringLiteral("Command setup successful")}));
        // A reader whose replies count only header and payload, with no checksum: the reply
        // ends in CR LF, which is all the protocol asks of it.
        press(IDC_LIGHT_SET);
        QCOMPARE(m_pty->read(5), Hex("0510051A00"));
        m_pty->write(Hex("051104000D0A"));
        QTRY_COMPARE(m_messages.size(), 2);
        // A parameter query that is never answered, but for a first piece.
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_pty->read(4), Hex("0501040A"));
        m_pty->write(Hex("0502B600"));
        QTRY_VERIFY_WITH_TIMEOUT(m_dlg->frameLog().Size() == 8, 10000);
        press(IDC_OPEN_SERIAL_PORT);

        QVERIFY(openLog());
        const QString port = m_pty->path();
        const QStringList lines = rows();
        QCOMPARE(lines.size(), 10);
        QVERIFY2(QRegularExpression(QStringLiteral("^Tessaro \\d+\\.\\d+\\.\\d+ frame log, first "
                                                   "entry at .* UTC, times in ms since the "
                                                   "first entry$"))
                     .match(lines[0])
                     .hasMatch(),
                 qPrintable(lines[0]));
        const QString expected[] = {
            " | note | serial " + port +
                " | port opened: 9600 baud, 8 data bits, no parity, 1 stop bit",
            " | tx | serial " + port + " | Output format | - | 05 06 05 10 00",
            " | rx | serial " + port + " | Output format reply | ok | 05 07 06 29 0D 0A",
            " | tx | serial " + port + " | Light | - | 05 10 05 1A 00",
            " | rx | serial " + port + " | Light reply | ok | 05 11 04 00 0D 0A",
            " | tx | serial " + port + " | Get parameter | - | 05 01 04 0A",
            " | rx | serial " + port + " | Parameter record | part | 05 02 B6 00",
        };
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(lines[i + 1], expected[i]);
        }
        QVERIFY2(
            lines[8].startsWith(" | note | serial " + port + " | No reply from the reader within "),
            qPrintable(lines[8]));
        QCOMPARE(lines[9], " | note | serial " + port + " | port closed");
        // The first entry is at 0; the reply comes after the frame.
        QVERIFY(m_dlg->frameLog().At(0).us == 0);
        QVERIFY(m_dlg->frameLog().At(2).us >= m_dlg->frameLog().At(1).us);
    }

    void datagramsOnLoopbackSaveAndClear() {
        CLogWindow* window = openLog();
        QVERIFY(window);
        QUdpSocket reader;
        QVERIFY(reader.bind(QHostAddress::LocalHost, 0));
        const QString from = QStringLiteral("127.0.0.1:%1").arg(reader.localPort());
        struct Row {
            const char* hex;
            const char* line;
        };
        // Discovery's length 6 covers 01 02 and four zeros past the end: FF - 03 = FC.
        const Row datagrams[] = {
            {"050306FC0102", " | Discovery | ok | 05 03 06 FC 01 02"},
            {"050306FD0102", " | Discovery | bad checksum | 05 03 06 FD 01 02"},
            {"0603", " | - | short | 06 03"},
            {"06010000", " | - | bad sync | 06 01 00 00"},
        };
        for (const Row& row : datagrams) {
            reader.writeDatagram(Hex(row.hex), QHostAddress::LocalHost, m_dlg->LocalUdpPort());
        }
        QTRY_COMPARE(m_dlg->frameLog().Size(), std::size_t(std::size(datagrams)));
        const QStringList lines = rows();
        QCOMPARE(lines.size(), int(std::size(datagrams)) + 1);
        for (std::size_t i = 0; i < std::size(datagrams); ++i) {
            QCOMPARE(lines[int(i) + 1],
                     " | rx | udp " + from + QString::fromLatin1(datagrams[i].line));
        }

        // Saved: the same lines, times included, one per line; a name typed without a suffix
        // gets ".txt", and the dialog says where it went.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        window->SetFileHook([&dir] { return dir.filePath(QStringLiteral("log")); });
        window->findChildren<QPushButton*>()[0]->click();
        QCOMPARE(m_dlg->PaneText(0), QStringLiteral("Log saved: log.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList saved = QString::fromLatin1(file.readAll()).split(u'\n');
        QCOMPARE(saved.size(), lines.size() + 1);
        QCOMPARE(saved.last(), QString()); // ends with a line end
        QCOMPARE(saved[0], lines[0]);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QCOMPARE(WithoutTime(saved[i]), lines[i]);
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d{3} \\| "))
                         .match(saved[i])
                         .hasMatch(),
                     qPrintable(saved[i]));
        }

        // A cancelled save writes nothing.
        QVERIFY(QFile::remove(path));
        window->SetFileHook([] { return QString(); });
        window->findChildren<QPushButton*>()[0]->click();
        QVERIFY(!QFile::exists(path));

        window->findChildren<QPushButton*>()[1]->click();
        QCOMPARE(m_dlg->frameLog().Size(), std::size_t(0));
        QCOMPARE(window->model()->rowCount(), 0);
    }
};

QTEST_MAIN(LogWindowTest)
#include "log_window_test.moc"
