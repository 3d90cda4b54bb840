// Announcements as tessaroctl discover reads and shows them, from hand-written records.
#include "cli/Discover.h"
#include "net/UdpPacket.h"

#include <QTest>

#include "tests/support/HexBytes.h"

namespace {

// Name "Door", automatic acquisition, 10.1.2.3/255.255.0.0 via 10.1.0.1, DNS 1.1.1.1 and
// 9.9.9.9, server "srv" port 8080, HTTP server at httpServer.
QByteArray Record(std::uint8_t httpServer, const char* name = "44 6F 6F 72") {
    std::vector<std::uint8_t> record =
        HexBytes(std::string(name) + " 00 00 00 00 00 00 00 00 00 00 00 00 "
                                     "01 00 00 00 03 02 01 0A 00 00 FF FF 01 00 01 0A "
                                     "01 01 01 01 09 09 09 09 73 72 76");
    record.resize(96, 0);
    record[88] = 0x90; // port 8080 at 88
    record[89] = 0x1F;
    record[92] = httpServer;
    const auto datagram = BuildUdpDatagram(UDP_CMD_DISCOVER, record);
    return QByteArray(reinterpret_cast<const char*>(datagram.data()), qsizetype(datagram.size()));
}

QByteArray Bytes(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace

class DiscoverParseTest : public QObject {
    Q_OBJECT

private slots:
    void showsADiscoveryReply_data() {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QJsonValue>("httpServer");
        QTest::addColumn<int>("httpValue");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("line");
        QTest::newRow("CGI") << Record(4) << QJsonValue(QStringLiteral("CGI")) << 4 << "Door"
                             << "Door  192.0.2.7  Automatic acquisition ip 10.1.2.3 mask "
                                "255.255.0.0 gateway 10.1.0.1 dns 1.1.1.1 9.9.9.9 server "
                                "srv:8080 CGI";
        // A value no list holds is null, its number beside it.
        QTest::newRow("no such server") << Record(9) << QJsonValue(QJsonValue::Null) << 9 << "Door"
                                        << "Door  192.0.2.7  Automatic acquisition ip 10.1.2.3 "
                                           "mask 255.255.0.0 gateway 10.1.0.1 dns 1.1.1.1 "
                                           "9.9.9.9 server srv:8080 9";
        // Bytes that are not UTF-8 stay readable; never a replacement character.
        QTest::newRow("not UTF-8")
            << Record(4, "44 FF 72 5C") << QJsonValue(QStringLiteral("CGI")) << 4 << "D\\xffr\\x5c"
            << "D\\xffr\\x5c  192.0.2.7  Automatic acquisition ip 10.1.2.3 "
               "mask 255.255.0.0 gateway 10.1.0.1 dns 1.1.1.1 9.9.9.9 "
               "server srv:8080 CGI";
        QTest::newRow("UTF-8") << Record(4, "E9 97 A8 31") << QJsonValue(QStringLiteral("CGI")) << 4
                               << QStringLiteral("\u95E81")
                               << QStringLiteral("\u95E81  192.0.2.7  Automatic acquisition ip "
                                                 "10.1.2.3 mask 255.255.0.0 gateway 10.1.0.1 dns "
                                                 "1.1.1.1 9.9.9.9 server srv:8080 CGI");
    }

    void showsADiscoveryReply() {
        QFETCH(QByteArray, datagram);
        QFETCH(QJsonValue, httpServer);
        QFETCH(int, httpValue);
        QFETCH(QString, name);
        QFETCH(QString, line);
        const auto reader = ParseAnnouncement(datagram, QStringLiteral("192.0.2.7"));
        QVERIFY(reader.has_value());
        const QJsonObject expected{
            {"name", name},
            {"address", "192.0.2.7"},
            {"network_mode", "Automatic acquisition"},
            {"network_mode_value", 1},
            {"ip", "10.1.2.3"},
            {"mask", "255.255.0.0"},
            {"gateway", "10.1.0.1"},
            {"dns1", "1.1.1.1"},
            {"dns2", "9.9.9.9"},
            {"server", "srv"},
            {"server_port", 8080},
            {"http_server", httpServer},
            {"http_server_value", httpValue},
        };
        QCOMPARE(AnnouncedJson(*reader), expected);
        QCOMPARE(AnnouncedLine(*reader), line);
    }

    void ignoresEverythingElse_data() {
        QTest::addColumn<QByteArray>("datagram");
        QByteArray badChecksum = Record(4);
        badChecksum[3] = char(badChecksum[3] ^ 0x01);
        QTest::newRow("version announcement")
            << Bytes(BuildUdpDatagram(UDP_CMD_VERSION, std::vector<std::uint8_t>(64, 0x41)));
        QTest::newRow("bad checksum") << badChecksum;
        QTest::newRow("record cut short") << Record(4).left(60);
        QTest::newRow("three bytes") << QByteArray("\x05\x03\x00", 3);
        QTest::newRow("empty") << QByteArray();
    }

    void ignoresEverythingElse() {
        QFETCH(QByteArray, datagram);
        QVERIFY(!ParseAnnouncement(datagram, QStringLiteral("192.0.2.7")).has_value());
    }
};

QTEST_GUILESS_MAIN(DiscoverParseTest)
#include "discover_parse_test.moc"
