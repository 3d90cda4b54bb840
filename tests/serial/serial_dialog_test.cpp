// The dialog's serial channel end to end, Linux only (openpty): the test plays the reader on
// the master side of a pseudo-terminal pair and types the slave's path into the Port list.
#include "core/DebugTrace.h"
#include "serial/Mscomm1.h"
#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"
#include "ui/TessaroDlg.h"

#include "tests/support/AccessibleName.h"
#include "tests/support/DialogStateProbe.h"
#include "tests/support/HandParamReply.h"
#include "tests/support/ReaderPty.h"
#include "tests/support/TraceCapture.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
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

// How the Transmit and Receive boxes show bytes: " %02X" each.
QString Shown(const QByteArray& bytes) {
    return bytes.isEmpty() ? QString() : QLatin1String(" ") + bytes.toHex(' ').toUpper();
}

const QString OPEN_CAPTION = QStringLiteral("Open Serial Port");
const QString CLOSE_CAPTION = QStringLiteral("Close Serial Port");
const char* const SETUP_OK = "Command setup successful";
const char* const PARAMS_OK = "Get params successful";

} // namespace

class SerialDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTessaroDlg> m_dlg;
    std::unique_ptr<ReaderPty> m_pty;
    QStringList m_messages;
    QStringList m_traces;
    std::unique_ptr<TraceCapture> m_capture;
    std::function<void(const QString&)> m_onMessage;

    QComboBox* combo(int id) { return m_dlg->combo(id); }
    QLineEdit* edit(int id) { return m_dlg->edit(id); }
    QString text(int id) { return m_dlg->memo(id)->toPlainText(); }
    void press(int id) { m_dlg->button(id)->click(); }

    void openPort(ReaderPty& pty) {
        combo(IDC_PORT)->setEditText(pty.path());
        press(IDC_OPEN_SERIAL_PORT);
    }
    // Writes bytes as the reader and waits until the dialog holds count bytes.
    void reply(const QByteArray& bytes, int count) {
        m_pty->write(bytes);
        QTRY_COMPARE(m_dlg->replyState().recvCount, count);
    }

private slots:
    void init() {
        m_messages.clear();
        m_traces.clear();
        m_onMessage = nullptr;
        m_dlg = std::make_unique<CTessaroDlg>(0);
        m_dlg->SetMessageHook([this](const QString& t) {
            m_messages << t;
            if (m_onMessage) {
                m_onMessage(t);
            }
        });
        m_capture = std::make_unique<TraceCapture>([this](std::string_view t) {
            m_traces << QString::fromLocal8Bit(t.data(), qsizetype(t.size()));
        });
        m_pty = std::make_unique<ReaderPty>();
        QVERIFY(m_pty->isOpen());
    }

    void cleanup() {
        m_capture.reset();
        m_dlg.reset();
        m_pty.reset();
    }

    void openAndCloseToggleCaptionAndButtons() {
        QPushButton* open = m_dlg->button(IDC_OPEN_SERIAL_PORT);
        QCOMPARE(open->text(), OPEN_CAPTION);
        QVERIFY(!m_dlg->control(IDC_OUTPUT_FORMAT_SET)->isEnabled());

        // A half-received reply is dropped by every press.
        DialogStateProbe::Reply(*m_dlg).recvCount = 9;
        DialogStateProbe::Reply(*m_dlg).recvBuf[3] = 0x77;
        openPort(*m_pty);
        QCOMPARE(m_messages, QStringList());
        QVERIFY(m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->comm().PortName(), m_pty->path());
        QCOMPARE(m_dlg->comm().get_Settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(m_dlg->comm().get_InputMode(), 1L);
        QCOMPARE(m_dlg->comm().get_RThreshold(), short(1));
        QVERIFY(m_dlg->comm().get_RTSEnable());
        QCOMPARE(open->text(), CLOSE_CAPTION);
        QCOMPARE(AccessibleName(open), CLOSE_CAPTION);
        QCOMPARE(m_dlg->replyState().recvCount, 0);
        QCOMPARE(m_dlg->replyState().recvBuf[3], 0);
        for (const int id : {IDC_OUTPUT_FORMAT_SET, IDC_GET_PARAMETER, IDC_TRANSMIT_TEST,
                             IDC_CLOUD_SET, IDC_SWITCH_SET, IDC_GET_CURRENT_PARAM}) {
            QVERIFY2(m_dlg->control(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(!m_dlg->control(IDC_NET_SETUP)->isEnabled());

        DialogStateProbe::Reply(*m_dlg).recvCount = 4;
        press(IDC_OPEN_SERIAL_PORT);
        QVERIFY(!m_dlg->comm().get_PortOpen());
        QCOMPARE(open->text(), OPEN_CAPTION);
        QCOMPARE(AccessibleName(open), OPEN_CAPTION);
        QCOMPARE(m_dlg->replyState().recvCount, 0);
        QVERIFY(!m_dlg->control(IDC_OUTPUT_FORMAT_SET)->isEnabled());
        QVERIFY(!m_dlg->control(IDC_NET_SETUP)->isEnabled());
        QVERIFY(m_dlg->control(IDC_GET_CURRENT_PARAM)->isEnabled());

        // A typed speed is used as it stands; the port opens again.
        combo(IDC_PORT_BAUD)->setEditText(QStringLiteral("57600"));
        press(IDC_OPEN_SERIAL_PORT);
        QVERIFY(m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->comm().get_Settings(), QStringLiteral("57600,n,8,1"));
        QCOMPARE(m_messages, QStringList());
    }

    void portItemsNamePortNumbers() {
        // "com 15" is port 15, whatever comes of opening it on this machine.
        combo(IDC_PORT)->setCurrentIndex(14);
        press(IDC_OPEN_SERIAL_PORT);
        QCOMPARE(m_dlg->comm().get_CommPort(), short(15));
        QCOMPARE(m_dlg->comm().PortName(), QStringLiteral("/dev/ttyS14"));
        if (m_dlg->comm().get_PortOpen()) {
            press(IDC_OPEN_SERIAL_PORT);
        }
        // Typed text equal to an item is that item.
        combo(IDC_PORT)->setEditText(QStringLiteral("com 2"));
        press(IDC_OPEN_SERIAL_PORT);
        QCOMPARE(m_dlg->comm().get_CommPort(), short(2));
        QCOMPARE(m_dlg->comm().PortName(), QStringLiteral("/dev/ttyS1"));
    }

    void openFailuresAreReported() {
        combo(IDC_PORT)->setEditText(QStringLiteral("/dev/tessaro-no-such-port"));
        press(IDC_OPEN_SERIAL_PORT);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(QStringLiteral("/dev/tessaro-no-such-port")),
                 qPrintable(m_messages[0]));
        QCOMPARE(m_dlg->button(IDC_OPEN_SERIAL_PORT)->text(), OPEN_CAPTION);
        QVERIFY(!m_dlg->control(IDC_OUTPUT_FORMAT_SET)->isEnabled());

        combo(IDC_PORT)->setEditText(m_pty->path());
        combo(IDC_PORT_BAUD)->setEditText(QStringLiteral("fast"));
        press(IDC_OPEN_SERIAL_PORT);
        QCOMPARE(m_messages.size(), 2);
        QVERIFY2(m_messages[1].contains(QStringLiteral("fast,n,8,1")), qPrintable(m_messages[1]));
        QVERIFY(!m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->button(IDC_OPEN_SERIAL_PORT)->text(), OPEN_CAPTION);
    }

    void everyCommandSendsItsFrame() {
        openPort(*m_pty);
        QVERIFY(m_dlg->comm().get_PortOpen());

        QByteArray cloud(204, '\0');
        cloud.replace(0, 12,
                      Hex("0518CCB2"
                          "01000000"
                          "0200000A"));
        cloud[12] = 'P';                                          // product name at 8
        cloud[4 + 168] = char(0xC3), cloud[4 + 169] = char(0xA9); // subscribe topic "é" at 168

        constexpr int UNTOUCHED = 99; // the hidden buttons leave the reply mode alone
        struct Row {
            const char* name;
            int button;
            std::vector<std::pair<int, int>> select;   // list id, position
            std::vector<std::pair<int, QString>> type; // box id, text
            QByteArray frames;
            int replyMode;
        };
        const QString a160(160, QLatin1Char('A'));
        const QByteArray A160(160, 'A');
        // clang-format off
        const Row rows[] = {
            {"output format", IDC_OUTPUT_FORMAT_SET, {{IDC_OUTPUT_FORMAT, 2}}, {}, Hex("0506051202"), 0},
            {"no selection", IDC_OUTPUT_FORMAT_SET, {{IDC_OUTPUT_FORMAT, -1}}, {}, Hex("0506050FFF"), 0},
            {"card input format", IDC_CARD_INPUT_FORMAT_SET, {{IDC_CARD_INPUT_FORMAT, 4}}, {}, Hex("0508051604"), 0},
            {"enter, line feed", IDC_ENTER_LINE_FEED_SET, {{IDC_ENTER_KEY, 0}, {IDC_LINE_FEED, 1}}, {}, Hex("050A06160001"), 0},
            {"barcode prefix hex", IDC_BARCODE_PREFIX_SET, {{IDC_BARCODE_AFFIX_FORMAT, 0}},
             {{IDC_BARCODE_PREFIX, "0D0A"}}, Hex("050C0731020D0A"), 0},
            {"barcode suffix text", IDC_BARCODE_SUFFIX_SET, {{IDC_BARCODE_AFFIX_FORMAT, 1}},
             {{IDC_BARCODE_SUFFIX, "X!"}}, Hex("050E0795025821"), 0},
            {"barcode suffix empty", IDC_BARCODE_SUFFIX_SET, {}, {{IDC_BARCODE_SUFFIX, ""}}, Hex("050E051800"), 0},
            {"light", IDC_LIGHT_SET, {{IDC_LIGHT, 2}}, {}, Hex("0510051C02"), 0},
            {"working mode", IDC_WORKING_MODE_SET, {{IDC_WORKING_MODE, 1}}, {}, Hex("0512051D01"), 0},
            {"hidden switch", IDC_SWITCH_SET, {{IDC_HIDDEN_SWITCH, 1}}, {}, Hex("0514051F01"), UNTOUCHED},
            {"horn", IDC_HORN_SET, {{IDC_HORN, 1}}, {}, Hex("0516052101"), 0},
            {"hidden cloud block", IDC_CLOUD_SET, {{IDC_CLOUD_PROVIDER, 1}},
             {{IDC_CLOUD_SERVER_ADDRESS, "10.0.0.2"}, {IDC_PRODUCT_NAME, "P"}, {IDC_SUBSCRIBE_TOPIC, "\u00e9"}},
             cloud, UNTOUCHED},
            {"wiegand, start-up values", IDC_WIEGAND_SET, {}, {}, Hex("051C0D96D00700009001000000"), 0},
            {"serial parameters, start-up values", IDC_SERIAL_PARAMS_SET, {}, {}, Hex("05260CE78025000008010200"), 0},
            {"reset interval, start-up value", IDC_RESET_INTERVAL_SET, {}, {}, Hex("0528053301"), 0},
            {"qr code", IDC_QR_CODE_SET, {{IDC_CARD_NUMBER_FORMAT, 2}, {IDC_START_BIT, 50}}, {}, Hex("052A06690232"), 0},
            {"card affix text", IDC_CARD_AFFIX_SET, {{IDC_CARD_AFFIX_FORMAT, 1}, {IDC_SERIAL_OUTPUT_FORMAT, 1}},
             {{IDC_CARD_PREFIX, "AB"}, {IDC_CARD_SUFFIX, ""}}, Hex("052C09C00102414200"), 0},
            {"card affix hex", IDC_CARD_AFFIX_SET, {{IDC_CARD_AFFIX_FORMAT, 0}, {IDC_SERIAL_OUTPUT_FORMAT, 0}},
             {{IDC_CARD_PREFIX, "0A1B"}, {IDC_CARD_SUFFIX, "ff"}}, Hex("052C0A6200020A1B01FF"), 0},
            {"total records", IDC_TOTAL_RECORDS, {}, {}, Hex("052E0437"), 0},
            {"read record", IDC_READ_RECORD, {}, {{IDC_RECORD, "old"}}, Hex("05300439"), 1},
            {"keep 160 bytes", IDC_KEEP_RECORD, {}, {{IDC_RECORD, a160}}, Hex("0532A47B") + A160, 2},
            {"keep 161 bytes", IDC_KEEP_RECORD, {}, {{IDC_RECORD, a160 + 'A'}},
             Hex("0532A47B") + A160 + Hex("0532A41C41") + QByteArray(159, '\0'), 2},
            {"keep no text", IDC_KEEP_RECORD, {}, {{IDC_RECORD, ""}}, QByteArray(), 2},
            {"keep two lines", IDC_KEEP_RECORD, {}, {{IDC_RECORD, "a\nb"}},
             Hex("0532A4B5610D0A62") + QByteArray(156, '\0'), 2},
            {"transmit test", IDC_TRANSMIT_TEST, {}, {}, Hex("01020304") + QByteArray(114, '\0') + Hex("0D0A"), 0},
            {"get parameter", IDC_GET_PARAMETER, {}, {}, Hex("0501040A"), 3},
        };
        // clang-format on

        for (const Row& row : rows) {
            m_traces.clear();
            DialogStateProbe::Reply(*m_dlg).replyMode = UNTOUCHED;
            DialogStateProbe::Reply(*m_dlg).recvCount = 3;
            m_dlg->memo(IDC_TRANSMIT)->setPlainText(QStringLiteral("typed"));
            for (const auto& [id, index] : row.select) {
                combo(id)->setCurrentIndex(index);
            }
            for (const auto& [id, typed] : row.type) {
                if (QPlainTextEdit* box = m_dlg->memo(id)) {
                    box->setPlainText(typed);
                } else {
                    edit(id)->setText(typed);
                }
            }
            press(row.button);
            // Anything beyond the expected bytes shows up at the front of the next row.
            QCOMPARE(m_pty->read(row.frames.size()).toHex(' '), row.frames.toHex(' '));
            QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('|')));
            QCOMPARE(m_dlg->replyState().replyMode, row.replyMode);
            QCOMPARE(m_dlg->replyState().recvCount, row.replyMode == UNTOUCHED ? 3 : 0);

            // The Transmit box echoes the last frame sent; the transmit test and an empty
            // record leave it alone.
            QString echo = QStringLiteral("typed");
            if (row.button != IDC_TRANSMIT_TEST && !row.frames.isEmpty()) {
                const int last = row.button == IDC_KEEP_RECORD ? int(row.frames.size()) - 164 : 0;
                echo = Shown(row.frames.mid(last));
            }
            QVERIFY2(text(IDC_TRANSMIT) == echo, row.name);
        }
        QCOMPARE(m_dlg->replyState().paramQueryPending, 1);
        QCOMPARE(text(IDC_RECORD), QStringLiteral("a\nb"));
        // The read record press had blanked the Record box.
        press(IDC_READ_RECORD);
        QCOMPARE(text(IDC_RECORD), QString());
        QCOMPARE(m_pty->read(4), Hex("05300439"));
    }

    void settingReplyInPieces() {
        openPort(*m_pty);
        press(IDC_OUTPUT_FORMAT_SET);
        QCOMPARE(m_pty->read(5), Hex("0506051000"));

        reply(Hex("0507"), 2);
        QCOMPARE(text(IDC_RECEIVE), QStringLiteral(" 05 07"));
        reply(Hex("05110D"), 5);
        QCOMPARE(text(IDC_RECEIVE), QStringLiteral(" 05 07 05 11 0D"));
        QCOMPARE(m_messages, QStringList());
        reply(Hex("0A"), 6);
        QCOMPARE(m_messages, QStringList({SETUP_OK}));
        QCOMPARE(text(IDC_RECEIVE), QStringLiteral(" 05 07 05 11"));
        // Later data walks the same bytes again but the reply was already announced.
        reply(Hex("AA0D0A"), 9);
        reply(Hex("BB"), 10);
        QCOMPARE(m_messages, QStringList({SETUP_OK}));
        QCOMPARE(text(IDC_RECEIVE), QStringLiteral(" 05 07 05 11"));

        // The transmit test's answer is a setting reply too.
        press(IDC_TRANSMIT_TEST);
        QCOMPARE(m_pty->read(120).size(), 120);
        reply(Hex("01020D0A"), 4);
        QCOMPARE(m_messages, QStringList({SETUP_OK, SETUP_OK}));
        QCOMPARE(text(IDC_RECEIVE), QStringLiteral(" 01 02"));
    }

    void parameterReplyFillsTheDialog() {
        openPort(*m_pty);
        combo(IDC_BARCODE_AFFIX_FORMAT)->setCurrentIndex(0); // hex
        combo(IDC_SERIAL_OUTPUT_FORMAT)->setCurrentIndex(0); // hex decides the card affixes
        combo(IDC_CARD_AFFIX_FORMAT)->setCurrentIndex(1);    // ... not this list
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_pty->read(4), Hex("0501040A"));

        // In pieces; the CR LF inside the record (barcode prefix) is data.
        const QByteArray all = HandParamReply();
        reply(all.left(30), 30);
        QCOMPARE(text(IDC_RECEIVE), Shown(all.left(30)));
        reply(all.mid(30, 100), 130);
        m_dlg->memo(IDC_RECORD)->setPlainText(QStringLiteral("typed, not sent"));
        reply(all.mid(130), 182);
        QCOMPARE(m_messages, QStringList({PARAMS_OK}));
        QCOMPARE(text(IDC_RECEIVE), Shown(all));
        QCOMPARE(text(IDC_RECORD), QStringLiteral("typed, not sent"));
        QCOMPARE(m_dlg->replyState().paramQueryPending, 0);

        QCOMPARE(combo(IDC_OUTPUT_FORMAT)->currentText(), QStringLiteral("RS485"));
        QCOMPARE(combo(IDC_CARD_INPUT_FORMAT)->currentText(), QStringLiteral("8H10D"));
        QCOMPARE(combo(IDC_ENTER_KEY)->currentText(), QStringLiteral("No enter"));
        QCOMPARE(combo(IDC_LINE_FEED)->currentText(), QStringLiteral("Line Feed"));
        QCOMPARE(combo(IDC_READER_BAUD)->currentText(), QStringLiteral("115200"));
        QCOMPARE(combo(IDC_DATA_BIT)->currentText(), QStringLiteral("7"));
        QCOMPARE(combo(IDC_STOP_BIT)->currentText(), QStringLiteral("2"));
        QCOMPARE(combo(IDC_PARITY)->currentText(), QStringLiteral("ODD"));
        QCOMPARE(combo(IDC_QR_OUTPUT_FORMAT)->currentText(), QStringLiteral("Hexadecimal"));
        QCOMPARE(combo(IDC_RESET_INTERVAL)->currentText(), QStringLiteral("24 hours"));
        QCOMPARE(combo(IDC_WORKING_MODE)->currentText(), QStringLiteral("Interval mode"));
        QCOMPARE(combo(IDC_HORN)->currentText(), QStringLiteral("Open"));
        QCOMPARE(combo(IDC_LIGHT)->currentText(), QStringLiteral("turn on"));
        QCOMPARE(edit(IDC_BARCODE_PREFIX)->text(), QStringLiteral("0d0a"));
        QCOMPARE(edit(IDC_BARCODE_SUFFIX)->text(), QStringLiteral("58595a"));
        QCOMPARE(edit(IDC_CARD_PREFIX)->text(), QStringLiteral("01ab"));
        QCOMPARE(edit(IDC_CARD_SUFFIX)->text(), QStringLiteral("6f6b"));
        QCOMPARE(edit(IDC_LOW_PULSE)->text(), QStringLiteral("500"));
        QCOMPARE(edit(IDC_HIGH_PULSE)->text(), QStringLiteral("2500"));
        QCOMPARE(combo(IDC_WG_OUTPUT_ORDER)->currentText(), QStringLiteral("Reverse order"));
        QCOMPARE(combo(IDC_CARD_NUMBER_FORMAT)->currentText(), QStringLiteral("2H3D+4H5D"));
        QCOMPARE(combo(IDC_START_BIT)->currentText(), QStringLiteral("7"));

        // Bytes after the end are shown but announce nothing more.
        reply(Hex("1122"), 184);
        QCOMPARE(m_messages, QStringList({PARAMS_OK}));
        QCOMPARE(text(IDC_RECEIVE), Shown(all + Hex("1122")));
    }

    void parameterReplyAsTextAndUnknownValues() {
        openPort(*m_pty);
        combo(IDC_BARCODE_AFFIX_FORMAT)->setCurrentIndex(1); // ASCII
        combo(IDC_SERIAL_OUTPUT_FORMAT)->setCurrentIndex(1); // ASCII
        combo(IDC_CARD_AFFIX_FORMAT)->setCurrentIndex(0);    // not consulted
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_pty->read(4), Hex("0501040A"));

        const QByteArray all = HandParamReply([](QByteArray& r) {
            r[4] = char(0xB0), r[5] = 0x04, r[6] = 0; // 1200: not in the list
            r[8] = 9;                                 // 9 data bits: not in the list
            r[0] = char(200);                         // beyond the Output format items
            r[20] = 'A', r[21] = 'B';                 // barcode prefix "AB"
            r[92] = 'C', r[93] = '1';                 // card prefix "C1"
            r[124] = 0;                               // text form ignores the length
            for (int i = 0; i < 32; ++i) {
                r[56 + i] = 'z'; // barcode suffix without a terminating zero
            }
        });
        reply(all, 182);
        QCOMPARE(m_messages, QStringList({PARAMS_OK}));
        QCOMPARE(combo(IDC_READER_BAUD)->currentText(), QStringLiteral("9600"));
        QCOMPARE(combo(IDC_DATA_BIT)->currentText(), QStringLiteral("8"));
        QCOMPARE(combo(IDC_OUTPUT_FORMAT)->currentIndex(), -1);
        QCOMPARE(combo(IDC_STOP_BIT)->currentText(), QStringLiteral("2"));
        QCOMPARE(edit(IDC_BARCODE_PREFIX)->text(), QStringLiteral("AB"));
        QCOMPARE(edit(IDC_BARCODE_SUFFIX)->text(), QString(32, QLatin1Char('z')));
        QCOMPARE(edit(IDC_CARD_PREFIX)->text(), QStringLiteral("C1"));
        QCOMPARE(edit(IDC_CARD_SUFFIX)->text(), QStringLiteral("ok"));
    }

    void dataArrivingWhileAMessageIsOpen() {
        openPort(*m_pty);
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_pty->read(4), Hex("0501040A"));

        int nested = 0;
        m_onMessage = [&](const QString& message) {
            if (message != QLatin1String(PARAMS_OK) || nested++ > 0) {
                return;
            }
            // The box is open: more bytes arrive and the handler runs again meanwhile.
            m_pty->write(Hex("3344"));
            QTRY_COMPARE(m_dlg->replyState().recvCount, 184);
            m_dlg->OnComm();
        };
        reply(HandParamReply(), 184);
        QTRY_COMPARE(edit(IDC_LOW_PULSE)->text(), QStringLiteral("500"));
        QCOMPARE(m_messages, QStringList({PARAMS_OK}));
        QCOMPARE(text(IDC_RECEIVE), Shown(HandParamReply() + Hex("3344")));
        QCOMPARE(combo(IDC_START_BIT)->currentText(), QStringLiteral("7"));
    }

    void getParameterTogglesItsQuery() {
        openPort(*m_pty);
        press(IDC_GET_PARAMETER); // sends
        QCOMPARE(m_dlg->replyState().paramQueryPending, 1);
        press(IDC_GET_PARAMETER); // withdraws
        QCOMPARE(m_dlg->replyState().paramQueryPending, 0);
        QCOMPARE(m_dlg->replyState().replyMode, 3);
        press(IDC_GET_PARAMETER); // sends again
        press(IDC_TOTAL_RECORDS);
        // Exactly two queries went out before the records frame.
        QCOMPARE(m_pty->read(12), Hex("0501040A"
                                      "0501040A"
                                      "052E0437"));

        // Another command leaves the query pending: the next press withdraws it.
        QCOMPARE(m_dlg->replyState().paramQueryPending, 1);
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_dlg->replyState().paramQueryPending, 0);

        // A reply ends the query: the next press asks again.
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_pty->read(4), Hex("0501040A"));
        reply(HandParamReply(), 182);
        QCOMPARE(m_dlg->replyState().paramQueryPending, 0);
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_pty->read(4), Hex("0501040A"));
        QCOMPARE(m_dlg->replyState().paramQueryPending, 1);
    }

    void recordRepliesStayOutOfTheBoxes() {
        openPort(*m_pty);
        m_dlg->memo(IDC_RECEIVE)->setPlainText(QStringLiteral("earlier"));
        for (const int id : {IDC_READ_RECORD, IDC_KEEP_RECORD}) {
            m_dlg->memo(IDC_RECORD)->setPlainText(QStringLiteral("x"));
            press(id);
            QCOMPARE(m_pty->read(id == IDC_READ_RECORD ? 4 : 164).size(),
                     id == IDC_READ_RECORD ? 4 : 164);
            reply(Hex("053106004141410D0A"), 9);
            QCOMPARE(text(IDC_RECEIVE), QStringLiteral("earlier"));
            QCOMPARE(text(IDC_RECORD), id == IDC_READ_RECORD ? QString() : QStringLiteral("x"));
        }
        QCOMPARE(m_messages, QStringList());
    }

    void replyLongerThanTheBuffer() {
        openPort(*m_pty);
        press(IDC_TOTAL_RECORDS);
        QCOMPARE(m_pty->read(4), Hex("052E0437"));
        reply(QByteArray(1100, char(0x11)), 1024);
        QCOMPARE(text(IDC_RECEIVE).size(), 3 * 1024);
        QCOMPARE(m_messages, QStringList());
        // Still usable: the next command starts a fresh reply.
        press(IDC_TOTAL_RECORDS);
        QCOMPARE(m_pty->read(4), Hex("052E0437"));
        reply(Hex("0D0A"), 2);
        QCOMPARE(m_messages, QStringList({SETUP_OK}));
    }

    void readerVanishesWhileOpen() {
        openPort(*m_pty);
        QVERIFY(m_dlg->comm().get_PortOpen());
        m_pty->closeMaster();
        QTRY_VERIFY(!m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->comm().get_CommEvent(), CMscomm1::COMEV_DEVICE_LOST);
        QCOMPARE(m_messages, QStringList());
        // Said by name, and the button offers to open it again.
        QCOMPARE(m_dlg->PaneText(0), m_pty->path() + QStringLiteral(" was disconnected"));
        QCOMPARE(m_dlg->button(IDC_OPEN_SERIAL_PORT)->text(), OPEN_CAPTION);
        QVERIFY(!m_dlg->button(IDC_OUTPUT_FORMAT_SET)->isEnabled());

        // With the setting buttons on (as a network record turns them on), a command reports
        // the closed port and leaves the dialog usable.
        m_dlg->SetSettingButtons(true);
        press(IDC_OUTPUT_FORMAT_SET);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(text(IDC_TRANSMIT), QStringLiteral(" 05 06 05 10 00"));

        // A query that could not be written is not left pending: the next press tries again.
        press(IDC_GET_PARAMETER);
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_messages.size(), 3);
        QCOMPARE(m_dlg->replyState().paramQueryPending, 0);

        // Back again: the next press opens it.
        m_pty = std::make_unique<ReaderPty>();
        QVERIFY(m_pty->isOpen());
        openPort(*m_pty);
        QVERIFY(m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->button(IDC_OPEN_SERIAL_PORT)->text(), CLOSE_CAPTION);
        press(IDC_OUTPUT_FORMAT_SET);
        QCOMPARE(m_pty->read(5), Hex("0506051000"));
        reply(Hex("0D0A"), 2);
        QCOMPARE(m_messages.size(), 4);
        QCOMPARE(m_messages[3], QString::fromLatin1(SETUP_OK));
    }

    void writingWithThePortClosed() {
        // The records buttons stay enabled while the port is closed.
        for (const int id : {IDC_TOTAL_RECORDS, IDC_READ_RECORD, IDC_KEEP_RECORD}) {
            m_dlg->memo(IDC_RECORD)->setPlainText(QStringLiteral("r"));
            DialogStateProbe::Reply(*m_dlg).recvCount = 2;
            press(id);
            QCOMPARE(m_dlg->replyState().recvCount, 0);
        }
        QCOMPARE(m_messages.size(), 3);
        // The frame of the failed write is on screen (the keep-record frame was last).
        QCOMPARE(text(IDC_TRANSMIT).left(12), QStringLiteral(" 05 32 A4 4D"));
        QVERIFY(m_messages[0].contains(QStringLiteral("not open")));
        press(IDC_TRANSMIT_TEST); // disabled while closed: nothing happens
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_messages.size(), 3);
        QCOMPARE(m_dlg->replyState().paramQueryPending, 0);

        openPort(*m_pty);
        QVERIFY(m_dlg->comm().get_PortOpen());
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_pty->read(4), Hex("0501040A"));
        QCOMPARE(m_messages.size(), 3);
    }
};

QTEST_MAIN(SerialDialogTest)
#include "serial_dialog_test.moc"
