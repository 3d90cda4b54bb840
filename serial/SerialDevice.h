// Port settings and port names as QSerialPort takes them: one place for both the serial control
// and tessaroctl.
#pragma once

#include "serial/CommSettings.h"

#include <QSerialPort>
#include <QString>

QSerialPort::Parity QtParity(CommParity parity);
QSerialPort::StopBits QtStopBits(CommStopBits stopBits);
QSerialPort::DataBits QtDataBits(int dataBits);
// Speed, data bits, parity and stop bits; false at the first the port refuses.
bool ApplyCommSettings(QSerialPort& port, const CommSettings& settings);

// Port number N (N >= 1): "COMN" on Windows, /dev/ttyS{N-1} elsewhere.
QString ComPortDevice(int port);
// "com N" names ComPortDevice(N); a name with a slash, or one that exists in the current
// directory, is that file; any other name is a device name as QSerialPort takes it (ttyUSB0,
// COM7).
QString SerialDevicePath(const QString& port);
// The number of a "com N" text (any case, blanks allowed before N); -1 for any other text.
int ComPortNumber(const QString& port);
