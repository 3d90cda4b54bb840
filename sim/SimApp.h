// The simulator program: the reader core wired to a serial line, a UDP socket and a log.
#pragma once

#include "core/WireConstants.h"
#include "sim/FrameParser.h"
#include "sim/ReaderSim.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class CSerialLine;
class QUdpSocket;

struct SimOptions {
    std::vector<sim::ReaderSettings> readers;
    QString device; // empty: create a pseudo-terminal
    int deviceBaud = 9600;
    QString link; // symlink to the pseudo-terminal, when given
    QHostAddress targetAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 targetPort = UDP_LOCAL_PORT;
    QHostAddress listenAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 listenPort = UDP_READER_PORT;
    int announceEveryMs = 0; // besides the start-up announcements; 0: never
    bool udpConfirm = false;
    // On a pseudo-terminal, understand only what the other end sends at the first reader's
    // speed and stop bits, and reach it only there, as a reader hears nothing sensible
    // otherwise (a pty does not carry data bits and parity).
    bool strictBaud = false;
    sim::SerialFaults faults;
    sim::NetFaults netFaults;
    // Each reader listens and announces at its own address (a 127.x.y.z one on loopback) and
    // moves when a network command changes that address.
    bool ownAddresses = false;
};

class CReaderSimApp : public QObject {
    Q_OBJECT
public:
    explicit CReaderSimApp(SimOptions options, QObject* parent = nullptr);
    ~CReaderSimApp() override;

    // Opens both wires and sends the first announcements; false (with the reason printed) when
    // either wire cannot be opened.
    bool Start();

private:
    void OnSerialBytes(const QByteArray& bytes);
    void OnSerialQuiet();
    // With strictBaud on a pseudo-terminal: the other end's framing when it is not this one.
    std::optional<sim::SerialFraming> OtherFraming(const sim::SerialFraming& ours) const;
    void OnDatagrams(QUdpSocket* socket, std::size_t reader);
    void Announce();
    // The socket reader sends from: its own, or the one all readers share.
    QUdpSocket* SocketFor(std::size_t reader) const;
    QUdpSocket* Listen(const QHostAddress& address, std::size_t reader);
    void Move(std::size_t reader);
    void SendTo(QUdpSocket* socket, const std::vector<std::uint8_t>& bytes,
                const QHostAddress& address, quint16 port);
    void Apply(const sim::Outcome& outcome, const QString& channel, const QHostAddress& sender,
               quint16 senderPort, std::size_t reader);
    void RemoveLink();

    SimOptions m_options;
    sim::ReaderSim m_sim;
    sim::FrameParser m_parser;
    std::unique_ptr<CSerialLine> m_serial;
    QUdpSocket* m_udp = nullptr;
    std::vector<QUdpSocket*> m_readerSockets; // with ownAddresses, one per reader
    QTimer m_announceTimer;
    QTimer m_quietTimer;
    bool m_linkMade = false;
};

// One line on standard output, flushed at once: status lines as they stand, log lines with a
// timestamp.
void PrintStatus(const QString& text);
void PrintLog(const QString& text);
