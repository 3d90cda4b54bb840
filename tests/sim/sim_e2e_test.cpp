// Tessaro against the simulated reader: a pseudo-terminal for the serial line, loopback UDP.
#include "tests/support/SimProcess.h"

#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUdpSocket>

#include <functional>
#include <memory>

namespace {

const QString SETUP_OK = QStringLiteral("Command setup successful");
const QString PARAMS_OK = QStringLiteral("Get params successful");

} // namespace

class SimEndToEnd : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTessaroDlg> m_dlg;
    std::unique_ptr<SimProcess> m_sim;
    QUdpSocket m_sink; // announcements that should not reach the dialog go here
    QStringList m_messages;

    QComboBox* combo(int id) { return m_dlg->combo(id); }
    QLineEdit* edit(int id) { return m_dlg->edit(id); }
    void press(int id) { m_dlg->button(id)->click(); }
    qsizetype count(const QString& message) { return m_messages.count(message); }

    QString sinkTarget() { return QStringLiteral("127.0.0.1:%1").arg(m_sink.localPort()); }
    QString dialogTarget() { return QStringLiteral("127.0.0.1:%1").arg(m_dlg->LocalUdpPort()); }

    bool startSim(QStringList arguments) {
        arguments << QStringLiteral("--listen") << QStringLiteral("127.0.0.1:0");
        m_sim = std::make_unique<SimProcess>();
        return m_sim->Start(arguments);
    }

    void openPort() {
        combo(IDC_PORT)->setEditText(m_sim->Pty());
        press(IDC_OPEN_SERIAL_PORT);
        QCOMPARE(m_dlg->button(IDC_OPEN_SERIAL_PORT)->text(), QStringLiteral("Close Serial Port"));
    }

    void getParameter() {
        const qsizetype before = count(PARAMS_OK);
        press(IDC_GET_PARAMETER);
        QTRY_COMPARE(count(PARAMS_OK), before + 1);
    }

    void select(int id, int index) { combo(id)->setCurrentIndex(index); }
    int index(int id) { return combo(id)->currentIndex(); }

private slots:
    void initTestCase() { QVERIFY(m_sink.bind(QHostAddress::LocalHost, 0)); }

    void init() {
        m_messages.clear();
        m_dlg = std::make_unique<CTessaroDlg>(0);
        m_dlg->SetMessageHook([this](const QString& text) { m_messages << text; });
    }

    void cleanup() {
        if (m_sim) {
            QCOMPARE(m_sim->Stop(), 0); // Ctrl-C ends it cleanly
        }
        m_sim.reset();
        m_dlg.reset();
    }

    void getParameterFillsTheDialog() {
        QVERIFY(startSim({QStringLiteral("--config"), QStringLiteral(SIM_EXAMPLE_CONFIG),
                          QStringLiteral("--target"), sinkTarget()}));
        openPort();
        getParameter();

        // The values of the example file; the affixes show as text ("ASCII" is selected).
        QCOMPARE(index(IDC_OUTPUT_FORMAT), 2);
        QCOMPARE(index(IDC_CARD_INPUT_FORMAT), 2);
        QCOMPARE(index(IDC_ENTER_KEY), 1);
        QCOMPARE(index(IDC_LINE_FEED), 1);
        QCOMPARE(combo(IDC_READER_BAUD)->currentText(), QStringLiteral("19200"));
        QCOMPARE(combo(IDC_DATA_BIT)->currentText(), QStringLiteral("8"));
        QCOMPARE(combo(IDC_STOP_BIT)->currentText(), QStringLiteral("1"));
        QCOMPARE(index(IDC_PARITY), 2);
        QCOMPARE(index(IDC_QR_OUTPUT_FORMAT), 0);
        QCOMPARE(index(IDC_RESET_INTERVAL), 2);
        QCOMPARE(index(IDC_WORKING_MODE), 1);
        QCOMPARE(index(IDC_HORN), 1);
        QCOMPARE(index(IDC_LIGHT), 2);
        QCOMPARE(edit(IDC_BARCODE_PREFIX)->text(), QStringLiteral("QR:"));
        QCOMPARE(edit(IDC_BARCODE_SUFFIX)->text(), QStringLiteral("/E"));
        QCOMPARE(edit(IDC_CARD_PREFIX)->text(), QStringLiteral("ID"));
        QCOMPARE(edit(IDC_CARD_SUFFIX)->text(), QString());
        QCOMPARE(edit(IDC_HIGH_PULSE)->text(), QStringLiteral("1500"));
        QCOMPARE(edit(IDC_LOW_PULSE)->text(), QStringLiteral("300"));
        QCOMPARE(index(IDC_WG_OUTPUT_ORDER), 1);
        QCOMPARE(index(IDC_CARD_NUMBER_FORMAT), 1);
        QCOMPARE(index(IDC_START_BIT), 4);
        QCOMPARE(m_messages, QStringList{PARAMS_OK}); // no "data length" complaint
    }

    void everySetUpButtonChangesTheReader() {
        struct Row {
            const char* name;
            int button;
            std::function<void()> change;   // the new value, before "Set up"
            std::function<void()> scramble; // something else, before reading back
            std::function<bool()> check;    // the new value is back
        };
        const Row rows[] = {
            {"output format", IDC_OUTPUT_FORMAT_SET, [&] { select(IDC_OUTPUT_FORMAT, 5); },
             [&] { select(IDC_OUTPUT_FORMAT, 0); }, [&] { return index(IDC_OUTPUT_FORMAT) == 5; }},
            {"card input format", IDC_CARD_INPUT_FORMAT_SET,
             [&] { select(IDC_CARD_INPUT_FORMAT, 4); }, [&] { select(IDC_CARD_INPUT_FORMAT, 0); },
             [&] { return index(IDC_CARD_INPUT_FORMAT) == 4; }},
            {"enter and line feed", IDC_ENTER_LINE_FEED_SET,
             [&] {
                 select(IDC_ENTER_KEY, 0);
                 select(IDC_LINE_FEED, 1);
             },
             [&] {
                 select(IDC_ENTER_KEY, 1);
                 select(IDC_LINE_FEED, 0);
             },
             [&] { return index(IDC_ENTER_KEY) == 0 && index(IDC_LINE_FEED) == 1; }},
            {"barcode prefix", IDC_BARCODE_PREFIX_SET,
             [&] { edit(IDC_BARCODE_PREFIX)->setText(QStringLiteral("AB12")); },
             [&] { edit(IDC_BARCODE_PREFIX)->clear(); },
             [&] { return edit(IDC_BARCODE_PREFIX)->text() == u"AB12"; }},
            {"barcode suffix", IDC_BARCODE_SUFFIX_SET,
             [&] { edit(IDC_BARCODE_SUFFIX)->setText(QStringLiteral("XY")); },
             [&] { edit(IDC_BARCODE_SUFFIX)->clear(); },
             [&] { return edit(IDC_BARCODE_SUFFIX)->text() == u"XY"; }},
            {"light", IDC_LIGHT_SET, [&] { select(IDC_LIGHT, 1); }, [&] { select(IDC_LIGHT, 0); },
             [&] { return index(IDC_LIGHT) == 1; }},
            {"working mode", IDC_WORKING_MODE_SET, [&] { select(IDC_WORKING_MODE, 2); },
             [&] { select(IDC_WORKING_MODE, 0); }, [&] { return index(IDC_WORKING_MODE) == 2; }},
            {"horn", IDC_HORN_SET, [&] { select(IDC_HORN, 1); }, [&] { select(IDC_HORN, 0); },
             [&] { return index(IDC_HORN) == 1; }},
            {"Wiegand timing", IDC_WIEGAND_SET,
             [&] {
                 edit(IDC_HIGH_PULSE)->setText(QStringLiteral("1800"));
                 edit(IDC_LOW_PULSE)->setText(QStringLiteral("250"));
                 select(IDC_WG_OUTPUT_ORDER, 1);
             },
             [&] {
                 edit(IDC_HIGH_PULSE)->setText(QStringLiteral("100"));
                 edit(IDC_LOW_PULSE)->setText(QStringLiteral("100"));
                 select(IDC_WG_OUTPUT_ORDER, 0);
             },
             [&] {
                 return edit(IDC_HIGH_PULSE)->text() == u"1800" &&
                        edit(IDC_LOW_PULSE)->text() == u"250" && index(IDC_WG_OUTPUT_ORDER) == 1;
             }},
            {"serial parameters", IDC_SERIAL_PARAMS_SET,
             [&] {
                 select(IDC_READER_BAUD, 4); // 115200
                 select(IDC_DATA_BIT, 1);    // 7
                 select(IDC_STOP_BIT, 1);    // 2
                 select(IDC_PARITY, 0);
                 select(IDC_QR_OUTPUT_FORMAT, 1);
             },
             [&] {
                 select(IDC_READER_BAUD, 0);
                 select(IDC_DATA_BIT, 0);
                 select(IDC_STOP_BIT, 0);
                 select(IDC_PARITY, 2);
                 select(IDC_QR_OUTPUT_FORMAT, 0);
             },
             [&] {
                 return combo(IDC_READER_BAUD)->currentText() == u"115200" &&
                        combo(IDC_DATA_BIT)->currentText() == u"7" &&
                        combo(IDC_STOP_BIT)->currentText() == u"2" && index(IDC_PARITY) == 0 &&
                        index(IDC_QR_OUTPUT_FORMAT) == 1;
             }},
            {"reset interval", IDC_RESET_INTERVAL_SET, [&] { select(IDC_RESET_INTERVAL, 0); },
             [&] { select(IDC_RESET_INTERVAL, 2); },
             [&] { return index(IDC_RESET_INTERVAL) == 0; }},
            {"QR code", IDC_QR_CODE_SET,
             [&] {
                 select(IDC_CARD_NUMBER_FORMAT, 2);
                 select(IDC_START_BIT, 7);
             },
             [&] {
                 select(IDC_CARD_NUMBER_FORMAT, 0);
                 select(IDC_START_BIT, 0);
             },
             [&] { return index(IDC_CARD_NUMBER_FORMAT) == 2 && index(IDC_START_BIT) == 7; }},
            {"card prefix and suffix", IDC_CARD_AFFIX_SET,
             [&] {
                 edit(IDC_CARD_PREFIX)->setText(QStringLiteral("C1"));
                 edit(IDC_CARD_SUFFIX)->setText(QStringLiteral("Z"));
             },
             [&] {
                 edit(IDC_CARD_PREFIX)->clear();
                 edit(IDC_CARD_SUFFIX)->clear();
             },
             [&] {
                 return edit(IDC_CARD_PREFIX)->text() == u"C1" &&
                        edit(IDC_CARD_SUFFIX)->text() == u"Z";
             }},
        };

        QVERIFY(startSim({QStringLiteral("--target"), sinkTarget()}));
        openPort();
        for (const Row& row : rows) {
            const QByteArray name(row.name);
            row.change();
            const qsizetype before = count(SETUP_OK);
            press(row.button);
            QTRY_VERIFY2(count(SETUP_OK) == before + 1, name.constData());
            row.scramble();
            QVERIFY2(!row.check(), name.constData());
            getParameter();
            QVERIFY2(row.check(), name.constData());
        }
    }

    void hiddenButtonsReachTheReader() {
        // The serial record has no room for these two: the reader's UDP confirmations show them.
        QVERIFY(startSim(
            {QStringLiteral("--target"), dialogTarget(), QStringLiteral("--udp-confirm")}));
        // The record sent at start sets the hidden switch list too: let it land first.
        QTRY_COMPARE(m_dlg->PaneText(0), QStringLiteral("Receive parameter successfully."));
        openPort();
        select(IDC_HIDDEN_SWITCH, 1);
        press(IDC_SWITCH_SET);
        // Reply 21 is shown only when the reader reports the switch now selected.
        QTRY_COMPARE(m_dlg->PaneText(0), QStringLiteral("Command setup successful."));

        m_dlg->SetPaneText(0, QString());
        edit(IDC_PRODUCT_NAME)->setText(QStringLiteral("pn"));
        press(IDC_CLOUD_SET);
        QTRY_COMPARE(m_dlg->PaneText(0), QStringLiteral("Command setup successful."));
        // Reply 25 carries the reader's cloud block: provider 0, address 0, then "pn".
        QTRY_VERIFY(m_sim->Output().contains(
            QStringLiteral(" 05 19 CC 21 00 00 00 00 00 00 00 00 70 6E 00")));
    }

    void recordsRoundTrip() {
        QVERIFY(startSim({QStringLiteral("--target"), sinkTarget()}));
        openPort();
        m_dlg->memo(IDC_RECORD)->setPlainText(QStringLiteral("card 1234\nopen door"));
        press(IDC_KEEP_RECORD);
        // One chunk, one short reply; wait for it before the next command resets the buffer.
        QTRY_COMPARE(m_dlg->replyState().recvCount, 6);

        press(IDC_TOTAL_RECORDS);
        QTRY_COMPARE(count(SETUP_OK), 1);
        QCOMPARE(m_dlg->memo(IDC_RECEIVE)->toPlainText(),
                 QStringLiteral(" 05 2F 0A 56 01 00 00 00"));

        press(IDC_READ_RECORD);
        const QByteArray text("card 1234\r\nopen door");
        QTRY_COMPARE(m_dlg->replyState().recvCount, 4 + int(text.size()) + 2);
        const QByteArray got(reinterpret_cast<const char*>(m_dlg->replyState().recvBuf.data()) + 4,
                             text.size());
        QCOMPARE(got, text);
    }

    void readersAppearAndTheirRecordFillsTheDialog() {
        QVERIFY(startSim({QStringLiteral("--config"), QStringLiteral(SIM_EXAMPLE_CONFIG),
                          QStringLiteral("--readers"), QStringLiteral("1"),
                          QStringLiteral("--target"), dialogTarget()}));
        QTRY_VERIFY_WITH_TIMEOUT(m_dlg->deviceList()->count() >= 1, 3000);
        QCOMPARE(m_dlg->deviceList()->item(0)->text(), QStringLiteral("Gate-North"));
        QTRY_COMPARE(m_dlg->PaneText(0), QStringLiteral("Receive parameter successfully."));
        QCOMPARE(m_dlg->ipAddress(IDC_IP_ADDRESS)->GetAddress(), 0xC0A80132u); // 192.168.1.50
        QCOMPARE(edit(IDC_SERVER_ADDRESS)->text(), QStringLiteral("access.example.com"));
        QCOMPARE(edit(IDC_SERVER_PORT)->text(), QStringLiteral("8080"));
        QCOMPARE(index(IDC_HTTP_SERVER), 1);
        QCOMPARE(index(IDC_OUTPUT_FORMAT), 2);
        QCOMPARE(edit(IDC_HIGH_PULSE)->text(), QStringLiteral("1500"));
        QCOMPARE(combo(IDC_READER_BAUD)->currentText(), QStringLiteral("19200"));
        QVERIFY(m_dlg->button(IDC_GET_PARAMETER)->isEnabled());
    }

    void announcesAtStartThenStaysQuiet() {
        // Tessaro lists every announcement: a reader announces at start and once 2 s later.
        QVERIFY(startSim({QStringLiteral("--target"), dialogTarget()}));
        QTRY_COMPARE_WITH_TIMEOUT(m_dlg->deviceList()->count(), 2, 3000);
        QTest::qWait(1500);
        QCOMPARE(m_dlg->deviceList()->count(), 2);
    }

    void severalReadersAnnounceThemselves() {
        // Default interval: the list must fill within 3 seconds whenever the dialog starts.
        QVERIFY(startSim({QStringLiteral("--readers"), QStringLiteral("3"),
                          QStringLiteral("--target"), dialogTarget()}));
        QTRY_VERIFY_WITH_TIMEOUT(m_dlg->deviceList()->count() >= 3, 3000);
        QStringList names;
        for (int i = 0; i < 3; ++i) {
            names << m_dlg->deviceList()->item(i)->text();
        }
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("Reader-1"), QStringLiteral("Reader-2"),
                                     QStringLiteral("Reader-3")}));
    }
};

QTEST_MAIN(SimEndToEnd)
#include "sim_e2e_test.moc"
