#include "serial/Mscomm1.h"

CMscomm1::CMscomm1(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &CMscomm1::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &CMscomm1::onErrorOccurred);
}

CMscomm1::~CMscomm1() = default;

void CMscomm1::put_CommPort(short port) {
    m_commPort = port;
    m_portName.clear();
}

void CMscomm1::put_PortName(const QString& name) {
    m_portName = name;
}

QString CMscomm1::PortName() const {
    if (!m_portName.isEmpty()) {
        return m_portName;
    }
#if defined(Q_OS_WIN)
    return QStringLiteral("COM%1").arg(m_commPort);
#else
    return QStringLiteral("/dev/ttyS%1").arg(m_commPort - 1);
#endif
}

void CMscomm1::put_Settings(const QString& settings) {
    m_settings = settings;
}
void CMscomm1::put_RTSEnable(bool enable) {
    m_rtsEnable = enable;
}
void CMscomm1::put_PortOpen(bool) {}
bool CMscomm1::get_PortOpen() const {
    return m_port.isOpen();
}
void CMscomm1::put_Output(const QByteArray&) {}
QByteArray CMscomm1::get_Input() {
    return m_port.readAll();
}
void CMscomm1::onReadyRead() {}
void CMscomm1::onErrorOccurred(QSerialPort::SerialPortError) {}
