// A serial device listing that tests set as they like (pseudo-terminals are never among the
// system's own).
#pragma once

#include "serial/PortWatcher.h"

#include <QMutex>
#include <QMutexLocker>

class FakePortLister : public IPortLister {
public:
    QList<PortInfo> Ports() const override {
        QMutexLocker lock(&m_mutex);
        ++m_calls;
        return m_ports;
    }
    void Set(QList<PortInfo> ports) {
        QMutexLocker lock(&m_mutex);
        m_ports = std::move(ports);
    }
    int Calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

private:
    mutable QMutex m_mutex;
    QList<PortInfo> m_ports;
    mutable int m_calls = 0;
};

// A USB adapter as QSerialPortInfo describes one.
inline PortInfo UsbAdapter(const QString& path, const QString& serial) {
    return {
        path,  QStringLiteral("CP2102 USB to UART"), QStringLiteral("Silicon Labs"), serial, 0x10c4,
        0xea60};
}
