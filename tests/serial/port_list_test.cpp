// The Port list in the dialog: the machine's devices after "com 1" to "com 15", followed as
// they come and go, without disturbing what the user types, and the open device that vanishes
// and comes back. Devices are pseudo-terminals behind a fake listing (Linux: openpty).
#include "tests/support/FakePortLister.h"
#include "tests/support/ReaderPty.h"
#include "ui/ControlCatalog.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

constexpr int REFRESH_MS = 20;

QStringList DeviceItems(QComboBox* list) {
    QStringList items;
    for (int i = PORT_COUNT; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

} // namespace

class PortListTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTessaroDlg> m_dlg;
    std::shared_ptr<FakePortLister> m_lister;
    QStringList m_messages;

    QComboBox* ports() { return m_dlg->combo(IDC_PORT); }
    QPushButton* openButton() { return m_dlg->button(IDC_OPEN_SERIAL_PORT); }

private slots:
    void init() {
        m_messages.clear();
        m_dlg = std::make_unique<CTessaroDlg>(0);
        m_dlg->SetMessageHook([this](const QString& t) { m_messages << t; });
        m_lister = std::make_shared<FakePortLister>();
        m_dlg->UsePortLister(m_lister, REFRESH_MS);
    }
    void cleanup() { m_dlg.reset(); }

    void devicesComeAndGoAfterTheComPorts() {
        m_lister->Set({UsbAdapter(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("A"))});
        QTRY_COMPARE(DeviceItems(ports()), QStringList{"/dev/ttyUSB0 — CP2102 USB to UART"});
        QCOMPARE(ports()->itemText(PORT_COUNT - 1), QStringLiteral("com 15"));
        QCOMPARE(ports()->itemData(PORT_COUNT, Qt::ToolTipRole).toString(),
                 QStringLiteral("/dev/ttyUSB0\nDescription: CP2102 USB to UART\nManufacturer: "
                                "Silicon Labs\nSerial number: A\nUSB id: 10c4:ea60"));
        QCOMPARE(ports()->currentText(), QStringLiteral("com 4")); // the selection stays

        m_lister->Set({UsbAdapter(QStringLiteral("/dev/ttyACM0"), QStringLiteral("B"))});
        QTRY_COMPARE(DeviceItems(ports()), QStringList{"/dev/ttyACM0 — CP2102 USB to UART"});
        QCOMPARE(ports()->currentText(), QStringLiteral("com 4"));
    }

    void typingIsNotDisturbed() {
        QLineEdit* line = ports()->lineEdit();
        ports()->setEditText(QStringLiteral("/dev/ttyU"));
        line->setCursorPosition(5);
        m_lister->Set({UsbAdapter(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("A"))});
        QTRY_COMPARE(DeviceItems(ports()).size(), 1);
        QCOMPARE(ports()->currentText(), QStringLiteral("/dev/ttyU"));
        QCOMPARE(line->cursorPosition(), 5);

        line->setSelection(1, 3);
        m_lister->Set({});
        QTRY_COMPARE(DeviceItems(ports()).size(), 0);
        QCOMPARE(ports()->currentText(), QStringLiteral("/dev/ttyU"));
        QCOMPARE(line->selectionStart(), 1);
        QCOMPARE(line->selectedText(), QStringLiteral("dev"));
    }

    void theOpenDeviceVanishesAndComesBack() {
        auto pty = std::make_unique<ReaderPty>();
        QVERIFY(pty->isOpen());
        PortInfo adapter = UsbAdapter(pty->path(), QStringLiteral("S1"));
        m_lister->Set({adapter});
        QTRY_COMPARE(DeviceItems(ports()).size(), 1);
        ports()->setCurrentIndex(PORT_COUNT); // choosing the item opens its path
        openButton()->click();
        QVERIFY(m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->comm().PortName(), pty->path());

        // No longer listed but still open: kept, and marked.
        m_lister->Set({});
        QTRY_COMPARE(DeviceItems(ports()), QStringList{PortItemText(adapter) + " (gone)"});

        // Gone for good: said by name; the button offers to open again; the mark goes.
        pty->closeMaster();
        QTRY_VERIFY(!m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->PaneText(0), pty->path() + QStringLiteral(" was disconnected"));
        QCOMPARE(openButton()->text(), QStringLiteral("Open Serial Port"));
        QTRY_COMPARE(DeviceItems(ports()), QStringList());
        QCOMPARE(m_messages, QStringList());

        // Back under another path with the same serial number: picked, one press opens it.
        pty = std::make_unique<ReaderPty>();
        adapter.path = pty->path();
        m_lister->Set({adapter});
        QTRY_COMPARE(ports()->currentText(), PortItemText(adapter));
        openButton()->click();
        QVERIFY(m_dlg->comm().get_PortOpen());
        QCOMPARE(m_dlg->comm().PortName(), pty->path());
        QCOMPARE(openButton()->text(), QStringLiteral("Close Serial Port"));
    }
};

QTEST_MAIN(PortListTest)
#include "port_list_test.moc"
