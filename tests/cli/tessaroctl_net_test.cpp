// tessaroctl net against simulated readers that each listen at their own loopback address and
// move when told: tessaroctl hears them on the fixed announcement port.
#include "tests/support/CtlProcess.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString SECONDS = QStringLiteral("2.5");

// A reader at ip, announcing to tessaroctl's port; extra: fault options.
bool StartReader(SimProcess& sim, const QString& name, const QString& ip,
                 const QStringList& extra = {}) {
    return sim.Start(QStringList{QStringLiteral("--own-address"), QStringLiteral("--config"),
                                 QStringLiteral(CLI_TEST_DIR "/loopback-reader.json"),
                                 QStringLiteral("--name"), name, QStringLiteral("--ip"), ip,
                                 QStringLiteral("--target"), QStringLiteral("127.0.0.1:24583")} +
                     extra);
}

// tessaroctl while the simulators' logs are read, so that their output pipes never fill.
CtlResult RunNet(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TESSAROCTL_PATH), arguments);
    CtlResult result;
    const QDeadlineTimer deadline(60000);
    while (!process.waitForFinished(20)) {
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning) {
            break;
        }
        QCoreApplication::processEvents();
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

int Received(SimProcess& sim) {
    QTest::qWait(300); // lets the simulator's log in
    return int(sim.Output().count(QStringLiteral("udp rx")));
}

QJsonObject Setting(const QJsonObject& entry, const QString& key) {
    for (const QJsonValue& s : entry.value(QStringLiteral("settings")).toArray()) {
        if (s.toObject().value(QStringLiteral("key")).toString() == key) {
            return s.toObject();
        }
    }
    return {};
}

} // namespace

class TessaroctlNetTest : public QObject {
    Q_OBJECT

private slots:
    void movesAnAddressAndProvesIt();
    void eachFaultGivesItsOutcome();
    void refusalsSendNothing();
    void csvOfTwentyReaders();
};

void TessaroctlNetTest::movesAnAddressAndProvesIt() {
    SimProcess sim;
    QVERIFY(StartReader(sim, QStringLiteral("Gate-A"), QStringLiteral("127.0.0.2"),
                        {QStringLiteral("--announce-every"), QStringLiteral("0.5")}));
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("door-a.json"));

    CtlResult get = RunNet(
        {"net", "get", "--device", "Gate-A", "--seconds", SECONDS, "--json", "--out", saved});
    QCOMPARE(get.exitCode, 0);
    const QJsonObject before = get.JsonArray().at(0).toObject();
    QCOMPARE(before.value("address").toString(), QStringLiteral("127.0.0.2"));
    QCOMPARE(before.value("settings").toObject(),
             (QJsonObject{{"network_mode", "Fixed IP"},
                          {"network_mode_value", 0},
                          {"ip", "127.0.0.2"},
                          {"mask", "255.0.0.0"},
                          {"gateway", "127.0.0.1"},
                          {"dns1", "114.114.114.114"},
                          {"dns2", "8.8.8.8"},
                          {"server_address", "server.example.com"},
                          {"server_port", 80},
                          {"http_server", "PHP"},
                          {"http_server_value", 0}}));

    // The two datagrams, worked out by hand: the name, then every field kept but the address.
    const CtlResult dry = RunNet(
        {"net", "set", "--device", "Gate-A", "--seconds", SECONDS, "--dry-run", "ip=127.0.0.3"});
    QCOMPARE(dry.exitCode, 0);
    QCOMPARE(
        QString::fromLatin1(dry.out),
        QString::fromLatin1("05 20 64 00\n"
                            "47 61 74 65 2D 41 00 00 00 00 00 00 00 00 00 00 " // Gate-A
                            "00 00 00 00 03 00 00 7F 00 00 00 FF 01 00 00 7F " // mode, ip, mask, gw
                            "72 72 72 72 08 08 08 08 "                         // DNS
                            "73 65 72 76 65 72 2E 65 78 61 6D 70 6C 65 2E 63 6F 6D") +
            QStringLiteral(" 00").repeated(30) + QStringLiteral(" 50 00 00 00 00 00 00 00\n"));
    QCOMPARE(Received(sim), 0);

    const CtlResult set = RunNet(
        {"net", "set", "--device", "Gate-A", "--seconds", SECONDS, "--json", "ip=127.0.0.3"});
    QVERIFY2(set.exitCode == 0, set.err.constData());
    const QJsonObject entry = set.JsonArray().at(0).toObject();
    QCOMPARE(entry.value("address").toString(), QStringLiteral("127.0.0.3"));
    QCOMPARE(entry.value("ok").toBool(), true);
    QVERIFY(entry.value("error").isNull());
    QCOMPARE(Setting(entry, "ip"), (QJsonObject{{"key", "ip"},
                                                {"requested", "127.0.0.3"},
                                                {"reader_before", "127.0.0.2"},
                                                {"reader_after", "127.0.0.3"},
                                                {"outcome", "verified"}}));
    QTRY_VERIFY(sim.Output().contains(QStringLiteral("moved from 127.0.0.2 to 127.0.0.3")));

    // The file net get wrote sets the reader back where it was.
    const CtlResult back = RunNet(
        {"net", "set", "--address", "127.0.0.3", "--seconds", SECONDS, "--json", "--from", saved});
    QCOMPARE(back.exitCode, 0);
    const QJsonArray settings = back.JsonArray().at(0).toObject().value("settings").toArray();
    QCOMPARE(settings.size(), 9);
    QCOMPARE(Setting(back.JsonArray().at(0).toObject(), "ip").value("outcome").toString(),
             QStringLiteral("verified"));
    QCOMPARE(Setting(back.JsonArray().at(0).toObject(), "dns1").value("outcome").toString(),
             QStringLiteral("unchanged"));
    QCOMPARE(back.JsonArray().at(0).toObject().value("address").toString(),
             QStringLiteral("127.0.0.2"));
}

void TessaroctlNetTest::eachFaultGivesItsOutcome() {
    struct Row {
        const char* name;
        QStringList fault;
        int exitCode;
        const char* outcome;
        const char* error; // how error begins
        const char* address;
    };
    const Row rows[] = {
        {"no confirmation",
         {"--net-fault", "no-confirm"},
         3,
         "no_reply",
         "no confirmation, and heard with its old values at 127.0.0.12",
         "127.0.0.12"},
        {"confirmed, old address kept",
         {"--net-fault", "unchanged"},
         4,
         "mismatch",
         "it confirmed, but announces other values than those sent",
         "127.0.0.12"},
        {"announced after the wait",
         {"--announce-delay", "4000"},
         3,
         "no_reply",
         "it confirmed, and not heard again within 2.5 s: last known at 127.0.0.12, intended "
         "127.0.0.13",
         "127.0.0.12"},
        {"announced late, within the wait",
         {"--announce-delay", "1000"},
         0,
         "verified",
         "",
         "127.0.0.13"},
    };
    for (const Row& row : rows) {
        SimProcess sim;
        QVERIFY2(StartReader(sim, QStringLiteral("Gate-F"), QStringLiteral("127.0.0.12"),
                             row.fault + QStringList{"--announce-every", "0.5"}),
                 row.name);
        const CtlResult set = RunNet(
            {"net", "set", "--device", "Gate-F", "--seconds", SECONDS, "--json", "ip=127.0.0.13"});
        const QJsonObject entry = set.JsonArray().at(0).toObject();
        QVERIFY2(set.exitCode == row.exitCode, qPrintable(QStringLiteral("%1: exit %2, %3")
                                                              .arg(row.name)
                                                              .arg(set.exitCode)
                                                              .arg(QString::fromUtf8(set.err))));
        QCOMPARE(Setting(entry, "ip").value("outcome").toString(),
                 QString::fromLatin1(row.outcome));
        QCOMPARE(entry.value("error").toString(), QString::fromLatin1(row.error));
        QCOMPARE(entry.value("address").toString(), QString::fromLatin1(row.address));
        if (row.exitCode != 0) {
            QCOMPARE(entry.value("ok").toBool(), false);
        }
        // Both datagrams went out again when no confirmation came.
        QCOMPARE(Received(sim), row.fault[0] == QLatin1String("--net-fault") &&
                                        row.fault[1] == QLatin1String("no-confirm")
                                    ? 4
                                    : 2);
    }
}

void TessaroctlNetTest::refusalsSendNothing() {
    SimProcess a, b, c1, c2;
    const QStringList often{QStringLiteral("--announce-every"), QStringLiteral("0.3")};
    QVERIFY(StartReader(a, QStringLiteral("Gate-A"), QStringLiteral("127.0.0.22"), often));
    QVERIFY(StartReader(b, QStringLiteral("Gate-B"), QStringLiteral("127.0.0.24"), often));
    QVERIFY(StartReader(c1, QStringLiteral("Gate-C"), QStringLiteral("127.0.0.26"), often));
    QVERIFY(StartReader(c2, QStringLiteral("Gate-C"), QStringLiteral("127.0.0.27"), often));
    struct Row {
        QStringList arguments;
        int exitCode;
        const char* message;
    };
    const Row rows[] = {
        {{"--device", "Gate-A", "ip=127.0.300.1"},
         5,
         "ip: \"127.0.300.1\" is not a dotted address a.b.c.d"},
        {{"--device", "Gate-A", "mask=255.0.255.0"},
         5,
         "mask: the mask 255.0.255.0 is not contiguous"},
        {{"--device", "Gate-A", "ip=127.255.255.255"},
         5,
         "ip: 127.255.255.255 is the broadcast address of 127.0.0.0/8"},
        {{"--device", "Gate-A", "ip=127.0.0.0"},
         5,
         "ip: 127.0.0.0 is the network address of 127.0.0.0/8"},
        {{"--device", "Gate-A", "ip=239.1.1.1", "mask=255.255.255.0", "gateway=0.0.0.0"},
         5,
         "ip: 239.1.1.1 is a multicast address"},
        {{"--device", "Gate-A", "gateway=10.0.0.1"},
         5,
         "gateway: the gateway 10.0.0.1 is outside 127.0.0.0/8"},
        {{"--device", "Gate-A", "server_port=70000"},
         5,
         "server_port: \"70000\" is not a port from 1 to 65535"},
        {{"--device", "Gate-A", "server_address=" + QString(48, QLatin1Char('s'))},
         5,
         "server_address: longer than 47 bytes"},
        {{"--device", "Gate-A", "ip=127.0.0.24"},
         5,
         "ip: 127.0.0.24 is already announced by Gate-B at 127.0.0.24, not by Gate-A"},
        {{"--device", "Gate-C", "dns1=1.1.1.1"},
         5,
         "Gate-C is heard from 127.0.0.26 and 127.0.0.27: ambiguous, pick one with --address"},
        {{"--device", "Gate-Z", "dns1=1.1.1.1"},
         3,
         "no reader named Gate-Z was heard within 1 s (readers announce when they start and "
         "after a network change); to set one not heard, give --address, --name and every key"},
        {{"--address", "127.0.0.29", "dns1=1.1.1.1"},
         3,
         "no reader was heard at 127.0.0.29 within 1 s (readers announce when they start and "
         "after a network change); to set one not heard, give --name and every key"},
        // Refused before listening.
        {{"--device", "Gate-A", "hron=1"}, 5, "hron: not a network key"},
    };
    for (const Row& row : rows) {
        const CtlResult r =
            RunNet(QStringList{"net", "set", "--seconds", "1", "--json"} + row.arguments);
        QCOMPARE(r.exitCode, row.exitCode);
        const QJsonObject entry = r.JsonArray().at(0).toObject();
        QCOMPARE(entry.value("ok").toBool(true), false);
        QCOMPARE(entry.value("error").toString(), QString::fromLatin1(row.message));
        QVERIFY(r.err.contains(row.message));
        // Shaped as every net set entry: nothing sent, no key judged.
        QCOMPARE(entry.value("settings"), QJsonValue(QJsonArray{}));
        QCOMPARE(entry.value("elapsed_ms").toInt(-1), 0);
    }
    // Each reader heard every run, and none received a datagram.
    for (SimProcess* sim : {&a, &b, &c1, &c2}) {
        QCOMPARE(Received(*sim), 0);
    }
}

void TessaroctlNetTest::csvOfTwentyReaders() {
    SimProcess sim;
    QVERIFY(sim.Start({"--own-address", "--config", CLI_TEST_DIR "/loopback-reader.json",
                       "--readers", "20", "--ip", "127.0.1.1", "--target", "127.0.0.1:24583",
                       "--announce-every", "0.5"}));
    QTemporaryDir dir;
    QString rows = QStringLiteral("name,ip,server_port\n");
    for (int i = 1; i <= 20; ++i) {
        rows += QStringLiteral("Reader-%1,127.0.2.%1,%2\n").arg(i).arg(i == 7 ? QString() : "8080");
    }
    const QString good = dir.filePath(QStringLiteral("good.csv"));
    const QString duplicate = dir.filePath(QStringLiteral("duplicate.csv"));
    for (const auto& [path, text] :
         {std::pair{good, rows}, std::pair{duplicate, rows + "Reader-20,127.0.2.30,\n"}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    const CtlResult refused =
        RunNet({"net", "set", "--csv", duplicate, "--seconds", "1.5", "--json"});
    QVERIFY2(refused.exitCode == 5, refused.err.constData());
    const QJsonArray refusedRows = refused.JsonArray();
    QCOMPARE(refusedRows.size(), 21);
    QCOMPARE(refusedRows.at(20).toObject().value("error").toString(),
             QStringLiteral("line 22: Reader-20 is already on line 21"));
    QCOMPARE(refusedRows.at(0).toObject().value("error").toString(),
             QStringLiteral("not sent: the file was refused"));
    for (const QJsonValue& row : refusedRows) {
        QCOMPARE(row.toObject().value("settings"), QJsonValue(QJsonArray{}));
    }
    QCOMPARE(Received(sim), 0);

    const CtlResult set = RunNet({"net", "set", "--csv", good, "--seconds", "1.5", "--json"});
    QCOMPARE(set.exitCode, 0);
    const QJsonArray results = set.JsonArray();
    QCOMPARE(results.size(), 20);
    for (int i = 0; i < 20; ++i) {
        const QJsonObject entry = results.at(i).toObject();
        QCOMPARE(entry.value("device").toString(), QStringLiteral("Reader-%1").arg(i + 1));
        QCOMPARE(entry.value("address").toString(), QStringLiteral("127.0.2.%1").arg(i + 1));
        QCOMPARE(Setting(entry, "ip").value("outcome").toString(), QStringLiteral("verified"));
        QCOMPARE(Setting(entry, "server_port").value("outcome").toString(),
                 i == 6 ? QString() : QStringLiteral("verified"));
    }
}

QTEST_GUILESS_MAIN(TessaroctlNetTest)
#include "tessaroctl_net_test.moc"
