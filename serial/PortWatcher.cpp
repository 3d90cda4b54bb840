#include "serial/PortWatcher.h"

#include <QSerialPortInfo>
#include <QTimer>

QList<PortInfo> CSystemPortLister::Ports() const {
    QList<PortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortInfo p;
        p.path = info.systemLocation();
        p.description = info.description();
        p.manufacturer = info.manufacturer();
        p.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier()) {
            p.vid = info.vendorIdentifier();
        }
        if (info.hasProductIdentifier()) {
            p.pid = info.productIdentifier();
        }
        ports << p;
    }
    return ports;
}

QString PortItemText(const PortInfo& port) {
    return port.description.isEmpty() ? port.path
                                      : port.path + QStringLiteral(" — ") + port.description;
}

QString PortDetails(const PortInfo& port) {
    QStringList lines{port.path};
    const auto add = [&lines](const QString& label, const QString& value) {
        if (!value.isEmpty()) {
            lines << label + QStringLiteral(": ") + value;
        }
    };
    add(QStringLiteral("Description"), port.description);
    add(QStringLiteral("Manufacturer"), port.manufacturer);
    add(QStringLiteral("Serial number"), port.serialNumber);
    if (port.vid && port.pid) {
        add(QStringLiteral("USB id"), QStringLiteral("%1:%2")
                                          .arg(*port.vid, 4, 16, QLatin1Char('0'))
                                          .arg(*port.pid, 4, 16, QLatin1Char('0')));
    }
    return lines.join(QLatin1Char('\n'));
}

CPortWatcher::CPortWatcher(std::shared_ptr<const IPortLister> lister, int intervalMs,
                           QObject* parent)
    : QObject(parent), m_lister(std::move(lister)), m_intervalMs(intervalMs) {}

CPortWatcher::~CPortWatcher() {
    m_thread.quit();
    m_thread.wait();
}

void CPortWatcher::Start() {
    if (m_thread.isRunning()) {
        return;
    }
    // Listing reads sysfs and may wait on udev: it runs on a thread of its own, and only the
    // result comes back to this one.
    auto* timer = new QTimer;
    timer->setInterval(m_intervalMs);
    timer->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, timer, &QObject::deleteLater);
    const auto list = [this, lister = m_lister] {
        QList<PortInfo> ports = lister->Ports();
        QMetaObject::invokeMethod(
            this, [this, ports = std::move(ports)] { OnListed(ports); }, Qt::QueuedConnection);
    };
    connect(timer, &QTimer::timeout, timer, list);
    connect(&m_thread, &QThread::started, timer, [timer, list] {
        list();
        timer->start();
    });
    m_thread.start();
}

void CPortWatcher::OnListed(const QList<PortInfo>& ports) {
    if (m_listed && ports == m_ports) {
        return;
    }
    m_listed = true;
    m_ports = ports;
    emit PortsChanged();
}
