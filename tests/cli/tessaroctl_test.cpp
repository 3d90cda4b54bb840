// tessaroctl against simulated readers on pseudo-terminals: every command's output and exit
// code, copying a reader, a fleet with a reader that stops answering, the simulator's faults.
#include "tests/support/CtlProcess.h"
#include "tests/support/HandParamReply.h"
#include "tests/support/ReaderPty.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// The simulator's reader as it starts, read back as a profile file.
const char* const DEFAULT_READER_PROFILE = R"json({
  "tessaro_profile": 1,
  "settings": {
    "output_format": "USB keyboard",
    "card_input_format": "6H",
    "enter": "Enter",
    "line_feed": "No Line Feed",
    "baud_rate": 9600,
    "data_bits": 8,
    "stop_bits": 1,
    "parity": "NONE",
    "qr_output_format": "ASCII",
    "reset_interval": "12 hours",
    "working_mode": "Common mode",
    "horn": "Close",
    "light": "turn off(Sweeping light)",
    "barcode_prefix": {"text": ""},
    "barcode_suffix": {"text": ""},
    "card_prefix": {"text": ""},
    "card_suffix": {"text": ""},
    "wiegand_high_pulse_us": 2000,
    "wiegand_low_pulse_us": 400,
    "wiegand_output_order": "In order",
    "card_number_format": "8H10D",
    "start_bit": 0
  }
}
)json";

QString Profile(const QTemporaryDir& dir, const QString& name, const QByteArray& settings) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("{\"tessaro_profile\": 1, \"settings\": {" + settings + "}}");
    }
    return path;
}

QMap<QString, QString> Outcomes(const QJsonObject& port) {
    QMap<QString, QString> outcomes;
    for (const QJsonValue& setting : port.value(QStringLiteral("settings")).toArray()) {
        outcomes[setting[QStringLiteral("key")].toString()] =
            setting[QStringLiteral("outcome")].toString();
    }
    return outcomes;
}

QString Show(const CtlResult& r) {
    return QStringLiteral("exit %1\nstdout:\n%2\nstderr:\n%3")
        .arg(r.exitCode)
        .arg(QString::fromLocal8Bit(r.out), QString::fromLocal8Bit(r.err));
}

} // namespace

class TessaroctlTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void usageAndRefusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrHas");
        const QString pty = QStringLiteral("PTY");
        QTest::newRow("no command") << QStringList{} << 1 << "a command is needed";
        QTest::newRow("unknown command") << QStringList{"bogus"} << 1 << "unknown command bogus";
        QTest::newRow("unknown option")
            << QStringList{"get", "--port", pty, "--fast"} << 1 << "Unknown option 'fast'";
        QTest::newRow("get without port") << QStringList{"get"} << 1 << "--port is needed";
        QTest::newRow("get with two ports")
            << QStringList{"get", "--port", pty, "--port", "/dev/tessaro-no-such-port"} << 1
            << "get takes one --port";
        QTest::newRow("the same port twice")
            << QStringList{"apply", "--port", pty, "--port", pty, "TYPO"} << 1 << "is given twice";
        QTest::newRow("empty port")
            << QStringList{"get", "--port", ""} << 1 << "--port: an empty port name";
        QTest::newRow("com 0") << QStringList{"find", "--port", "com 0"} << 1
                               << "--port com 0: com ports count from com 1";
        QTest::newRow("bad card output format")
            << QStringList{"get", "--port", pty, "--card-output-format", "dec"} << 1
            << "--card-output-format: card_output_format: \"dec\" is not one of \"hex\", "
               "\"ASCII\"";
        QTest::newRow("trace cannot be written")
            << QStringList{"get", "--port", pty, "--trace", "MISSING/trace.txt"} << 6
            << "cannot write the trace";
        QTest::newRow("apply without profile")
            << QStringList{"apply", "--port", pty} << 1 << "apply takes one PROFILE file";
        QTest::newRow("bad speed")
            << QStringList{"get", "--port", pty, "--baud", "fast"} << 1 << "--baud: a speed";
        QTest::newRow("records what") << QStringList{"records", "--port", pty, "all"} << 1
                                      << "records takes total, read or keep FILE";
        QTest::newRow("discover seconds")
            << QStringList{"discover", "--seconds", "-1"} << 1 << "--seconds";
        QTest::newRow("set unknown key")
            << QStringList{"set", "--port", pty, "hron=Open"} << 5 << "hron: unknown key";
        QTest::newRow("set bad value") << QStringList{"set", "--port", pty, "horn=Loud"} << 5
                                       << "horn: \"Loud\" is not one of \"Close\", \"Open\"";
        QTest::newRow("set a key twice")
            << QStringList{"set", "--port", pty, "horn=Open", "horn=Close"} << 5
            << "horn: given twice";
        QTest::newRow("set affix too long")
            << QStringList{"set", "--port", pty, "card_prefix=text:" + QString(32, u'x')} << 5
            << "card_prefix";
        QTest::newRow("apply unknown key")
            << QStringList{"apply", "--port", pty, "TYPO"} << 5 << "ligth: unknown key";
        QTest::newRow("apply missing file")
            << QStringList{"apply", "--port", pty, "--dry-run", "MISSING"} << 5 << "cannot read";
        QTest::newRow("diff bad version")
            << QStringList{"diff", "--port", pty, "VERSION2"} << 5 << "newer than";
    }

    void usageAndRefusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrHas);
        SimReaders sims;
        const QString pty = sims.Start();
        QVERIFY(!pty.isEmpty());
        const QString typo = Profile(m_dir, QStringLiteral("typo.json"), "\"ligth\": \"Open\"");
        QFile v2(m_dir.filePath(QStringLiteral("v2.json")));
        QVERIFY(v2.open(QIODevice::WriteOnly));
        v2.write("{\"tessaro_profile\": 2, \"settings\": {}}");
        v2.close();
        args.replaceInStrings(QStringLiteral("PTY"), pty);
        args.replaceInStrings(QStringLiteral("TYPO"), typo);
        args.replaceInStrings(QStringLiteral("MISSING"), m_dir.filePath(QStringLiteral("none")));
        args.replaceInStrings(QStringLiteral("VERSION2"), v2.fileName());

        const CtlResult r = RunCtl(args);
        QVERIFY2(r.exitCode == exitCode, qPrintable(Show(r)));
        QVERIFY2(r.err.contains(stderrHas.toUtf8()), qPrintable(Show(r)));
        QVERIFY(r.out.isEmpty());
        // Refused before anything was sent: the reader saw no byte.
        QCOMPARE(sims.FramesSeen(0), 0);
    }

    void helpAndVersion() {
        CtlResult r = RunCtl({QStringLiteral("--version")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("tessaroctl " TESSARO_VERSION "\n"));
        r = RunCtl({QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("tessaroctl discover [--seconds S] [--json]"));
        r = RunCtl({QStringLiteral("apply"), QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("Usage: tessaroctl apply [options] PROFILE\n"));
        QVERIFY(r.out.contains("--dry-run"));
    }

    // The installed completion is the command table's: a command or option added to one and not
    // the other fails here.
    void completionIsTheCommandTable() {
        const CtlResult r = RunCtl({QStringLiteral("--bash-completion")});
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        QFile script(QStringLiteral(TESSARO_SOURCE_DIR "/packaging/tessaroctl.bash"));
        QVERIFY(script.open(QIODevice::ReadOnly));
        QCOMPARE(r.out, script.readAll());
    }

    void getPrintsTheReaderAndItsProfileFile() {
        SimReaders sims;
        const QString pty = sims.Start();
        QVERIFY(!pty.isEmpty());

        CtlResult r = RunCtl({QStringLiteral("get"), QStringLiteral("--port"), pty});
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.size(), 23); // 22 keys the reader reports, and the last line's end
        QCOMPARE(lines[0], QByteArray("output_format          USB keyboard"));
        QCOMPARE(lines[12], QByteArray("light                  turn off(Sweeping light)"));
        QCOMPARE(lines[13], QByteArray("barcode_prefix         text:"));
        QCOMPARE(lines[21], QByteArray("start_bit              0"));
        QVERIFY(r.err.isEmpty()); // not a terminal: no progress

        r = RunCtl(
            {QStringLiteral("get"), QStringLiteral("--port"), pty, QStringLiteral("--json")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.JsonObject()[QStringLiteral("profile")].toObject(),
                 QJsonDocument::fromJson(QByteArray(DEFAULT_READER_PROFILE)).object());

        const QString out = m_dir.filePath(QStringLiteral("got.json"));
        r = RunCtl(
            {QStringLiteral("get"), QStringLiteral("--port"), pty, QStringLiteral("--out"), out});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.isEmpty());
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()),
                 QJsonDocument::fromJson(QByteArray(DEFAULT_READER_PROFILE)));
    }

    void copiesAReaderWithGetAndApply() {
        SimReaders sims;
        const QString a = sims.Start();
        const QString b = sims.Start({QStringLiteral("--name"), QStringLiteral("B")});
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        CtlResult r = RunCtl({"set", "--port", a, "horn=Open", "light=Detect the light",
                              "barcode_prefix=text:QR:", "barcode_suffix=hex:0d0a",
                              "baud_rate=115200", "start_bit=7"});
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        QVERIFY2(r.out.endsWith("ok: 6 verified; the reader answers at 115200 8N1\n"),
                 qPrintable(Show(r)));

        const QString copy = m_dir.filePath(QStringLiteral("copy.json"));
        QCOMPARE(RunCtl({"get", "--port", a, "--out", copy}).exitCode, 0);
        r = RunCtl({"diff", "--port", b, copy});
        QCOMPARE(r.exitCode, 4);
        QVERIFY2(r.err.contains("failed: differs from the profile: baud_rate, horn, light, "
                                "barcode_prefix, barcode_suffix, start_bit"),
                 qPrintable(Show(r)));

        r = RunCtl({"apply", "--port", b, copy});
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        QVERIFY2(r.out.contains("\nhorn                   Close -> Open  verified\n"),
                 qPrintable(Show(r)));
        QVERIFY2(r.out.endsWith("ok: 16 unchanged, 6 verified; the reader answers at 115200 8N1\n"),
                 qPrintable(Show(r)));

        // The reader switched to 115200 baud, and the engine followed it.
        const CtlResult got = RunCtl({"get", "--port", b, "--baud", "115200", "--json"});
        QCOMPARE(got.exitCode, 0);
        QCOMPARE(got.JsonObject()[QStringLiteral("profile")],
                 RunCtl({"get", "--port", a, "--json"}).JsonObject()[QStringLiteral("profile")]);
        const CtlResult same = RunCtl({"diff", "--json", "--port", b, copy});
        QCOMPARE(same.exitCode, 0);
        const QJsonObject port = same.JsonArray()[0].toObject();
        QVERIFY(port[QStringLiteral("ok")].toBool());
        QVERIFY(port[QStringLiteral("error")].isNull());
        const auto outcomes = Outcomes(port);
        QCOMPARE(outcomes.size(), 22);
        QCOMPARE(QSet<QString>(outcomes.begin(), outcomes.end()), QSet<QString>{"unchanged"});
    }

    void fleetWithAReaderThatStopsAnswering() {
        SimReaders sims;
        const QString a = sims.Start();
        const QString dead = sims.Start({QStringLiteral("--stop-after"), QStringLiteral("1")});
        const QString c = sims.Start();
        QVERIFY(!a.isEmpty() && !dead.isEmpty() && !c.isEmpty());
        const QString profile = Profile(m_dir, QStringLiteral("fleet.json"),
                                        "\"horn\": \"Open\", \"light\": \"Detect the light\"");

        const CtlResult r =
            RunCtl({"apply", "--port", a, "--port", dead, "--port", c, "--json", profile});
        QVERIFY2(r.exitCode == 3, qPrintable(Show(r)));
        const QJsonArray ports = r.JsonArray();
        QCOMPARE(ports.size(), 3);
        const QString order[] = {a, dead, c};
        for (int i = 0; i < 3; ++i) {
            const QJsonObject port = ports[i].toObject();
            QCOMPARE(port[QStringLiteral("port")].toString(), order[i]);
            const bool ok = i != 1;
            QCOMPARE(port[QStringLiteral("ok")].toBool(), ok);
            QCOMPARE(port[QStringLiteral("error")].isNull(), ok);
            const QString outcome = ok ? QStringLiteral("verified") : QStringLiteral("no_reply");
            QCOMPARE(Outcomes(port),
                     (QMap<QString, QString>{{"horn", outcome}, {"light", outcome}}));
        }
        QCOMPARE(
            ports[0][QStringLiteral("settings")][0][QStringLiteral("reader_before")].toString(),
            QStringLiteral("Close"));
        QCOMPARE(ports[0][QStringLiteral("settings")][0][QStringLiteral("reader_after")].toString(),
                 QStringLiteral("Open"));
        QCOMPARE(QString::fromLocal8Bit(r.err),
                 QStringLiteral("tessaroctl: %1: failed: reading the reader's parameters back: "
                                "no reply\n")
                     .arg(dead));
    }

    // Frames written by hand, as the dialog's "Set up" buttons send them for these values.
    void dryRunSendsOnlyTheQueryAndShowsTheDialogsFrames_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("frames");
        QTest::newRow("output format")
            << QByteArray("\"output_format\": \"RS232\"") << QStringList{"05 06 05 12 02"};
        QTest::newRow("card input format")
            << QByteArray("\"card_input_format\": \"2h3D+4h5d\"") << QStringList{"05 08 05 16 04"};
        QTest::newRow("enter, line feed")
            << QByteArray("\"enter\": \"No enter\", \"line_feed\": \"Line Feed\"")
            << QStringList{"05 0A 06 16 00 01"};
        QTest::newRow("barcode prefix hex") << QByteArray("\"barcode_prefix\": {\"hex\": \"0d0a\"}")
                                            << QStringList{"05 0C 07 31 02 0D 0A"};
        QTest::newRow("barcode suffix text") << QByteArray("\"barcode_suffix\": {\"text\": \"X!\"}")
                                             << QStringList{"05 0E 07 95 02 58 21"};
        QTest::newRow("light, working mode, horn")
            << QByteArray("\"light\": \"Detect the light\", \"working_mode\": \"Single mode\", "
                          "\"horn\": \"Open\"")
            << QStringList{"05 12 05 1D 01", "05 16 05 21 01", "05 10 05 1C 02"}; // in key order
        QTest::newRow("qr code") << QByteArray(
                                        "\"card_number_format\": \"2H3D+4H5D\", \"start_bit\": 50")
                                 << QStringList{"05 2A 06 69 02 32"};
        QTest::newRow("card affix text")
            << QByteArray("\"card_output_format\": \"ASCII\", \"card_prefix\": {\"text\": \"AB\"}")
            << QStringList{"05 2C 09 C0 01 02 41 42 00"};
        QTest::newRow("card affix hex")
            << QByteArray("\"card_output_format\": \"hex\", \"card_prefix\": {\"hex\": \"0a1b\"}, "
                          "\"card_suffix\": {\"hex\": \"ff\"}")
            << QStringList{"05 2C 0A 62 00 02 0A 1B 01 FF"};
        QTest::newRow("nothing differs") << QByteArray("\"horn\": \"Close\"") << QStringList{};
    }

    void dryRunSendsOnlyTheQueryAndShowsTheDialogsFrames() {
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, frames);
        SimReaders sims;
        const QString pty = sims.Start();
        QVERIFY(!pty.isEmpty());
        const QString profile = Profile(m_dir, QStringLiteral("dry.json"), settings);

        CtlResult r = RunCtl({"apply", "--dry-run", "--port", pty, profile});
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        const QString expected = frames.isEmpty() ? QString() : frames.join(u'\n') + u'\n';
        QCOMPARE(QString::fromLatin1(r.out), expected);

        r = RunCtl({"apply", "--dry-run", "--json", "--port", pty, profile});
        QCOMPARE(r.exitCode, 0);
        QStringList json;
        for (const QJsonValue& frame : r.JsonArray()[0][QStringLiteral("frames")].toArray()) {
            json << frame.toString();
        }
        QCOMPARE(json, frames);
        const auto outcomes = Outcomes(r.JsonArray()[0].toObject());
        QCOMPARE(QSet<QString>(outcomes.begin(), outcomes.end()),
                 QSet<QString>{frames.isEmpty() ? "unchanged" : "would_send"});
        // Two parameter queries, one per run, and nothing else.
        QTest::qWait(100);
        const QString log = sims[0].Output();
        QCOMPARE(log.count(QStringLiteral("serial rx [4] 05 01 04 0A")), 2);
        QCOMPARE(sims.FramesSeen(0), 2);
    }

    // Every fault gives its outcome; a setting that did not take is never reported verified.
    void simulatorFaults_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("hornOutcome");
        QTest::addColumn<QString>("error");
        QTest::newRow("silent horn")
            << QStringList{"--silent", "0x16"} << QStringList{"horn=Open"} << 3 << "no_reply"
            << "did not take: horn";
        QTest::newRow("stale horn")
            << QStringList{"--stale", "0x16"} << QStringList{"horn=Open"} << 4 << "mismatch"
            << "did not take: horn";
        QTest::newRow("stale horn, light fine")
            << QStringList{"--stale", "22"} << QStringList{"horn=Open", "light=Detect the light"}
            << 4 << "mismatch"
            << "did not take: horn";
        QTest::newRow("late replies, in time")
            << QStringList{"--reply-delay", "300"} << QStringList{"horn=Open"} << 0 << "verified"
            << "";
        QTest::newRow("short parameter reply")
            << QStringList{"--param-reply", "short"} << QStringList{"horn=Open"} << 3 << "not_sent"
            << "reading the reader's parameters: an incomplete reply of 6 bytes";
        QTest::newRow("garbled parameter reply")
            << QStringList{"--param-reply", "garbled"} << QStringList{"horn=Open"} << 3
            << "not_sent"
            << "reading the reader's parameters: the reply ended after 183 bytes, not 182";
        QTest::newRow("silent after the first query")
            << QStringList{"--stop-after", "1"} << QStringList{"horn=Open"} << 3 << "no_reply"
            << "reading the reader's parameters back: no reply";
        QTest::newRow("answers the setting, not the read-back")
            << QStringList{"--stop-after", "2"} << QStringList{"horn=Open"} << 3 << "not_verifiable"
            << "reading the reader's parameters back: no reply";
        QTest::newRow("never answers the query")
            << QStringList{"--silent", "1"} << QStringList{"horn=Open"} << 3 << "not_sent"
            << "reading the reader's parameters: no reply";
    }

    void simulatorFaults() {
        QFETCH(QStringList, simArgs);
        QFETCH(QStringList, settings);
        QFETCH(int, exitCode);
        QFETCH(QString, hornOutcome);
        QFETCH(QString, error);
        SimReaders sims;
        const QString pty = sims.Start(simArgs);
        QVERIFY(!pty.isEmpty());

        const CtlResult r = RunCtl(QStringList{"set", "--json", "--port", pty} + settings);
        QVERIFY2(r.exitCode == exitCode, qPrintable(Show(r)));
        // The failure is also said where diagnostics go.
        QCOMPARE(QString::fromLocal8Bit(r.err),
                 error.isEmpty() ? QString()
                                 : QStringLiteral("tessaroctl: %1: failed: %2\n").arg(pty, error));
        const QJsonObject port = r.JsonArray()[0].toObject();
        QCOMPARE(port[QStringLiteral("ok")].toBool(), exitCode == 0);
        QCOMPARE(port[QStringLiteral("error")].toString(), error);
        const auto outcomes = Outcomes(port);
        QCOMPARE(outcomes.value(QStringLiteral("horn")), hornOutcome);
        if (outcomes.contains(QStringLiteral("light"))) {
            QCOMPARE(outcomes.value(QStringLiteral("light")), QStringLiteral("verified"));
        }
        // A failed read is never shown as values, and no setting is sent on one.
        if (hornOutcome == QLatin1String("not_sent")) {
            for (const QJsonValue& setting : port[QStringLiteral("settings")].toArray()) {
                QVERIFY(setting[QStringLiteral("reader_before")].isNull());
            }
            QVERIFY(!sims[0].Output().contains(QStringLiteral("serial rx [5] 05 16 05 21 01")));
        }
        // The read-only commands meet the same faults.
        if (simArgs.contains(QStringLiteral("--param-reply"))) {
            QCOMPARE(RunCtl({"get", "--port", pty}).exitCode, 3);
        }
    }

    // A reader heard only at the speed it holds: every way of taking the new speed ends with
    // the reader found and named, in the text and in the JSON.
    void speedChangesEndWhereTheReaderAnswers_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("baudOutcome");
        QTest::addColumn<int>("answersAt");
        QTest::addColumn<QString>("said");
        const QString moved = QStringLiteral("ok: 2 verified; the reader answers at 19200 8N1");
        const QString kept =
            QStringLiteral("failed: did not take: baud_rate; the reader still answers at 9600 8N1");
        QTest::newRow("answers and switches") << "" << 0 << "verified" << 19200 << moved;
        QTest::newRow("answers, does not switch")
            << "answers-no-switch" << 4 << "mismatch" << 9600 << kept;
        QTest::newRow("switches without answering")
            << "switches-no-answer" << 0 << "verified" << 19200 << moved;
        QTest::newRow("ignores it") << "ignores" << 4 << "mismatch" << 9600 << kept;
        QTest::newRow("switches before its reply leaves")
            << "switches-early" << 0 << "verified" << 19200 << moved;
    }

    void speedChangesEndWhereTheReaderAnswers() {
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        QFETCH(QString, baudOutcome);
        QFETCH(int, answersAt);
        QFETCH(QString, said);
        QStringList simArgs{QStringLiteral("--strict-baud")};
        if (!fault.isEmpty()) {
            simArgs << QStringLiteral("--serial-params-fault") << fault;
        }
        SimReaders sims;
        const QString pty = sims.Start(simArgs);
        QVERIFY(!pty.isEmpty());
        const QString profile = Profile(m_dir, QStringLiteral("speed.json"),
                                        "\"baud_rate\": 19200, \"horn\": \"Open\"");

        const QString pcap = m_dir.filePath(QStringLiteral("speed.pcapng"));
        CtlResult r = RunCtl({"apply", "--pcap", pcap, "--port", pty, profile});
        QVERIFY2(r.exitCode == exitCode, qPrintable(Show(r)));
        const QString text = QString::fromLocal8Bit(exitCode == 0 ? r.out : r.err);
        QVERIFY2(text.contains(said), qPrintable(Show(r)));
        // The capture names every framing the port was opened at.
        QFile capture(pcap);
        QVERIFY(capture.open(QIODevice::ReadOnly));
        QVERIFY(capture.readAll().contains(pty.toUtf8() + " at 9600,n,8,1; 19200,n,8,1"));

        // Run again: the reader is found where the first run left it.
        r = RunCtl({"apply", "--json", "--port", pty, profile});
        QVERIFY2(r.exitCode == exitCode, qPrintable(Show(r)));
        const QJsonObject port = r.JsonArray()[0].toObject();
        QCOMPARE(
            port[QStringLiteral("answers_at")].toObject(),
            (QJsonObject{
                {"baud_rate", answersAt}, {"data_bits", 8}, {"stop_bits", 1}, {"parity", "NONE"}}));
        QCOMPARE(Outcomes(port).value(QStringLiteral("baud_rate")),
                 exitCode == 0 ? QStringLiteral("unchanged") : baudOutcome);
    }

    void aVanishedPortEndsTheRunWithTheKeyNamed() {
        SimReaders sims;
        const QString pty = sims.Start({QStringLiteral("--silent"), QStringLiteral("0x16")});
        QVERIFY(!pty.isEmpty());
        QProcess ctl;
        ctl.start(QStringLiteral(TESSAROCTL_PATH),
                  {"set", "--port", pty, "horn=Open", "light=Detect the light"});
        QVERIFY(ctl.waitForStarted());
        // The horn command waits for a reply that will not come; the reader goes away.
        QTRY_VERIFY_WITH_TIMEOUT(sims[0].Output().contains(QStringLiteral("05 16 05 21 01")), 5000);
        ::kill(pid_t(sims[0].Pid()), SIGKILL);
        QVERIFY(ctl.waitForFinished(5000));
        QCOMPARE(ctl.exitCode(), 2);
        const QByteArray out = ctl.readAllStandardOutput();
        const QByteArray err = ctl.readAllStandardError();
        QVERIFY2(err.contains("failed: the port was lost while sending horn"), err.constData());
        QVERIFY2(!out.contains("failed"), out.constData());
        // The key whose command never went out says so.
        QVERIFY2(out.contains("Detect the light  not_sent"), out.constData());
    }

    void recordsKeepCountAndRead() {
        SimReaders sims;
        const QString pty = sims.Start();
        QVERIFY(!pty.isEmpty());
        QFile text(m_dir.filePath(QStringLiteral("record.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("a\nb");
        text.close();
        const QString trace = m_dir.filePath(QStringLiteral("keep.txt"));
        struct Step {
            QStringList args;
            QByteArray out;
        };
        const Step steps[] = {
            {{"total"}, "0\n"},
            {{"keep", text.fileName(), "--trace", trace}, "kept 1 chunks\n"},
            {{"total"}, "1\n"},
            {{"read"}, "hex: 05 31 0A 31 61 0D 0A 62 0D 0A\ntext:\na\nb\n"},
        };
        for (const Step& step : steps) {
            const CtlResult r = RunCtl(QStringList{"records", "--port", pty} + step.args);
            QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
            QCOMPARE(r.out, step.out);
        }
        // The dialog's chunk for "a\nb": the line break travels as CR LF.
        QFile file(trace);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readLine().startsWith("tessaroctl " TESSARO_VERSION
                                           " frame log, first entry at "));
        const QByteArray sent = file.readLine();
        QVERIFY2(sent.contains(" | tx | serial " + pty.toLatin1() +
                               " | Keep a record | - | 05 32 A4 B5 61 0D 0A 62" +
                               QByteArray(" 00").repeated(156) + "\n"),
                 sent.constData());
    }

    // A late reply left on the line by an earlier run is never the next command's reply.
    void lateRepliesOfAnEarlierRunAreNotTaken() {
        SimReaders sims;
        const QString pty = sims.Start({"--reply-delay", "2600", "--silent", "0x32"});
        QVERIFY(!pty.isEmpty());
        CtlResult r = RunCtl({"get", "--port", pty});
        QVERIFY2(r.exitCode == 3, qPrintable(Show(r)));
        // Both parameter queries are answered once get has given up.
        QTRY_COMPARE_WITH_TIMEOUT(sims[0].Output().count(QStringLiteral("serial tx [182]")), 2,
                                  5000);
        QFile text(m_dir.filePath(QStringLiteral("late.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("a");
        text.close();
        r = RunCtl({"records", "--port", pty, "keep", text.fileName()});
        QVERIFY2(r.exitCode == 3, qPrintable(Show(r)));
        QVERIFY2(r.err.contains("no reply after 0 of 1 frames"), qPrintable(Show(r)));
        QVERIFY(r.out.isEmpty());
    }

    // The count is 32 bits after the header; bytes that were there before the command are not it.
    void recordCountIsReadFromItsOwnReply_data() {
        QTest::addColumn<QByteArray>("stale");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QByteArray three = QByteArray::fromHex("052F0A5803000000"
                                                     "0D0A");
        const QByteArray seven = QByteArray::fromHex("052F0A5C07000000"
                                                     "0D0A");
        QTest::newRow("a stale count") << seven << three << 0 << QByteArray("3\n") << QByteArray();
        QTest::newRow("a stale parameter record")
            << HandParamReply() << three << 0 << QByteArray("3\n") << QByteArray();
        QTest::newRow("a parameter record for an answer")
            << QByteArray() << HandParamReply() << 3 << QByteArray()
            << QByteArray("a reply of 182 bytes is not a record count: 05 02 B6 00 03 02");
        QTest::newRow("a short answer")
            << QByteArray() << QByteArray::fromHex("052F0A0D0A") << 3 << QByteArray()
            << QByteArray("a reply of 5 bytes is not a record count");
    }

    void recordCountIsReadFromItsOwnReply() {
        QFETCH(QByteArray, stale);
        QFETCH(QByteArray, reply);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        ReaderPty reader;
        QVERIFY(reader.isOpen());
        reader.write(stale); // waits in the line's input until someone opens it
        QProcess ctl;
        ctl.start(QStringLiteral(TESSAROCTL_PATH), {"records", "--port", reader.path(), "total"});
        QVERIFY(ctl.waitForStarted());
        QCOMPARE(reader.read(4).toHex(' '), QByteArray("05 2e 04 37"));
        reader.write(reply);
        QVERIFY(ctl.waitForFinished(5000));
        QCOMPARE(ctl.exitCode(), exitCode);
        QCOMPARE(ctl.readAllStandardOutput(), out);
        const QByteArray said = ctl.readAllStandardError();
        QVERIFY2(err.isEmpty() ? said.isEmpty() : said.contains(err), said.constData());
    }

    // The manual's example, run as written, with the readers' card affixes differing.
    void theManualsCopyExampleWorks() {
        SimReaders sims;
        const QString a = sims.Start();
        const QString b = sims.Start();
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        CtlResult r = RunCtl({"set", "--port", a, "card_output_format=ASCII", "card_prefix=text:ID",
                              "card_suffix=hex:0d0a", "horn=Open"});
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));

        QFile manual(QStringLiteral(TESSARO_SOURCE_DIR "/packaging/tessaroctl.1"));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(manual.readAll());
        const qsizetype copy = page.indexOf(QStringLiteral("Copy one reader's settings"));
        QVERIFY(copy > 0);
        const QString example = page.mid(page.indexOf(QStringLiteral(".nf\n"), copy) + 4)
                                    .section(QStringLiteral(".fi\n"), 0, 0)
                                    .replace(QStringLiteral("\\-"), QStringLiteral("-"));
        QDir dir(m_dir.path());
        const QStringList commands = example.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(commands.size(), 2);
        for (QString command : commands) {
            QVERIFY(command.startsWith(QStringLiteral("tessaroctl ")));
            command.replace(QStringLiteral("/dev/ttyUSB0"), a)
                .replace(QStringLiteral("/dev/ttyUSB1"), b);
            r = RunCtl(command.split(u' ').mid(1), 30000, m_dir.path());
            QVERIFY2(r.exitCode == 0, qPrintable(command + u'\n' + Show(r)));
        }
        r = RunCtl({"get", "--port", b, "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject settings =
            r.JsonObject()[QStringLiteral("profile")][QStringLiteral("settings")].toObject();
        QCOMPARE(settings[QStringLiteral("card_prefix")].toObject(), (QJsonObject{{"text", "ID"}}));
        QCOMPARE(settings[QStringLiteral("card_suffix")].toObject(),
                 (QJsonObject{{"hex", "0d0a"}}));
        QCOMPARE(settings[QStringLiteral("horn")].toString(), QStringLiteral("Open"));
    }

    // The example as the manual prints it, against a reader heard only at its own speed.
    void theManualsSpeedChangeExampleWorks() {
        SimReaders sims;
        const QString pty = sims.Start({QStringLiteral("--strict-baud")});
        QVERIFY(!pty.isEmpty());
        QFile manual(QStringLiteral(TESSARO_SOURCE_DIR "/packaging/tessaroctl.1"));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(manual.readAll());
        const qsizetype at = page.indexOf(QStringLiteral("Change a reader's speed"));
        QVERIFY(at > 0);
        const QStringList commands = page.mid(page.indexOf(QStringLiteral(".nf\n"), at) + 4)
                                         .section(QStringLiteral(".fi\n"), 0, 0)
                                         .replace(QStringLiteral("\\-"), QStringLiteral("-"))
                                         .replace(QStringLiteral("/dev/ttyUSB0"), pty)
                                         .split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(commands.size(), 2);
        CtlResult r;
        for (const QString& command : commands) {
            QVERIFY(command.startsWith(QStringLiteral("tessaroctl ")));
            r = RunCtl(command.split(u' ').mid(1));
            QVERIFY2(r.exitCode == 0, qPrintable(command + u'\n' + Show(r)));
        }
        QCOMPARE(QString::fromLocal8Bit(r.err),
                 QStringLiteral("tessaroctl: %1: reader found at 19200 baud\n").arg(pty));
        QVERIFY(QString::fromLocal8Bit(r.out).contains(QRegularExpression(
            QStringLiteral("^baud_rate +19200$"), QRegularExpression::MultilineOption)));

        // The speed found is in the JSON too; the other commands find it as well.
        r = RunCtl({"get", "--json", "--baud", "auto", "--port", pty});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.JsonObject()[QStringLiteral("answers_at")][QStringLiteral("baud_rate")].toInt(),
                 19200);
        r = RunCtl({"records", "--baud", "auto", "--port", pty, "total"});
        QVERIFY2(r.exitCode == 0 && r.out == "0\n", qPrintable(Show(r)));
        r = RunCtl({"set", "--json", "--baud", "auto", "--port", pty, "horn=Open"});
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        QCOMPARE(Outcomes(r.JsonArray()[0].toObject()).value(QStringLiteral("horn")),
                 QStringLiteral("verified"));
        // Without auto the reader is not heard at 9600.
        QCOMPARE(RunCtl({"get", "--port", pty}).exitCode, 3);
    }

    // A profile that cannot say the card output format is refused, says how to give it, and
    // sends nothing.
    void cardAffixesWithoutTheirOutputFormatAreRefused() {
        SimReaders sims;
        const QString a = sims.Start();
        const QString b = sims.Start();
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        QCOMPARE(
            RunCtl({"set", "--port", a, "card_output_format=hex", "card_prefix=text:ID"}).exitCode,
            0);
        const QString copy = m_dir.filePath(QStringLiteral("no-format.json"));
        QCOMPARE(RunCtl({"get", "--port", a, "--out", copy}).exitCode, 0);
        const CtlResult r = RunCtl({"apply", "--json", "--port", b, copy});
        QVERIFY2(r.exitCode == 5, qPrintable(Show(r)));
        QVERIFY2(r.err.contains("tessaroctl get --card-output-format hex|ASCII"),
                 qPrintable(Show(r)));
        const auto outcomes = Outcomes(r.JsonArray()[0].toObject());
        QCOMPARE(outcomes.value(QStringLiteral("card_prefix")), QStringLiteral("refused"));
        QCOMPARE(outcomes.value(QStringLiteral("horn")), QStringLiteral("unchanged"));
        QTRY_COMPARE(sims.FramesSeen(1), 1); // the parameter query
        const CtlResult set = RunCtl({"set", "--port", b, "card_prefix=text:ID"});
        QCOMPARE(set.exitCode, 5);
        QVERIFY2(set.err.contains("give card_output_format=hex or card_output_format=ASCII"),
                 qPrintable(Show(set)));
    }

    // Ctrl-C or SIGTERM: the command in flight ends, nothing more goes out, the reader is read
    // back and reported; a second Ctrl-C ends at once.
    void aStopSignalEndsTheRunCleanly_data() {
        QTest::addColumn<QList<int>>("stops");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("reported");
        QTest::newRow("Ctrl-C") << QList<int>{SIGINT} << 130 << true;
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM} << 143 << true;
        QTest::newRow("Ctrl-C twice") << QList<int>{SIGINT, SIGINT} << 130 << false;
    }

    void aStopSignalEndsTheRunCleanly() {
        QFETCH(QList<int>, stops);
        QFETCH(int, exitCode);
        QFETCH(bool, reported);
        SimReaders sims;
        const QString pty = sims.Start({QStringLiteral("--silent"), QStringLiteral("0x16")});
        QVERIFY(!pty.isEmpty());
        QProcess ctl;
        ctl.start(QStringLiteral(TESSAROCTL_PATH),
                  {"set", "--port", pty, "horn=Open", "light=Detect the light"});
        QVERIFY(ctl.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(sims[0].Output().contains(QStringLiteral("05 16 05 21 01")), 5000);
        for (qsizetype i = 0; i < stops.size(); ++i) {
            if (i > 0) {
                QTest::qWait(100); // two of the same signal at once would arrive as one
            }
            ::kill(pid_t(ctl.processId()), stops[i]);
        }
        QTRY_COMPARE_WITH_TIMEOUT(ctl.state(), QProcess::NotRunning, 10000);
        QCOMPARE(ctl.exitStatus(), QProcess::NormalExit);
        QCOMPARE(ctl.exitCode(), exitCode);
        const QByteArray out = ctl.readAllStandardOutput();
        const QByteArray err = ctl.readAllStandardError();
        QTest::qWait(200);
        const QString seen = sims[0].Output();
        QCOMPARE(seen.count(QStringLiteral("05 16 05 21 01")), 1); // not even its retry
        QVERIFY(!seen.contains(QStringLiteral("05 10 05 1C 02"))); // light never went out
        if (!reported) {
            QVERIFY2(out.isEmpty(), out.constData());
            return;
        }
        QCOMPARE(seen.count(QStringLiteral("serial rx [4] 05 01 04 0A")), 2); // read back
        QVERIFY2(out.contains("Close -> Open  no_reply (reads Close)\n"), out.constData());
        QVERIFY2(out.contains("Detect the light  not_sent (reads turn off(Sweeping light))\n"),
                 out.constData());
        QVERIFY2(err.contains("failed: stopped before sending light; did not take: horn\n"),
                 err.constData());
    }

    // A bare name that is a file here is that file, not a device under /dev.
    void aPortInTheCurrentDirectory() {
        SimReaders sims;
        const QString pty = sims.Start();
        QVERIFY(!pty.isEmpty());
        QTemporaryDir here;
        QVERIFY(QFile::link(pty, here.filePath(QStringLiteral("rel-reader"))));
        const CtlResult r = RunCtl({"get", "--port", "rel-reader"}, 30000, here.path());
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
    }

    // A profile that cannot be written is said so with its own code; the old file stays.
    void anOutFileThatCannotBeWritten() {
        SimReaders sims;
        const QString pty = sims.Start();
        QVERIFY(!pty.isEmpty());
        const QString out = m_dir.filePath(QStringLiteral("none/door.json"));
        const CtlResult r = RunCtl({"get", "--json", "--port", pty, "--out", out});
        QCOMPARE(r.exitCode, 6);
        QVERIFY2(r.err.contains("cannot write " + out.toLocal8Bit()), qPrintable(Show(r)));
        QCOMPARE(r.JsonObject()[QStringLiteral("ok")].toBool(true), false);
    }

    void traceFindAndPorts() {
        SimReaders sims;
        const QString pty = sims.Start();
        QVERIFY(!pty.isEmpty());
        const QString trace = m_dir.filePath(QStringLiteral("trace.txt"));
        const CtlResult got = RunCtl({"get", "--port", pty, "--trace", trace});
        QCOMPARE(got.exitCode, 0);
        QVERIFY2(got.err.isEmpty(), got.err.constData()); // the trace is opened once
        QFile file(trace);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 3);
        const QRegularExpression header(QStringLiteral(
            "^tessaroctl " TESSARO_VERSION " frame log, first entry at \\d{4}-\\d\\d-\\d\\d "
            "\\d\\d:\\d\\d:\\d\\d\\.\\d{3} UTC, times in ms since the first entry$"));
        QVERIFY2(header.match(lines[0]).hasMatch(), qPrintable(lines[0]));
        QCOMPARE(lines[1], QStringLiteral("0.000 | tx | serial ") + pty +
                               QStringLiteral(" | Get parameter | - | 05 01 04 0A"));
        // The reply may arrive in pieces; each is marked on its own bytes.
        const QRegularExpression received(
            QStringLiteral("^\\d+\\.\\d{3} \\| rx \\| serial ") + QRegularExpression::escape(pty) +
            QStringLiteral(" \\| [^|]+ \\| (ok|part|short) \\|( [0-9A-F]{2})+$"));
        for (qsizetype i = 2; i < lines.size(); ++i) {
            QVERIFY2(received.match(lines[i]).hasMatch(), qPrintable(lines[i]));
        }
        QVERIFY2(lines[2].contains(QStringLiteral(" | Parameter record | ")), qPrintable(lines[2]));

        // Every port named must answer: the one that cannot be opened decides.
        CtlResult r = RunCtl({"find", "--port", pty, "--port", "/dev/tessaro-no-such-port"});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.out.split('\n')[0], (pty + QStringLiteral("  9600")).toLatin1());
        r = RunCtl({"find", "--json", "--port", "/dev/tessaro-no-such-port"});
        QCOMPARE(r.exitCode, 2);
        const QJsonObject missing = r.JsonArray()[0].toObject();
        QVERIFY(missing[QStringLiteral("baud")].isNull());
        QVERIFY(
            missing[QStringLiteral("error")].toString().startsWith(QStringLiteral("cannot open")));

        r = RunCtl({"ports", "--json"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QJsonDocument::fromJson(r.out).isArray());
        const QStringList keys{"description", "manufacturer",  "pid",
                               "port",        "serial_number", "vid"};
        for (const QJsonValue& port : r.JsonArray()) {
            QCOMPARE(port.toObject().keys(), keys);
        }
    }
};

QTEST_GUILESS_MAIN(TessaroctlTest)
#include "tessaroctl_test.moc"
