// The serial control: the property set the dialog drives, over QSerialPort.
#pragma once

#include "serial/CommSettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <stdexcept>

// Raised by a property access that the port refuses; carries the description shown to the user.
class CommError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CMscomm1 : public QObject {
    Q_OBJECT
public:
    // CommEvent codes.
    static constexpr short COMEV_RECEIVE = 2;
    // The device failed while open (unplugged, pty master gone); the port has been closed.
    static constexpr short COMEV_DEVICE_LOST = 1100;

    explicit CMscomm1(QObject* parent = nullptr);
    ~CMscomm1() override;

    // Port number N names "COMN" on Windows and /dev/ttyS{N-1} elsewhere.
    void put_CommPort(short port);
    short get_CommPort() const { return m_commPort; }
    // A typed device name or path; replaces the number until the next put_CommPort.
    void put_PortName(const QString& name);
    QString PortName() const;

    // "speed,parity,data,stop"; a text that does not parse raises CommError. Applied at once
    // when the port is open.
    void put_Settings(const QString& settings);
    QString get_Settings() const { return m_settings; }
    // The same settings as a value, for code that computes with them.
    const CommSettings& SettingsValue() const { return m_parsed; }
    // The same as a value: no text to build and parse again.
    void put_Settings(const CommSettings& settings);
    void put_InputMode(long mode) { m_inputMode = mode; }
    long get_InputMode() const { return m_inputMode; }
    // Bytes one read of Input returns at most; 0 means everything buffered.
    void put_InputLen(short len) { m_inputLen = len; }
    short get_InputLen() const { return m_inputLen; }
    // Buffered bytes that raise the receive event; 0 raises none.
    void put_RThreshold(short threshold) { m_rThreshold = threshold; }
    short get_RThreshold() const { return m_rThreshold; }
    // Raise the receive event from inside the port's notification instead of through the event
    // loop: for a receiver that never opens a modal box (a command-line run), one event-loop pass
    // less per piece of data.
    void SetDirectReceive(bool direct) { m_directReceive = direct; }
    void put_RTSEnable(bool enable);
    bool get_RTSEnable() const { return m_rtsEnable; }
    void put_PortOpen(bool open);
    bool get_PortOpen() const;
    // Writes the bytes in one piece; raises CommError when the port is closed or the write fails.
    void put_Output(const QByteArray& bytes);
    // Waits (bounded) until everything written has left the port: an adapter that changes
    // speed with bytes still queued sends them garbled.
    void Drain();
    QByteArray get_Input();
    // Setting 0 discards every byte received and not yet read.
    void put_InBufferCount(short count);
    short get_CommEvent() const { return m_commEvent; }
    // Opens the port at these settings the way QSerialPort opens a device: what the device
    // cannot take (a pseudo-terminal's parity) stays as the device has it, and the read-back
    // that follows tells. The engine's reopen after a framing change; raises CommError when the
    // port does not open.
    void OpenAt(const CommSettings& settings);
    // Hands every byte queued by Output to the device now.
    void Flush();
    // The port's own words for the last failure to open, write or keep the device.
    const QString& PortErrorString() const { return m_portError; }

signals:
    // Raised when CommEvent changes: 2 when data arrived, an error code otherwise. Delivered
    // through the event loop, never from inside the port's own notification, unless
    // SetDirectReceive asked otherwise.
    void OnComm();
    // The port was opened (at the settings in force) or closed by a PortOpen change.
    void PortOpenChanged(bool open);

private:
    void onReadyRead();
    void raiseReceive();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void applySettings();
    [[noreturn]] void fail(const QString& text);

    QSerialPort m_port;
    short m_commPort = 1;
    QString m_portName;
    QString m_settings = QStringLiteral("9600,n,8,1");
    CommSettings m_parsed;
    long m_inputMode = 0;
    short m_inputLen = 0;
    short m_rThreshold = 0;
    bool m_rtsEnable = false;
    short m_commEvent = 0;
    bool m_receivePosted = false;
    bool m_directReceive = false;
    QString m_portError;
};
