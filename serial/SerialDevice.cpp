#include "serial/SerialDevice.h"

#include <QFileInfo>
#include <QRegularExpression>

QSerialPort::Parity QtParity(CommParity parity) {
    switch (parity) {
    case CommParity::Even:
        return QSerialPort::EvenParity;
    case CommParity::Odd:
        return QSerialPort::OddParity;
    case CommParity::Mark:
        return QSerialPort::MarkParity;
    case CommParity::Space:
        return QSerialPort::SpaceParity;
    case CommParity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits QtStopBits(CommStopBits stopBits) {
    switch (stopBits) {
    case CommStopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case CommStopBits::Two:
        return QSerialPort::TwoStop;
    case CommStopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

QSerialPort::DataBits QtDataBits(int dataBits) {
    // The settings text allows 5 to 8, which are QSerialPort's values too.
    return static_cast<QSerialPort::DataBits>(dataBits);
}

bool ApplyCommSettings(QSerialPort& port, const CommSettings& settings) {
    return port.setBaudRate(settings.baudRate) && port.setParity(QtParity(settings.parity)) &&
           port.setDataBits(QtDataBits(settings.dataBits)) &&
           port.setStopBits(QtStopBits(settings.stopBits));
}

QString ComPortDevice(int port) {
#if defined(Q_OS_WIN)
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

int ComPortNumber(const QString& port) {
    static const QRegularExpression com(QStringLiteral("^com\\s*([0-9]+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto match = com.match(port.trimmed());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString SerialDevicePath(const QString& port) {
    const QString text = port.trimmed();
    if (const int number = ComPortNumber(text); number >= 0) {
        return ComPortDevice(number);
    }
    // QSerialPort reads a bare name as a device under /dev: a file here is meant as itself.
    if (text.contains(u'/') || QFileInfo::exists(text)) {
        return QFileInfo(text).absoluteFilePath();
    }
    return text;
}
