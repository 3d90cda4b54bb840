// tessaroctl discover on the fixed announcement port, with two simulated readers on loopback.
#include "tests/support/CtlProcess.h"

#include <QTest>

class TessaroctlDiscoverTest : public QObject {
    Q_OBJECT

private slots:
    void listsEachAnnouncingReaderOnce() {
        QProcess ctl;
        ctl.start(QStringLiteral(TESSAROCTL_PATH),
                  {QStringLiteral("discover"), QStringLiteral("--seconds"), QStringLiteral("5"),
                   QStringLiteral("--json")});
        QVERIFY(ctl.waitForStarted());
        QTest::qWait(300); // bound before the first announcement
        // Each announces at start and again 2 s later, both within the 5 s: listed once.
        SimProcess a;
        SimProcess b;
        const QStringList common{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                 QStringLiteral("--target"), QStringLiteral("127.0.0.1:24583")};
        QVERIFY(a.Start(common + QStringList{QStringLiteral("--name"), QStringLiteral("Door-A")}));
        QVERIFY(b.Start(common + QStringList{QStringLiteral("--name"), QStringLiteral("Door-B"),
                                             QStringLiteral("--config"),
                                             QStringLiteral(CLI_TEST_DIR "/second-reader.json")}));
        QVERIFY(ctl.waitForFinished(15000));
        QCOMPARE(ctl.exitCode(), 0);
        const QJsonArray readers = QJsonDocument::fromJson(ctl.readAllStandardOutput()).array();
        QCOMPARE(readers.size(), 2);
        const QJsonObject expected[] = {
            {{"name", "Door-A"},
             {"address", "127.0.0.1"},
             {"network_mode", "Fixed IP"},
             {"network_mode_value", 0},
             {"ip", "192.168.0.100"},
             {"mask", "255.255.255.0"},
             {"gateway", "192.168.0.1"},
             {"dns1", "114.114.114.114"},
             {"dns2", "8.8.8.8"},
             {"server", "server.example.com"},
             {"server_port", 80},
             {"http_server", "PHP"},
             {"http_server_value", 0}},
            {{"name", "Door-B"},
             {"address", "127.0.0.1"},
             {"network_mode", "Automatic acquisition"},
             {"network_mode_value", 1},
             {"ip", "10.1.2.3"},
             {"mask", "255.255.0.0"},
             {"gateway", "10.1.0.1"},
             {"dns1", "1.1.1.1"},
             {"dns2", "9.9.9.9"},
             {"server", "cloud.example.org"},
             {"server_port", 8080},
             {"http_server", "CGI"},
             {"http_server_value", 4}},
        };
        QCOMPARE(readers[0].toObject(), expected[0]);
        QCOMPARE(readers[1].toObject(), expected[1]);
    }
};

QTEST_GUILESS_MAIN(TessaroctlDiscoverTest)
#include "tessaroctl_discover_test.moc"
