#include "sim/SimApp.h"

#include "core/HexText.h"
#include "sim/SerialLine.h"

#include <QDateTime>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// A frame or line that stops arriving half-way is dropped after this long.
constexpr int SERIAL_QUIET_MS = 1000;
// The second start-up announcement.
constexpr int STARTUP_REPEAT_MS = 2000;

constexpr qint64 MAX_DATAGRAM_LEN = 4096;

QString Hex(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return QString::fromStdString(HexEcho({data, std::size_t(bytes.size())}));
}

QString Hex(const std::vector<std::uint8_t>& bytes) {
    return QString::fromStdString(HexEcho(bytes));
}

QString Endpoint(const QHostAddress& address, quint16 port) {
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}

} // namespace

void PrintStatus(const QString& text) {
    std::fputs(("reader-sim: " + text + "\n").toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void PrintLog(const QString& text) {
    const QString stamp = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    std::fputs((stamp + " " + text + "\n").toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

CReaderSimApp::CReaderSimApp(SimOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_sim(m_options.readers) {
    m_sim.SetUdpConfirm(m_options.udpConfirm);
    m_sim.SetFaults(m_options.faults);
    m_sim.SetNetFaults(m_options.netFaults);
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setInterval(SERIAL_QUIET_MS);
    connect(&m_quietTimer, &QTimer::timeout, this, &CReaderSimApp::OnSerialQuiet);
    connect(&m_announceTimer, &QTimer::timeout, this, &CReaderSimApp::Announce);
}

CReaderSimApp::~CReaderSimApp() {
    RemoveLink();
}

bool CReaderSimApp::Start() {
    m_serial = std::make_unique<CSerialLine>();
    const bool serialOk = m_options.device.isEmpty()
                              ? m_serial->OpenPty()
                              : m_serial->OpenDevice(m_options.device, m_options.deviceBaud);
    if (!serialOk) {
        PrintStatus(m_serial->ErrorString());
        return false;
    }
    connect(m_serial.get(), &CSerialLine::BytesReceived, this, &CReaderSimApp::OnSerialBytes);
    PrintStatus(QStringLiteral("serial port %1").arg(m_serial->Path()));

    if (!m_options.link.isEmpty()) {
        const QByteArray link = m_options.link.toLocal8Bit();
        const QFileInfo existing(m_options.link);
        if (existing.isSymLink()) {
            ::unlink(link.constData()); // left behind by an earlier run
        }
        if (::symlink(m_serial->Path().toLocal8Bit().constData(), link.constData()) != 0) {
            PrintStatus(QStringLiteral("cannot make the link %1: %2")
                            .arg(m_options.link, QString::fromLocal8Bit(std::strerror(errno))));
            return false;
        }
        m_linkMade = true;
        PrintStatus(QStringLiteral("serial port link %1").arg(m_options.link));
    }

    if (m_options.ownAddresses) {
        for (std::size_t i = 0; i < m_sim.ReaderCount(); ++i) {
            QUdpSocket* socket = Listen(QHostAddress(m_sim.Reader(i).net.ipAddr), i);
            if (!socket) {
                return false;
            }
            m_readerSockets.push_back(socket);
        }
    } else {
        m_udp = Listen(m_options.listenAddress, 0);
        if (!m_udp) {
            return false;
        }
    }
    QStringList names;
    for (std::size_t i = 0; i < m_sim.ReaderCount(); ++i) {
        names << QString::fromStdString(m_sim.Reader(i).name);
    }
    const QString repeat = m_options.announceEveryMs > 0
                               ? QStringLiteral(", then every %1 ms").arg(m_options.announceEveryMs)
                               : QString();
    PrintStatus(QStringLiteral("announcing to %1 at start and %2 ms later%3: %4")
                    .arg(Endpoint(m_options.targetAddress, m_options.targetPort))
                    .arg(STARTUP_REPEAT_MS)
                    .arg(repeat, names.join(QStringLiteral(", "))));

    // Like a reader after power-up: announced at once, and again shortly after for a Tessaro
    // that started a moment later. Tessaro lists every announcement, so no more than that.
    Announce();
    QTimer::singleShot(STARTUP_REPEAT_MS, this, &CReaderSimApp::Announce);
    for (std::size_t i = 0; i < m_sim.ReaderCount(); ++i) {
        SendTo(SocketFor(i), m_sim.ParamRecordDatagram(i), m_options.targetAddress,
               m_options.targetPort);
    }
    if (m_options.announceEveryMs > 0) {
        m_announceTimer.start(m_options.announceEveryMs);
    }
    return true;
}

void CReaderSimApp::Announce() {
    for (std::size_t i = 0; i < m_sim.ReaderCount(); ++i) {
        SendTo(SocketFor(i), m_sim.VersionAnnouncement(i), m_options.targetAddress,
               m_options.targetPort);
        SendTo(SocketFor(i), m_sim.DiscoveryReply(i), m_options.targetAddress,
               m_options.targetPort);
    }
}

std::optional<sim::SerialFraming>
CReaderSimApp::OtherFraming(const sim::SerialFraming& ours) const {
    if (!m_options.strictBaud || !m_options.device.isEmpty()) {
        return std::nullopt;
    }
    auto peer = m_serial->PeerFraming().value_or(sim::SerialFraming{-1, 0, 0, 0});
    // A Linux pseudo-terminal keeps the speed and stop bits the other end sets but forces eight
    // data bits without parity: those two cannot be told apart here.
    peer.dataBits = ours.dataBits;
    peer.parity = ours.parity;
    if (peer == ours) {
        return std::nullopt;
    }
    return peer;
}

void CReaderSimApp::OnSerialBytes(const QByteArray& bytes) {
    PrintLog(QStringLiteral("serial rx [%1]%2").arg(bytes.size()).arg(Hex(bytes)));
    const sim::SerialFraming held = sim::FramingOf(m_sim.Reader(0));
    if (const auto other = OtherFraming(held)) {
        PrintLog(QStringLiteral("serial: sent at %1, the reader is at %2: not understood")
                     .arg(QString::fromStdString(sim::FramingText(*other)),
                          QString::fromStdString(sim::FramingText(held))));
        return;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    for (const sim::SerialInput& input : m_parser.Feed({data, std::size_t(bytes.size())})) {
        Apply(m_sim.HandleSerial(input), QStringLiteral("serial"), {}, 0, 0);
    }
    if (const sim::SerialFraming now = sim::FramingOf(m_sim.Reader(0)); now != held) {
        PrintLog(QStringLiteral("serial: the reader is now at %1")
                     .arg(QString::fromStdString(sim::FramingText(now))));
    }
    if (m_parser.Pending() > 0) {
        m_quietTimer.start();
    } else {
        m_quietTimer.stop();
    }
}

void CReaderSimApp::OnSerialQuiet() {
    PrintLog(
        QStringLiteral("serial: incomplete input of %1 bytes dropped").arg(m_parser.Pending()));
    m_parser.Reset();
}

QUdpSocket* CReaderSimApp::Listen(const QHostAddress& address, std::size_t reader) {
    auto* socket = new QUdpSocket(this);
    if (!socket->bind(address, m_options.listenPort)) {
        PrintStatus(QStringLiteral("cannot listen on %1: %2")
                        .arg(Endpoint(address, m_options.listenPort), socket->errorString()));
        delete socket;
        return nullptr;
    }
    connect(socket, &QUdpSocket::readyRead, this,
            [this, socket, reader] { OnDatagrams(socket, reader); });
    PrintStatus(QStringLiteral("listening on %1").arg(Endpoint(address, socket->localPort())));
    return socket;
}

QUdpSocket* CReaderSimApp::SocketFor(std::size_t reader) const {
    return m_options.ownAddresses ? m_readerSockets.at(reader) : m_udp;
}

void CReaderSimApp::OnDatagrams(QUdpSocket* socket, std::size_t reader) {
    while (socket->hasPendingDatagrams()) {
        if (socket->pendingDatagramSize() > MAX_DATAGRAM_LEN) {
            socket->receiveDatagram(0);
            PrintLog(QStringLiteral("udp: datagram over %1 bytes discarded").arg(MAX_DATAGRAM_LEN));
            continue;
        }
        const QNetworkDatagram datagram = socket->receiveDatagram();
        const QByteArray bytes = datagram.data();
        const QHostAddress sender = datagram.senderAddress();
        const quint16 senderPort = quint16(datagram.senderPort());
        PrintLog(QStringLiteral("udp rx %1 [%2]%3")
                     .arg(Endpoint(sender, senderPort))
                     .arg(bytes.size())
                     .arg(Hex(bytes)));
        // A header and its block pair up per sender and per receiving reader.
        const std::uint64_t key = (std::uint64_t(reader) << 48) |
                                  (std::uint64_t(sender.toIPv4Address()) << 16) | senderPort;
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        Apply(m_sim.HandleDatagram({data, std::size_t(bytes.size())}, key), QStringLiteral("udp"),
              sender, senderPort, reader);
    }
}

void CReaderSimApp::Move(std::size_t reader) {
    QUdpSocket*& socket = m_readerSockets.at(reader);
    const QHostAddress to(m_sim.Reader(reader).net.ipAddr);
    if (socket->localAddress() == to) {
        return;
    }
    QUdpSocket* moved = Listen(to, reader);
    if (!moved) {
        PrintLog(QStringLiteral("udp: \"%1\" stays at %2")
                     .arg(QString::fromStdString(m_sim.Reader(reader).name),
                          socket->localAddress().toString()));
        return;
    }
    PrintLog(QStringLiteral("udp: \"%1\" moved from %2 to %3")
                 .arg(QString::fromStdString(m_sim.Reader(reader).name),
                      socket->localAddress().toString(), to.toString()));
    socket->deleteLater();
    socket = moved;
}

void CReaderSimApp::Apply(const sim::Outcome& outcome, const QString& channel,
                          const QHostAddress& sender, quint16 senderPort, std::size_t reader) {
    if (!outcome.note.empty()) {
        PrintLog(channel + QStringLiteral(": ") + QString::fromStdString(outcome.note));
    }
    if (!outcome.serialReply.empty()) {
        const auto reply = outcome.serialReply;
        const auto framing = outcome.replyFraming;
        const auto write = [this, reply, framing] {
            // Judged when the bytes leave: a port that changed meanwhile hears garbage.
            if (const auto other = OtherFraming(framing)) {
                PrintLog(QStringLiteral("serial: reply sent at %1, the other end is at %2: lost")
                             .arg(QString::fromStdString(sim::FramingText(framing)),
                                  QString::fromStdString(sim::FramingText(*other))));
                return;
            }
            PrintLog(QStringLiteral("serial tx [%1]%2").arg(reply.size()).arg(Hex(reply)));
            m_serial->Write(
                QByteArray(reinterpret_cast<const char*>(reply.data()), qsizetype(reply.size())));
        };
        if (outcome.delayMs > 0) {
            QTimer::singleShot(outcome.delayMs, this, write);
        } else {
            write();
        }
    }
    const std::size_t from = outcome.netChanged.value_or(reader);
    // A reader that moves confirms from where it was asked, then announces from where it is.
    const bool later = m_options.ownAddresses || outcome.announceDelayMs > 0;
    std::vector<std::vector<std::uint8_t>> toTarget;
    for (const sim::OutDatagram& datagram : outcome.datagrams) {
        if (datagram.to == sim::OutDatagram::To::Sender && !sender.isNull()) {
            SendTo(SocketFor(reader), datagram.bytes, sender, senderPort);
        } else if (later) {
            toTarget.push_back(datagram.bytes);
        } else {
            SendTo(SocketFor(from), datagram.bytes, m_options.targetAddress, m_options.targetPort);
        }
    }
    if (m_options.ownAddresses && outcome.netChanged) {
        Move(*outcome.netChanged);
    }
    const auto announce = [this, from, toTarget] {
        for (const auto& bytes : toTarget) {
            SendTo(SocketFor(from), bytes, m_options.targetAddress, m_options.targetPort);
        }
    };
    if (outcome.announceDelayMs > 0) {
        // Quiet until then: the repeated announcements wait too.
        const bool repeating = m_announceTimer.isActive();
        m_announceTimer.stop();
        QTimer::singleShot(outcome.announceDelayMs, this, [this, announce, repeating] {
            announce();
            if (repeating) {
                m_announceTimer.start();
            }
        });
    } else {
        announce();
    }
}

void CReaderSimApp::SendTo(QUdpSocket* socket, const std::vector<std::uint8_t>& bytes,
                           const QHostAddress& address, quint16 port) {
    const qint64 sent = socket->writeDatagram(reinterpret_cast<const char*>(bytes.data()),
                                              qint64(bytes.size()), address, port);
    PrintLog(
        QStringLiteral("udp tx %1 > %2 [%3]%4%5")
            .arg(Endpoint(socket->localAddress(), socket->localPort()), Endpoint(address, port))
            .arg(bytes.size())
            .arg(Hex(bytes))
            .arg(sent < 0 ? QStringLiteral(" (failed: %1)").arg(socket->errorString())
                          : QString()));
}

void CReaderSimApp::RemoveLink() {
    if (m_linkMade) {
        ::unlink(m_options.link.toLocal8Bit().constData());
        m_linkMade = false;
    }
}
