// Sets a QSerialPort to an engine's framing, for the benches that drive the engine themselves.
#pragma once

#include "serial/CommSettings.h"

#include <QSerialPort>

inline QSerialPort::Parity ToQt(CommParity p) {
    switch (p) {
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

inline bool Configure(QSerialPort& port, const CommSettings& s) {
    return port.setBaudRate(s.baudRate) &&
           port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) &&
           port.setParity(ToQt(s.parity)) &&
           port.setStopBits(s.stopBits == CommStopBits::Two ? QSerialPort::TwoStop
                                                            : QSerialPort::OneStop);
}
