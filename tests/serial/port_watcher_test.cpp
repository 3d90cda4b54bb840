// The serial device list: listed on its own thread, followed through changes, told once.
#include "serial/PortWatcher.h"
#include "tests/support/FakePortLister.h"

#include <QSignalSpy>
#include <QtTest>

class PortWatcherTest : public QObject {
    Q_OBJECT
private slots:
    void textsOfAnItem() {
        const PortInfo usb = UsbAdapter(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("0001"));
        QCOMPARE(PortItemText(usb), QStringLiteral("/dev/ttyUSB0 — CP2102 USB to UART"));
        QCOMPARE(PortDetails(usb), QStringLiteral("/dev/ttyUSB0\nDescription: CP2102 USB to "
                                                  "UART\nManufacturer: Silicon Labs\nSerial "
                                                  "number: 0001\nUSB id: 10c4:ea60"));
        const PortInfo plain{QStringLiteral("/dev/ttyS0"), {}, {}, {}, {}, {}};
        QCOMPARE(PortItemText(plain), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(PortDetails(plain), QStringLiteral("/dev/ttyS0"));
    }

    void followsDevicesThatComeAndGo() {
        auto lister = std::make_shared<FakePortLister>();
        const PortInfo a = UsbAdapter(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("A"));
        const PortInfo b = UsbAdapter(QStringLiteral("/dev/ttyACM0"), QStringLiteral("B"));
        lister->Set({a});
        CPortWatcher watcher(lister, 20);
        QSignalSpy changed(&watcher, &CPortWatcher::PortsChanged);
        watcher.Start();
        QTRY_COMPARE(changed.count(), 1); // the first listing is news
        QCOMPARE(watcher.Ports(), QList<PortInfo>{a});

        // Listings that change nothing say nothing.
        const int calls = lister->Calls();
        QTRY_VERIFY(lister->Calls() >= calls + 3);
        QCOMPARE(changed.count(), 1);

        lister->Set({a, b});
        QTRY_COMPARE(changed.count(), 2);
        QCOMPARE(watcher.Ports(), (QList<PortInfo>{a, b}));
        lister->Set({b});
        QTRY_COMPARE(changed.count(), 3);
        QCOMPARE(watcher.Ports(), QList<PortInfo>{b});
        QCOMPARE(changed.count(), 3);

        // Changes that keep the count: one device for another, another adapter on the same path.
        lister->Set({a});
        QTRY_COMPARE(changed.count(), 4);
        QCOMPARE(watcher.Ports(), QList<PortInfo>{a});
        const PortInfo other = UsbAdapter(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("C"));
        lister->Set({other});
        QTRY_COMPARE(changed.count(), 5);
        QCOMPARE(watcher.Ports(), QList<PortInfo>{other});
    }
};

QTEST_MAIN(PortWatcherTest)
#include "port_watcher_test.moc"
