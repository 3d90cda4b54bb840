#include "serial/Mscomm1.h"

#include "serial/SerialDevice.h"

#include <QMetaObject>

#if defined(Q_OS_UNIX)
#include <termios.h>
#endif

namespace {

// A frame at the slowest speed takes well under this.
constexpr int DRAIN_LIMIT_MS = 2000;

} // namespace

CMscomm1::CMscomm1(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &CMscomm1::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &CMscomm1::onErrorOccurred);
}

CMscomm1::~CMscomm1() = default;

void CMscomm1::fail(const QString& text) {
    throw CommError(text.toLocal8Bit().toStdString());
}

void CMscomm1::put_CommPort(short port) {
    if (port < 1) {
        fail(tr("Invalid port number %1.").arg(port));
    }
    m_commPort = port;
    m_portName.clear();
}

void CMscomm1::put_PortName(const QString& name) {
    if (name.trimmed().isEmpty()) {
        fail(tr("No serial port named."));
    }
    m_portName = name.trimmed();
}

QString CMscomm1::PortName() const {
    if (!m_portName.isEmpty()) {
        return m_portName;
    }
    return ComPortDevice(m_commPort);
}

void CMscomm1::put_Settings(const QString& settings) {
    const auto parsed = ParseCommSettings(settings.toStdString());
    if (!parsed) {
        fail(tr("Invalid port settings \"%1\": expected speed,parity,data,stop.").arg(settings));
    }
    m_settings = settings;
    m_parsed = *parsed;
    if (m_port.isOpen()) {
        applySettings();
    }
}

void CMscomm1::put_Settings(const CommSettings& settings) {
    const QString text = QString::fromStdString(CommSettingsText(settings));
    // The same bounds the text is held to.
    if (settings.baudRate <= 0 || settings.dataBits < 5 || settings.dataBits > 8) {
        fail(tr("Invalid port settings \"%1\": expected speed,parity,data,stop.").arg(text));
    }
    m_settings = text;
    m_parsed = settings;
    if (m_port.isOpen()) {
        applySettings();
    }
}

void CMscomm1::applySettings() {
    if (!ApplyCommSettings(m_port, m_parsed)) {
        m_portError = m_port.errorString();
        fail(tr("The port refuses the settings \"%1\": %2").arg(m_settings, m_port.errorString()));
    }
}

void CMscomm1::put_RTSEnable(bool enable) {
    m_rtsEnable = enable;
    if (m_port.isOpen()) {
        // Devices without modem lines (pseudo-terminals) refuse this; that is not an error.
        m_port.setRequestToSend(enable);
        m_port.clearError();
    }
}

void CMscomm1::put_PortOpen(bool open) {
    if (!open) {
        if (m_port.isOpen()) {
            m_port.close();
            emit PortOpenChanged(false);
        }
        return;
    }
    if (m_port.isOpen()) {
        fail(tr("Port already open."));
    }
    m_port.setPortName(PortName());
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_portError = m_port.errorString();
        fail(tr("Cannot open %1: %2").arg(PortName(), m_port.errorString()));
    }
    try {
        applySettings();
    } catch (const CommError&) {
        m_port.close();
        throw;
    }
    m_port.setRequestToSend(m_rtsEnable);
    m_port.clearError();
    emit PortOpenChanged(true);
}

void CMscomm1::OpenAt(const CommSettings& settings) {
    if (m_port.isOpen()) {
        fail(tr("Port already open."));
    }
    put_Settings(settings);
    m_port.setPortName(PortName());
    // Set while closed, they are only stored, and open applies them.
    ApplyCommSettings(m_port, m_parsed);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_portError = m_port.errorString();
        fail(tr("Cannot open %1: %2").arg(PortName(), m_port.errorString()));
    }
    m_port.setRequestToSend(m_rtsEnable);
    m_port.clearError();
    emit PortOpenChanged(true);
}

bool CMscomm1::get_PortOpen() const {
    return m_port.isOpen();
}

void CMscomm1::Drain() {
    if (!m_port.isOpen()) {
        return;
    }
    while (m_port.bytesToWrite() > 0 && m_port.waitForBytesWritten(DRAIN_LIMIT_MS)) {
    }
#if defined(Q_OS_UNIX)
    if (m_port.handle() >= 0) {
        ::tcdrain(m_port.handle());
    }
#endif
}

void CMscomm1::put_Output(const QByteArray& bytes) {
    if (!m_port.isOpen()) {
        fail(tr("The port is not open."));
    }
    // Queued behind earlier frames, in order; the port hands them to the device as it takes
    // them. Forcing the write here fails with EAGAIN once the device's buffer is full (a long
    // "Keep a record" series), which would close the port.
    const qint64 written = m_port.write(bytes);
    if (written != bytes.size() || !m_port.isOpen()) {
        m_portError = m_port.errorString();
        fail(tr("Write to %1 failed: %2").arg(PortName(), m_port.errorString()));
    }
}

QByteArray CMscomm1::get_Input() {
    if (!m_port.isOpen()) {
        fail(tr("The port is not open."));
    }
    return m_inputLen > 0 ? m_port.read(m_inputLen) : m_port.readAll();
}

void CMscomm1::put_InBufferCount(short count) {
    if (count == 0 && m_port.isOpen()) {
        m_port.clear(QSerialPort::Input);
    }
}

void CMscomm1::Flush() {
    if (m_port.isOpen()) {
        m_port.flush();
    }
}

void CMscomm1::onReadyRead() {
    // The event goes out through the event loop: the receiver may open a modal box, and further
    // data must still raise events while it is open.
    if (m_rThreshold <= 0 || m_receivePosted) {
        return;
    }
    if (m_directReceive) {
        raiseReceive();
        return;
    }
    m_receivePosted = true;
    QMetaObject::invokeMethod(this, &CMscomm1::raiseReceive, Qt::QueuedConnection);
}

void CMscomm1::raiseReceive() {
    m_receivePosted = false;
    if (!m_port.isOpen() || m_port.bytesAvailable() < m_rThreshold) {
        return;
    }
    m_commEvent = COMEV_RECEIVE;
    emit OnComm();
    // Bytes left unread (InputLen cut the read short) raise the next event.
    if (m_port.isOpen() && m_port.bytesAvailable() >= m_rThreshold && m_port.bytesAvailable() > 0) {
        onReadyRead();
    }
}

void CMscomm1::onErrorOccurred(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // The device went away: close it ourselves (the port may still report itself open),
        // so that it can be opened again once it is back.
        if (m_port.isOpen()) {
            m_portError = m_port.errorString();
            m_port.close();
            m_commEvent = COMEV_DEVICE_LOST;
            emit OnComm();
        }
        break;
    default:
        break;
    }
}
