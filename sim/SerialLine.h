// The simulator's end of a serial line: a pseudo-terminal it creates, or a device it opens.
// POSIX only (openpty, termios).
#pragma once

#include "sim/ReaderSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class QSocketNotifier;

class CSerialLine : public QObject {
    Q_OBJECT
public:
    explicit CSerialLine(QObject* parent = nullptr);
    ~CSerialLine() override;

    // Creates a pseudo-terminal; Path() is then the device to type into the Serial Port box.
    bool OpenPty();
    // Opens an existing serial device in raw mode at the given speed.
    bool OpenDevice(const QString& path, int baud);
    QString Path() const { return m_path; }
    // The framing the other end has set on a pseudo-terminal (the master sees the terminal's
    // settings); nothing when it cannot be read.
    std::optional<sim::SerialFraming> PeerFraming() const;
    QString ErrorString() const { return m_error; }

    // Queues the bytes and writes what the line takes now; the rest follows as it drains.
    void Write(const QByteArray& bytes);

signals:
    void BytesReceived(const QByteArray& bytes);

private:
    void Watch();
    void OnReadable();
    void OnWritable();
    void Fail(const QString& what);

    int m_fd = -1;
    // Our own hold on the terminal side of a pty: without it the master reports a hang-up
    // whenever the program on the other side closes the port.
    int m_slaveFd = -1;
    QString m_path;
    QString m_error;
    QByteArray m_pending;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
};
