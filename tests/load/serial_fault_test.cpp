// The serial channel under faults and oversized input, Linux only (openpty): the reader is
// played on the master side of a pseudo-terminal that the dialog reaches through a symbolic
// link, so that a device can vanish and come back under the same name.
#include "serial/Mscomm1.h"
#include "ui/ControlCatalog.h"
#include "ui/TessaroDlg.h"

#include "tests/support/DialogStateProbe.h"
#include "tests/support/HandParamReply.h"
#include "tests/support/ReaderPty.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

// Runs the event loop until done() holds; false after timeoutMs.
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        pollfd none{-1, 0, 0};
        ::poll(&none, 0, 1);
    }
    return true;
}

// The serial frames in a stream of bytes, each checked whole: sync 05, a length byte equal to
// the frame's size, and the 8-bit sum of every byte but the checksum in the checksum byte.
struct Frame {
    int cmdId;
    QByteArray payload;
};

bool SplitFrames(const QByteArray& bytes, QList<Frame>& frames) {
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4 || quint8(bytes[at]) != 0x05) {
            return false;
        }
        const int length = quint8(bytes[at + 2]);
        if (length < 4 || at + length > bytes.size()) {
            return false;
        }
        unsigned sum = 0;
        for (int i = 0; i < length; ++i) {
            if (i != 3) {
                sum += quint8(bytes[at + i]);
            }
        }
        if ((sum & 0xFF) != quint8(bytes[at + 3])) {
            return false;
        }
        frames.append({quint8(bytes[at + 1]), bytes.mid(at + 4, length - 4)});
        at += length;
    }
    return true;
}

constexpr int LONG_TEXT = 10'000;

} // namespace

class SerialFaultTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_link; // the name the dialog knows the device by
    std::unique_ptr<CTessaroDlg> m_dlg;
    std::unique_ptr<ReaderPty> m_pty;
    QStringList m_messages;

    // A device appears under the link's name.
    void plugIn() {
        m_pty = std::make_unique<ReaderPty>();
        QVERIFY(m_pty->isOpen());
        QFile::remove(m_link);
        QVERIFY(QFile::link(m_pty->path(), m_link));
    }
    void press(int id) { m_dlg->button(id)->click(); }
    void openPort() {
        m_dlg->combo(IDC_PORT)->setEditText(m_link);
        press(IDC_OPEN_SERIAL_PORT);
        QVERIFY2(m_dlg->comm().get_PortOpen(), qPrintable(m_messages.join('|')));
    }

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        m_link = m_dir.filePath(QStringLiteral("reader"));
        m_messages.clear();
        m_dlg = std::make_unique<CTessaroDlg>(0);
        m_dlg->SetMessageHook([this](const QString& t) { m_messages << t; });
        plugIn();
    }
    void cleanup() {
        m_dlg.reset();
        m_pty.reset();
    }

    void deviceVanishesMidReplyAndComesBack();
    void repliesFarLongerThanTheBuffer_data();
    void repliesFarLongerThanTheBuffer();
    void everyTextBoxFullBeforeEachSetUp_data();
    void everyTextBoxFullBeforeEachSetUp();
    void longRecordGoesOutWhole();
};

void SerialFaultTest::deviceVanishesMidReplyAndComesBack() {
    openPort();
    press(IDC_GET_PARAMETER);
    QCOMPARE(m_pty->drain(), Hex("0501040A"));
    const QByteArray reply = HandParamReply();
    m_pty->write(reply.left(100));
    QVERIFY(RunUntil([&] { return m_dlg->replyState().recvCount == 100; }));

    m_pty->closeMaster();
    QVERIFY(RunUntil([&] { return !m_dlg->comm().get_PortOpen(); }));
    QCOMPARE(m_dlg->comm().get_CommEvent(), CMscomm1::COMEV_DEVICE_LOST);
    // The half reply stays as it was: shown, not acted on, nothing past it.
    QCOMPARE(m_dlg->replyState().recvCount, 100);
    QCOMPARE(m_dlg->memo(IDC_RECEIVE)->toPlainText().size(), 3 * 100);
    QCOMPARE(m_messages, QStringList());

    // While it is gone the first pane says so, and a command (with the setting buttons on, as a
    // network record turns them on) says so too; the dialog goes on.
    QVERIFY(m_dlg->PaneText(0).endsWith(QStringLiteral(" was disconnected")));
    QVERIFY(!m_dlg->button(IDC_OUTPUT_FORMAT_SET)->isEnabled());
    m_dlg->SetSettingButtons(true);
    press(IDC_OUTPUT_FORMAT_SET);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("not open")), qPrintable(m_messages[0]));

    // Back under the same name: the next press of the open button opens it.
    plugIn();
    openPort();
    QCOMPARE(m_dlg->replyState().recvCount, 0);
    // The query that never got its reply is still pending: the first press withdraws it.
    press(IDC_GET_PARAMETER);
    QCOMPARE(m_pty->drain(), QByteArray());
    press(IDC_GET_PARAMETER);
    QCOMPARE(m_pty->drain(), Hex("0501040A"));
    m_pty->write(reply);
    QVERIFY(RunUntil([&] { return m_dlg->replyState().recvCount == reply.size(); }));
    QCOMPARE(m_messages.mid(1), QStringList({QStringLiteral("Get params successful")}));
    QCOMPARE(m_dlg->combo(IDC_OUTPUT_FORMAT)->currentIndex(), 3);
    QCOMPARE(m_dlg->combo(IDC_START_BIT)->currentIndex(), 7);
    QCOMPARE(m_dlg->edit(IDC_LOW_PULSE)->text(), QStringLiteral("500"));

    // Gone again in the middle of a long record upload: the frames stop, nothing else.
    m_dlg->memo(IDC_RECORD)->setPlainText(QString(20'000, QLatin1Char('r')));
    press(IDC_KEEP_RECORD);
    m_pty->closeMaster();
    QVERIFY(RunUntil([&] { return !m_dlg->comm().get_PortOpen(); }));
    QCOMPARE(m_messages.size(), 2);
    m_dlg->SetSettingButtons(true);
    press(IDC_TOTAL_RECORDS);
    QCOMPARE(m_messages.size(), 3);
    QCOMPARE(m_dlg->memo(IDC_TRANSMIT)->toPlainText(), QStringLiteral(" 05 2E 04 37"));
}

void SerialFaultTest::repliesFarLongerThanTheBuffer_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("shownBytes"); // -1: the Receive box is left alone

    const QByteArray filler(64 * 1024, char(0x11));
    QTest::newRow("setting reply, no end")
        << int(IDC_OUTPUT_FORMAT_SET) << filler << QStringList() << 1024;
    // The CR LF that ends a setting reply is beyond the buffer's end: it never arrives.
    QTest::newRow("setting reply, end past the buffer")
        << int(IDC_OUTPUT_FORMAT_SET) << filler + Hex("0D0A") << QStringList() << 1024;
    QTest::newRow("parameter reply, then garbage")
        << int(IDC_GET_PARAMETER) << HandParamReply() + filler
        << QStringList{QStringLiteral("Get params successful")} << 1024;
    QTest::newRow("record read") << int(IDC_READ_RECORD) << filler << QStringList() << -1;
}

void SerialFaultTest::repliesFarLongerThanTheBuffer() {
    QFETCH(int, button);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, messages);
    QFETCH(int, shownBytes);

    openPort();
    m_dlg->memo(IDC_RECEIVE)->setPlainText(QStringLiteral("before"));
    press(button);
    QVERIFY(!m_pty->drain().isEmpty());
    // In one write and in many small ones.
    for (const int piece : {int(reply.size()), 700}) {
        press(IDC_OPEN_SERIAL_PORT);
        press(IDC_OPEN_SERIAL_PORT);
        QVERIFY(m_dlg->comm().get_PortOpen());
        m_dlg->memo(IDC_RECEIVE)->setPlainText(QStringLiteral("before"));
        m_messages.clear();
        if (button == IDC_GET_PARAMETER) {
            DialogStateProbe::Reply(*m_dlg).paramQueryPending = 0;
        }
        press(button);
        m_pty->drain();
        for (qsizetype at = 0; at < reply.size(); at += piece) {
            m_pty->write(reply.mid(at, piece));
        }
        QVERIFY(RunUntil([&] { return m_dlg->replyState().recvCount == 1024; }));
        // Whatever else is still on its way is dropped too.
        m_pty->drain();
        QCOMPARE(m_dlg->replyState().recvCount, 1024);
        QCOMPARE(m_messages, messages);
        const QString shown = m_dlg->memo(IDC_RECEIVE)->toPlainText();
        QCOMPARE(shown.size(), shownBytes < 0 ? 6 : 3 * shownBytes);
    }

    // Still in service: a new command starts a fresh reply.
    m_messages.clear();
    press(IDC_TOTAL_RECORDS);
    QCOMPARE(m_pty->drain(), Hex("052E0437"));
    m_pty->write(Hex("0D0A"));
    QVERIFY(RunUntil([&] { return m_dlg->replyState().recvCount == 2; }));
    QCOMPARE(m_messages, QStringList({QStringLiteral("Command setup successful")}));
}

void SerialFaultTest::everyTextBoxFullBeforeEachSetUp_data() {
    QTest::addColumn<int>("affixFormat"); // 0 hex pairs, 1 text as typed
    QTest::addColumn<int>("barcodeFrame");
    QTest::addColumn<int>("cardFrame");
    // Text: 31 bytes of each affix, each with its count byte. Hex: 31 characters, 15 bytes.
    QTest::newRow("as typed") << 1 << 4 + 1 + 31 << 4 + 3 + 31 + 31;
    QTest::newRow("hex pairs") << 0 << 4 + 1 + 15 << 4 + 3 + 15 + 15;
}

void SerialFaultTest::everyTextBoxFullBeforeEachSetUp() {
    QFETCH(int, affixFormat);
    QFETCH(int, barcodeFrame);
    QFETCH(int, cardFrame);

    struct Press {
        int button;
        int cmdId;
        int frames;    // frames that go out
        int frameSize; // size of each, 0 when not checked
    };
    // 10,000 characters of record text: 62 full frames and a 63rd.
    const Press presses[] = {
        {IDC_OUTPUT_FORMAT_SET, 0x06, 1, 5},
        {IDC_CARD_INPUT_FORMAT_SET, 0x08, 1, 5},
        {IDC_ENTER_LINE_FEED_SET, 0x0A, 1, 6},
        {IDC_BARCODE_PREFIX_SET, 0x0C, 1, barcodeFrame},
        {IDC_BARCODE_SUFFIX_SET, 0x0E, 1, barcodeFrame},
        {IDC_LIGHT_SET, 0x10, 1, 5},
        {IDC_WORKING_MODE_SET, 0x12, 1, 5},
        {IDC_SWITCH_SET, 0x14, 1, 5},
        {IDC_HORN_SET, 0x16, 1, 5},
        {IDC_CLOUD_SET, 0x18, 1, 4 + 200},
        {IDC_WIEGAND_SET, 0x1C, 1, 4 + 9},
        {IDC_SERIAL_PARAMS_SET, 0x26, 1, 4 + 8},
        {IDC_RESET_INTERVAL_SET, 0x28, 1, 5},
        {IDC_QR_CODE_SET, 0x2A, 1, 6},
        {IDC_CARD_AFFIX_SET, 0x2C, 1, cardFrame},
        {IDC_GET_PARAMETER, 0x01, 1, 4},
        {IDC_TOTAL_RECORDS, 0x2E, 1, 4},
        {IDC_READ_RECORD, 0x30, 1, 4},
        {IDC_KEEP_RECORD, 0x32, 63, 4 + 160},
    };

    openPort();
    m_dlg->combo(IDC_BARCODE_AFFIX_FORMAT)->setCurrentIndex(affixFormat);
    m_dlg->combo(IDC_CARD_AFFIX_FORMAT)->setCurrentIndex(affixFormat);
    const QString hexText = QStringLiteral("0A").repeated(LONG_TEXT / 2);
    const QString wideText = QString(LONG_TEXT, QChar(0x8BBE)); // three bytes in UTF-8
    const QString digits(LONG_TEXT, QLatin1Char('9'));

    for (const Press& p : presses) {
        for (const ControlSpec& spec : ControlCatalog()) {
            if (spec.kind == ControlKind::Edit || spec.kind == ControlKind::IpAddress) {
                const bool affix = spec.id == IDC_BARCODE_PREFIX || spec.id == IDC_BARCODE_SUFFIX ||
                                   spec.id == IDC_CARD_PREFIX || spec.id == IDC_CARD_SUFFIX;
                m_dlg->edit(spec.id)->setText(affix && affixFormat == 0 ? hexText
                                              : affix                   ? digits
                                                                        : wideText);
            } else if (spec.kind == ControlKind::EditInt) {
                m_dlg->edit(spec.id)->setText(digits);
            } else if (spec.kind == ControlKind::EditMulti) {
                m_dlg->memo(spec.id)->setPlainText(QString(LONG_TEXT, QLatin1Char('R')));
            }
        }
        m_messages.clear();
        press(p.button);
        const QByteArray out = m_pty->drain();
        QList<Frame> frames;
        QVERIFY2(SplitFrames(out, frames), qPrintable(QString::number(p.button)));
        QCOMPARE(frames.size(), p.frames);
        for (const Frame& f : frames) {
            QCOMPARE(f.cmdId, p.cmdId);
            QCOMPARE(int(f.payload.size()) + 4, p.frameSize);
        }
        // No number fits a 10,000-digit box: the exchange says so once, the command still goes.
        QCOMPARE(m_messages, QStringList({QStringLiteral("Please enter an integer.")}));
    }

    // The cloud block: each of its six texts cut to ten whole characters (30 bytes), zero ended.
    press(IDC_CLOUD_SET);
    QList<Frame> frames;
    QVERIFY(SplitFrames(m_pty->drain(), frames));
    QCOMPARE(frames.size(), 1);
    const QByteArray field = QStringLiteral("\u8BBE").repeated(10).toUtf8();
    for (const int offset : {8, 40, 72, 104, 136, 168}) {
        QCOMPARE(frames[0].payload.mid(offset, 30), field);
        QCOMPARE(frames[0].payload.mid(offset + 30, 2), QByteArray(2, '\0'));
    }

    // The transmit test is not a frame: its fixed 120 bytes.
    press(IDC_TRANSMIT_TEST);
    const QByteArray pattern = m_pty->drain();
    QCOMPARE(pattern.size(), 120);
    QCOMPARE(pattern.left(4), Hex("01020304"));
    QCOMPARE(pattern.right(2), Hex("0D0A"));
}

void SerialFaultTest::longRecordGoesOutWhole() {
    // 64 KiB in 410 frames: far more than the device's buffer takes at once.
    openPort();
    QString text;
    for (int i = 0; text.size() < 64 * 1024; ++i) {
        text += QChar(u'a' + i % 26);
    }
    m_dlg->memo(IDC_RECORD)->setPlainText(text);
    press(IDC_KEEP_RECORD);
    QByteArray out;
    QVERIFY(RunUntil([&] {
        out += m_pty->drain();
        return out.size() >= 410 * 164;
    }));
    QList<Frame> frames;
    QVERIFY(SplitFrames(out, frames));
    QCOMPARE(frames.size(), 410);
    QByteArray carried;
    for (const Frame& f : frames) {
        QCOMPARE(f.cmdId, 0x32);
        carried += f.payload;
    }
    QCOMPARE(carried.left(64 * 1024), text.toLatin1());
    QCOMPARE(m_messages, QStringList());
    QVERIFY(m_dlg->comm().get_PortOpen());
    // 65,536 = 409 * 160 + 96: the last frame holds 96 bytes of text and 64 zeros, and it is
    // the one the Transmit box shows.
    QCOMPARE(frames.last().payload.mid(96), QByteArray(64, '\0'));
    const QByteArray last = out.right(164);
    QCOMPARE(m_dlg->memo(IDC_TRANSMIT)->toPlainText(),
             QLatin1String(" ") + QString::fromLatin1(last.toHex(' ').toUpper()));
}

QTEST_MAIN(SerialFaultTest)
#include "serial_fault_test.moc"
