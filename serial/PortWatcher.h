// The machine's serial devices, listed away from the user-interface thread and followed through
// hot-plug. The listing itself sits behind an interface so that tests can supply their own.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QThread>

#include <memory>
#include <optional>

struct PortInfo {
    QString path; // what opens it: /dev/ttyUSB0
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vid;
    std::optional<quint16> pid;

    friend bool operator==(const PortInfo&, const PortInfo&) = default;
};

class IPortLister {
public:
    virtual ~IPortLister() = default;
    // Called on the watcher's own thread.
    virtual QList<PortInfo> Ports() const = 0;
};

// QSerialPortInfo: the devices the system knows (pseudo-terminals are not among them).
class CSystemPortLister : public IPortLister {
public:
    QList<PortInfo> Ports() const override;
};

// "/dev/ttyUSB0 — CP2102 USB to UART", or the path alone when there is no description.
QString PortItemText(const PortInfo& port);
// Manufacturer, serial number and USB ids, one per line, for a tooltip.
QString PortDetails(const PortInfo& port);

class CPortWatcher : public QObject {
    Q_OBJECT
public:
    explicit CPortWatcher(std::shared_ptr<const IPortLister> lister, int intervalMs = 1000,
                          QObject* parent = nullptr);
    ~CPortWatcher() override;

    // Lists at once, then every interval.
    void Start();
    const QList<PortInfo>& Ports() const { return m_ports; }

signals:
    // After a listing that differs from the one before; on the thread the watcher belongs to.
    void PortsChanged();

private:
    void OnListed(const QList<PortInfo>& ports);

    std::shared_ptr<const IPortLister> m_lister;
    int m_intervalMs;
    QThread m_thread;
    QList<PortInfo> m_ports;
    bool m_listed = false;
};
