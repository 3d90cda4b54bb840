#include "cli/Discover.h"

#include "net/UdpPacket.h"

#include <QEventLoop>
#include <QNetworkDatagram>
#include <QStringDecoder>
#include <QTimer>
#include <QUdpSocket>

namespace {

// The Network mode and HTTP server lists' items.
const char* const NETWORK_MODES[] = {"Fixed IP", "Automatic acquisition"};
const char* const HTTP_SERVERS[] = {"PHP", "JSP", "C#", "ASP", "CGI"};

// A value no list holds is null; the raw number goes beside it in a field of its own.
template <std::size_t N> QJsonValue Item(const char* const (&items)[N], std::int32_t index) {
    if (index < 0 || std::size_t(index) >= N) {
        return QJsonValue::Null;
    }
    return QString::fromLatin1(items[index]);
}

// UTF-8 text as it is; any other bytes kept readable as \xNN, never replaced by U+FFFD.
QString Escaped(const char* data, qsizetype size) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(data, size));
    if (!utf8.hasError()) {
        return text;
    }
    QString out;
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        out += b >= 0x20 && b < 0x7F && b != '\\'
                   ? QString(QChar(b))
                   : QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
    }
    return out;
}

// Address fields hold the first dotted field in their most significant byte.
QString Dotted(std::uint32_t field) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(field >> 24)
        .arg((field >> 16) & 0xFF)
        .arg((field >> 8) & 0xFF)
        .arg(field & 0xFF);
}

QString Text(std::span<const char> field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return Escaped(field.data(), qsizetype(end - field.begin()));
}

} // namespace

std::optional<Announced> ParseAnnouncement(const QByteArray& datagram, const QString& sender) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(datagram.constData());
    const std::span<const std::uint8_t> bytes(data, std::size_t(datagram.size()));
    const UdpCheck check = CheckUdpDatagram(bytes);
    if (check.verdict != UdpVerdict::Valid || check.header.cmdId != UDP_CMD_DISCOVER ||
        bytes.size() < PACKAGE_HEADER_LEN + DISCOVER_DEV_LEN) {
        return std::nullopt;
    }
    const auto record = UdpCommandData(bytes, DISCOVER_DEV_LEN);
    return Announced{
        sender, DISCOVER_DEV_T::decode(std::span<const std::uint8_t, DISCOVER_DEV_LEN>(record))};
}

std::optional<std::vector<Announced>> ListenForReaders(int ms, QString* error, quint16 port) {
    QUdpSocket socket;
    // Shared, so that a running Tessaro keeps its port and this still hears the readers.
    if (!socket.bind(QHostAddress::AnyIPv4, port,
                     QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        *error = QStringLiteral("cannot listen on UDP %1: %2").arg(port).arg(socket.errorString());
        return std::nullopt;
    }
    std::vector<Announced> readers;
    QEventLoop loop;
    QObject::connect(&socket, &QUdpSocket::readyRead, &loop, [&socket, &readers] {
        while (socket.hasPendingDatagrams()) {
            if (socket.pendingDatagramSize() > qint64(UDP_RECV_BUFFER_LEN)) {
                socket.receiveDatagram(0);
                continue;
            }
            const QNetworkDatagram datagram = socket.receiveDatagram();
            const auto reader =
                ParseAnnouncement(datagram.data(), datagram.senderAddress().toString());
            if (!reader) {
                continue; // version announcements, parameter records, others' traffic
            }
            const bool known = std::any_of(readers.begin(), readers.end(), [&](const Announced& r) {
                return r.address == reader->address && DeviceName(r.dev) == DeviceName(reader->dev);
            });
            if (!known) {
                readers.push_back(*reader);
            }
        }
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return readers;
}

QJsonObject AnnouncedJson(const Announced& r) {
    const DISCOVER_DEV_T& d = r.dev;
    return QJsonObject{
        {QStringLiteral("name"), Escaped(DeviceName(d).data(), qsizetype(DeviceName(d).size()))},
        {QStringLiteral("address"), r.address},
        {QStringLiteral("network_mode"), Item(NETWORK_MODES, d.netMode)},
        {QStringLiteral("network_mode_value"), d.netMode},
        {QStringLiteral("ip"), Dotted(d.ipAddr)},
        {QStringLiteral("mask"), Dotted(d.subnetMask)},
        {QStringLiteral("gateway"), Dotted(d.gateway)},
        {QStringLiteral("dns1"), Dotted(d.dns1)},
        {QStringLiteral("dns2"), Dotted(d.dns2)},
        {QStringLiteral("server"), Text(d.serverAddr)},
        {QStringLiteral("server_port"), d.serverPort},
        {QStringLiteral("http_server"), Item(HTTP_SERVERS, d.httpServer)},
        {QStringLiteral("http_server_value"), d.httpServer},
    };
}

QString AnnouncedLine(const Announced& r) {
    const QJsonObject o = AnnouncedJson(r);
    const auto text = [&o](const char* key) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isNull()) { // a value no list holds: its number
            return QString::number(o.value(QLatin1String(key) + QLatin1String("_value")).toInt());
        }
        return v.isString() ? v.toString() : QString::number(v.toInt());
    };
    return QStringLiteral("%1  %2  %3 ip %4 mask %5 gateway %6 dns %7 %8 server %9:%10 %11")
        .arg(text("name"), text("address"), text("network_mode"), text("ip"), text("mask"),
             text("gateway"), text("dns1"), text("dns2"), text("server"))
        .arg(text("server_port"), text("http_server"));
}
