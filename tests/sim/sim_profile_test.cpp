// The dialog's profiles against the reader-sim program: a file loaded into the controls and
// saved from them, an apply verified by reading the reader back (with a reader that keeps one
// old value), and the status a reply that never comes leaves.
#include "tests/support/HandParamReply.h"
#include "tests/support/ReaderPty.h"
#include "tests/support/SimProcess.h"
#include "ui/ControlCatalog.h"
#include "ui/ProfileResultsView.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

class SimProfileTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTessaroDlg> m_dlg;
    std::unique_ptr<SimProcess> m_sim;
    QUdpSocket m_sink; // the simulator's announcements go here, not to the dialog
    QTemporaryDir m_dir;
    QStringList m_messages;
    QString m_file; // what the file dialog answers

    QComboBox* combo(int id) { return m_dlg->combo(id); }
    void press(int id) { m_dlg->button(id)->click(); }

    bool startSim(QStringList arguments) {
        arguments << QStringLiteral("--listen") << QStringLiteral("127.0.0.1:0")
                  << QStringLiteral("--target")
                  << QStringLiteral("127.0.0.1:%1").arg(m_sink.localPort());
        m_sim = std::make_unique<SimProcess>();
        return m_sim->Start(arguments);
    }
    void openPort() {
        combo(IDC_PORT)->setEditText(m_sim->Pty());
        press(IDC_OPEN_SERIAL_PORT);
        QVERIFY(m_dlg->comm().get_PortOpen());
    }
    QString write(const char* name, const QByteArray& json) {
        const QString path = m_dir.filePath(QLatin1String(name));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(json);
        }
        return path;
    }
    // Runs a profile button to its end and returns the results table as rows of text.
    QList<QStringList> run(int button, const QString& file) {
        m_file = file;
        press(button);
        QList<QStringList> rows;
        if (!QTest::qWaitFor([this] { return !m_dlg->profileRunning(); }, 10000) ||
            !m_dlg->profileResults()) {
            return rows;
        }
        const QTableWidget* table = m_dlg->profileResults()->Table();
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < table->columnCount(); ++c) {
                row << table->item(r, c)->text();
            }
            rows << row;
        }
        return rows;
    }

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_sink.bind(QHostAddress::LocalHost, 0));
        m_messages.clear();
        m_dlg = std::make_unique<CTessaroDlg>(0);
        m_dlg->SetMessageHook([this](const QString& t) { m_messages << t; });
        m_dlg->SetFileHook([this](bool) { return m_file; });
    }
    void cleanup() {
        m_dlg.reset();
        m_sim.reset();
        m_sink.close();
    }

    void loadFillsOnlyTheKeysOfTheFile() {
        combo(IDC_LIGHT)->setCurrentIndex(1);
        combo(IDC_BARCODE_AFFIX_FORMAT)->setCurrentIndex(1); // text
        m_dlg->edit(IDC_BARCODE_SUFFIX)->setText(QStringLiteral("AB"));
        m_file = write("load.json",
                       "{\"tessaro_profile\": 1, \"settings\": { \"horn\": \"open\", "
                       "\"baud_rate\": 19200, \"wiegand_low_pulse_us\": 500, \"barcode_prefix\": "
                       "{\"hex\": \"0d0a\"}, \"card_output_format\": \"hex\"}}");
        press(IDC_LOAD_PROFILE);
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(m_dlg->PaneText(0), QStringLiteral("Profile loaded: load.json"));
        QCOMPARE(combo(IDC_HORN)->currentText(), QStringLiteral("Open"));
        QCOMPARE(combo(IDC_READER_BAUD)->currentText(), QStringLiteral("19200"));
        QCOMPARE(m_dlg->edit(IDC_LOW_PULSE)->text(), QStringLiteral("500"));
        QCOMPARE(m_dlg->lowPulse(), 500);
        QCOMPARE(combo(IDC_SERIAL_OUTPUT_FORMAT)->currentText(), QStringLiteral("hex"));
        // CR LF is no text: the pair turns hexadecimal, the suffix box keeps its bytes.
        QCOMPARE(combo(IDC_BARCODE_AFFIX_FORMAT)->currentText(), QStringLiteral("hex"));
        QCOMPARE(m_dlg->edit(IDC_BARCODE_PREFIX)->text(), QStringLiteral("0d0a"));
        QCOMPARE(m_dlg->edit(IDC_BARCODE_SUFFIX)->text(), QStringLiteral("4142"));
        QCOMPARE(combo(IDC_LIGHT)->currentIndex(), 1); // not in the file

        // A refused file changes nothing and names the key.
        m_file = write("typo.json", "{\"tessaro_profile\": 1, \"settings\": {\"hron\": \"Open\"}}");
        press(IDC_LOAD_PROFILE);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(QStringLiteral("hron")), qPrintable(m_messages[0]));
        QCOMPARE(m_dlg->PaneText(0), QStringLiteral("Profile loaded: load.json"));
    }

    void saveWritesWhatTheControlsHold() {
        combo(IDC_OUTPUT_FORMAT)->setCurrentIndex(2);
        combo(IDC_BARCODE_AFFIX_FORMAT)->setCurrentIndex(1);
        m_dlg->edit(IDC_BARCODE_PREFIX)->setText(QStringLiteral("QR:"));
        // Typed without a suffix: saved as .json, so that the Load and Apply dialogs list it.
        m_file = m_dir.filePath(QStringLiteral("saved"));
        press(IDC_SAVE_PROFILE);
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(m_dlg->PaneText(0), QStringLiteral("Profile saved: saved.json"));
        QVERIFY(!QFile::exists(m_file));
        QFile f(m_file + QStringLiteral(".json"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QJsonObject top = QJsonDocument::fromJson(f.readAll()).object();
        QCOMPARE(top.value(QStringLiteral("tessaro_profile")).toInt(), 1);
        const QJsonObject settings = top.value(QStringLiteral("settings")).toObject();
        QCOMPARE(settings.size(), 23); // every key
        QCOMPARE(settings.value(QStringLiteral("output_format")).toString(),
                 QStringLiteral("RS232"));
        QCOMPARE(settings.value(QStringLiteral("barcode_prefix")).toObject(),
                 QJsonObject({{QStringLiteral("text"), QStringLiteral("QR:")}}));
        QCOMPARE(settings.value(QStringLiteral("wiegand_high_pulse_us")).toInt(), 2000);
    }

    void applyVerifiesByReadingBack() {
        // The horn command is answered but the reader keeps its old value.
        QVERIFY(startSim({QStringLiteral("--stale"), QStringLiteral("0x16")}));
        openPort();
        const QList<QStringList> rows =
            run(IDC_APPLY_PROFILE,
                write("apply.json", "{\"tessaro_profile\": 1, \"settings\": {"
                                    "\"output_format\": \"RS232\", \"horn\": \"Open\","
                                    "\"light\": \"turn off(Sweeping light)\"}}"));
        QCOMPARE(m_messages, QStringList()); // no "Command setup successful" per command
        // Settings named by their captions, as the dialog names them; the key in the tooltip.
        QCOMPARE(rows, (QList<QStringList>{
                           {"Output format selection", "RS232", "RS232", "changed and verified"},
                           {"Horn", "Open", "Close", "reads back different"},
                           {"turn on", "turn off(Sweeping light)", "turn off(Sweeping light)",
                            "unchanged"},
                       }));
        QCOMPARE(m_dlg->profileResults()->Table()->item(1, 0)->toolTip(), QStringLiteral("horn"));
        QCOMPARE(m_dlg->profileResults()->Summary(),
                 QStringLiteral("1 setting did not take: horn"));
        QCOMPARE(m_dlg->PaneText(0), QStringLiteral("1 setting did not take: horn"));
        // The results window opens wholly on the screen (780 pixels asked for).
        const QRect area = m_dlg->profileResults()->screen()->availableGeometry();
        QVERIFY2(area.contains(m_dlg->profileResults()->frameGeometry()),
                 qPrintable(QStringLiteral("%1x%2+%3+%4")
                                .arg(m_dlg->profileResults()->frameGeometry().width())
                                .arg(m_dlg->profileResults()->frameGeometry().height())
                                .arg(m_dlg->profileResults()->frameGeometry().x())
                                .arg(m_dlg->profileResults()->frameGeometry().y())));
        // The whole outcome is in the Log as well.
        const FrameLogBuffer& log = m_dlg->frameLog();
        QVERIFY(log.Size() > 0);
        QCOMPARE(QString::fromStdString(log.At(log.Size() - 1).text),
                 QStringLiteral("apply apply.json: did not take: horn"));
        // The controls show what the reader reported, and the buttons are back.
        QCOMPARE(combo(IDC_OUTPUT_FORMAT)->currentText(), QStringLiteral("RS232"));
        QCOMPARE(combo(IDC_HORN)->currentText(), QStringLiteral("Close"));
        QVERIFY(m_dlg->button(IDC_OUTPUT_FORMAT_SET)->isEnabled());
        QVERIFY(m_dlg->button(IDC_OPEN_SERIAL_PORT)->isEnabled());

        // Compare sends nothing and says where the reader differs.
        const QList<QStringList> compared =
            run(IDC_COMPARE_PROFILE,
                write("compare.json", "{\"tessaro_profile\": 1, \"settings\": { \"output_format\": "
                                      "\"RS232\", \"horn\": \"Open\"}}"));
        QCOMPARE(compared,
                 (QList<QStringList>{{"Output format selection", "RS232", "RS232", "unchanged"},
                                     {"Horn", "Open", "Close", "differs"}}));
        QCOMPARE(m_dlg->profileResults()->Summary(),
                 QStringLiteral("1 setting differs from the profile: horn"));

        // A setting the reader does not report was neither sent nor compared.
        const QList<QStringList> unreported = run(
            IDC_COMPARE_PROFILE,
            write("unreported.json", "{\"tessaro_profile\": 1, \"settings\": { \"output_format\": "
                                     "\"RS232\", \"card_output_format\": \"hex\"}}"));
        QCOMPARE(unreported,
                 (QList<QStringList>{{"Output format selection", "RS232", "RS232", "unchanged"},
                                     {"Serial output format", "hex", "(not reported)",
                                      "not compared: the reader does not report it"}}));
        const QString summary = QStringLiteral(
            "The reader holds 1 setting of the profile; 1 not reported by the reader");
        QCOMPARE(m_dlg->PaneText(0), summary);
        // A newer result replaces it: the next command's.
        press(IDC_GET_PARAMETER);
        QVERIFY(m_dlg->PaneText(0) != summary);
    }

    void unansweredPressSaysSoAndTheQueryIsNoLongerPending() {
        QVERIFY(startSim({QStringLiteral("--silent"), QStringLiteral("0x10,0x01")}));
        openPort();
        press(IDC_LIGHT_SET);
        // 1 s and the line time of a 5-byte frame and a 16-byte reply at 9600 baud: 22 ms.
        QTRY_COMPARE_WITH_TIMEOUT(m_dlg->PaneText(0), QStringLiteral("No reply within 1.0 s"),
                                  3000);
        QCOMPARE(m_messages, QStringList());

        press(IDC_GET_PARAMETER);
        QCOMPARE(m_dlg->replyState().paramQueryPending, 1);
        m_dlg->SetPaneText(0, QString());
        // 4 + 182 bytes at 9600 baud: 194 ms more.
        QTRY_COMPARE_WITH_TIMEOUT(m_dlg->PaneText(0), QStringLiteral("No reply within 1.2 s"),
                                  3000);
        QCOMPARE(m_dlg->replyState().paramQueryPending, 0);
        // The next press asks again instead of withdrawing a query.
        press(IDC_GET_PARAMETER);
        QCOMPARE(m_dlg->replyState().paramQueryPending, 1);
        QTRY_VERIFY(m_sim->Output().count(QStringLiteral("05 01 04 0A")) >= 2);
    }

    // A speed change leaves the port where the reader answers, and the box and the pane say it.
    void applyOfASpeedChangeEndsWhereTheReaderAnswers_data() {
        QTest::addColumn<QStringList>("sim");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("summary");
        const QString moved =
            QStringLiteral("1 setting applied and verified; the reader answers at 19200 8N1");
        const QString kept = QStringLiteral(
            "1 setting did not take: baud_rate; the reader still answers at 9600 8N1");
        const QString fault = QStringLiteral("--serial-params-fault");
        QTest::newRow("answers and switches") << QStringList() << "19200" << moved;
        QTest::newRow("answers, does not switch")
            << QStringList{fault, "answers-no-switch"} << "9600" << kept;
        QTest::newRow("switches without answering")
            << QStringList{fault, "switches-no-answer"} << "19200" << moved;
        QTest::newRow("ignores it") << QStringList{fault, "ignores"} << "9600" << kept;
        QTest::newRow("switches early") << QStringList{fault, "switches-early"} << "19200" << moved;
        // Heard neither at the port's framing nor at the profile's: the port goes back to where
        // the run began.
        QTest::newRow("answers nowhere tried")
            << QStringList{"--baud", "4800"} << "9600"
            << "reading the reader's parameters: no reply; no answer at any speed tried: 9600 "
               "8N1, 19200 8N1";
    }
    void applyOfASpeedChangeEndsWhereTheReaderAnswers() {
        QFETCH(QStringList, sim);
        QFETCH(QString, speed);
        QFETCH(QString, summary);
        const QStringList arguments = QStringList{QStringLiteral("--strict-baud")} + sim;
        QVERIFY(startSim(arguments));
        openPort();
        run(IDC_APPLY_PROFILE,
            write("speed.json", "{\"tessaro_profile\": 1, \"settings\": {\"baud_rate\": 19200}}"));
        QVERIFY(m_dlg->profileResults());
        QCOMPARE(m_dlg->profileResults()->Summary(), summary);
        QCOMPARE(m_dlg->PaneText(0), summary);
        QVERIFY(m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->comm().get_Settings(), speed + QStringLiteral(",n,8,1"));
        QCOMPARE(combo(IDC_PORT_BAUD)->currentText(), speed);
        if (sim.contains(QStringLiteral("4800"))) {
            return;
        }
        // The next button reaches the reader where it is.
        QComboBox* readerBaud = combo(IDC_READER_BAUD);
        readerBaud->setCurrentIndex(readerBaud->findText(QStringLiteral("4800")));
        QCOMPARE(readerBaud->currentText(), QStringLiteral("4800"));
        press(IDC_GET_PARAMETER);
        QTRY_COMPARE_WITH_TIMEOUT(readerBaud->currentText(), speed, 3000);
    }

    void findReaderTriesTheSpeedsInTurn() {
        // A reader left at 19200: nothing it hears at 9600 or 115200 makes sense to it.
        QVERIFY(startSim({QStringLiteral("--strict-baud"), QStringLiteral("--baud"),
                          QStringLiteral("19200"), QStringLiteral("--config"),
                          QStringLiteral(SIM_EXAMPLE_CONFIG), QStringLiteral("--readers"),
                          QStringLiteral("1")}));
        combo(IDC_PORT)->setEditText(m_sim->Pty());
        press(IDC_FIND_READER);
        QVERIFY(m_dlg->findingReader());
        QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->findingReader(), 10000);
        QCOMPARE(m_dlg->PaneText(0),
                 QStringLiteral("Reader found on %1 at 19200 baud").arg(m_sim->Pty()));
        QCOMPARE(m_messages, QStringList());
        // That port and speed are what the lists hold, the port stays open, the dialog is filled.
        QVERIFY(m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->comm().get_Settings(), QStringLiteral("19200,n,8,1"));
        QCOMPARE(combo(IDC_PORT_BAUD)->currentText(), QStringLiteral("19200"));
        QCOMPARE(m_dlg->button(IDC_OPEN_SERIAL_PORT)->text(), QStringLiteral("Close Serial Port"));
        QCOMPARE(combo(IDC_OUTPUT_FORMAT)->currentIndex(), 2);
        QVERIFY(m_dlg->button(IDC_OUTPUT_FORMAT_SET)->isEnabled());
        QTRY_COMPARE(m_sim->Output().count(QStringLiteral("not understood")), 2);
    }

    // A parameter reply left on the line before the port was opened is not an answer.
    void findReaderIgnoresBytesLeftOnTheLine() {
        ReaderPty reader;
        QVERIFY(reader.isOpen());
        reader.write(HandParamReply());
        combo(IDC_PORT)->setEditText(reader.path());
        press(IDC_FIND_READER);
        QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->findingReader(), 15000);
        QCOMPARE(m_messages,
                 QStringList{QStringLiteral("No reader answered on %1 at 9600, 115200, 19200, "
                                            "4800, 14400, 256000 baud.")
                                 .arg(reader.path())});
    }

    void findReaderSaysWhatItTried() {
        QVERIFY(startSim({QStringLiteral("--silent"), QStringLiteral("0x01")}));
        combo(IDC_PORT)->setEditText(m_sim->Pty());
        press(IDC_FIND_READER);
        QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->findingReader(), 15000);
        const QString said =
            QStringLiteral("No reader answered on %1 at 9600, 115200, 19200, 4800, 14400, "
                           "256000 baud.")
                .arg(m_sim->Pty());
        QCOMPARE(m_messages, QStringList{said});
        QCOMPARE(m_dlg->PaneText(0), said);
        QVERIFY(!m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->button(IDC_OPEN_SERIAL_PORT)->text(), QStringLiteral("Open Serial Port"));
    }
};

QTEST_MAIN(SimProfileTest)
#include "sim_profile_test.moc"
