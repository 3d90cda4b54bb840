// The serial control: the property set the dialog drives, over QSerialPort.
#pragma once

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
    static constexpr short COMEV_RECEIVE = 2;

    explicit CMscomm1(QObject* parent = nullptr);
    ~CMscomm1() override;

    // Port number N names "COMN" on Windows and /dev/ttyS{N-1} elsewhere.
    void put_CommPort(short port);
    short get_CommPort() const { return m_commPort; }
    // A typed device name or path; replaces the number until the next put_CommPort.
    void put_PortName(const QString& name);
    QString PortName() const;

    void put_Settings(const QString& settings); // "speed,parity,data,stop"
    QString get_Settings() const { return m_settings; }
    void put_InputMode(long mode) { m_inputMode = mode; }
    long get_InputMode() const { return m_inputMode; }
    void put_InputLen(short len) { m_inputLen = len; }
    void put_RThreshold(short threshold) { m_rThreshold = threshold; }
    void put_RTSEnable(bool enable);
    void put_PortOpen(bool open);
    bool get_PortOpen() const;
    void put_Output(const QByteArray& bytes);
    QByteArray get_Input();
    short get_CommEvent() const { return m_commEvent; }

signals:
    // Raised when CommEvent changes: 2 when data arrived, an error code otherwise.
    void OnComm();

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    short m_commPort = 1;
    QString m_portName;
    QString m_settings = QStringLiteral("9600,n,8,1");
    long m_inputMode = 0;
    short m_inputLen = 0;
    short m_rThreshold = 0;
    bool m_rtsEnable = false;
    short m_commEvent = 0;
};
