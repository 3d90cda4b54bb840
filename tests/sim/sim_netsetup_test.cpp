// The network parameter command against the simulated reader, which listens on the readers'
// fixed port 24582 (the dialog always sends there).
#include "tests/support/SimProcess.h"

#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

class SimNetSetup : public QObject {
    Q_OBJECT

private slots:
    void netSetupChangesTheReadersNetworkBlock() {
        CTessaroDlg dlg(0);
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:24582"),
                           QStringLiteral("--target"),
                           QStringLiteral("127.0.0.1:%1").arg(dlg.LocalUdpPort()),
                           QStringLiteral("--announce-every"), QStringLiteral("0.2")}));
        QTRY_VERIFY(dlg.deviceList()->count() >= 1);
        QTRY_COMPARE(dlg.PaneText(0), QStringLiteral("Receive parameter successfully."));
        dlg.deviceList()->setCurrentRow(0);

        dlg.ipAddress(IDC_IP_ADDRESS)->SetAddress(0x0A010203); // 10.1.2.3
        dlg.combo(IDC_NETWORK_MODE)->setCurrentIndex(1);
        dlg.edit(IDC_SERVER_PORT)->setText(QStringLiteral("9000"));
        dlg.OnNetSetup(); // its button stays disabled: call the handler
        // Nothing has been received yet: the reader's record must bring these back.
        dlg.ipAddress(IDC_IP_ADDRESS)->SetAddress(0);
        dlg.combo(IDC_NETWORK_MODE)->setCurrentIndex(0);
        dlg.edit(IDC_SERVER_PORT)->setText(QStringLiteral("1"));

        // The reader sends its new record, then answers 0x21.
        QTRY_COMPARE(dlg.PaneText(0), QStringLiteral("Command setup successful."));
        QCOMPARE(dlg.ipAddress(IDC_IP_ADDRESS)->GetAddress(), 0x0A010203u);
        QCOMPARE(dlg.combo(IDC_NETWORK_MODE)->currentIndex(), 1);
        QCOMPARE(dlg.edit(IDC_SERVER_PORT)->text(), QStringLiteral("9000"));
        // Its later announcements carry the new block too.
        QTRY_COMPARE(dlg.devices().back()->net.serverPort, 9000);
        QCOMPARE(dlg.devices().back()->net.netMode, 1);
        QCOMPARE(sim.Stop(), 0);
    }
};

QTEST_MAIN(SimNetSetup)
#include "sim_netsetup_test.moc"
