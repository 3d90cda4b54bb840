// Takes the picture of Tessaro with the simulated reader for the documentation:
//   xvfb-run -a build/tests/sim/sim_screenshot docs/screenshot-sim.png
// The dialog lists the reader, opens the simulator's serial port and presses "Get parameter".
#include "tests/support/SimProcess.h"

#include "ui/ControlCatalog.h"
#include "ui/TessaroDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: sim_screenshot <file.png>\n");
        return 2;
    }
    CTessaroDlg dlg(0);
    QStringList messages;
    dlg.SetMessageHook([&messages](const QString& text) { messages << text; });
    dlg.show();

    SimProcess sim;
    // One reader: the network group then shows the same reader as the serial settings.
    if (!sim.Start({QStringLiteral("--config"), QStringLiteral(SIM_EXAMPLE_CONFIG),
                    QStringLiteral("--readers"), QStringLiteral("1"), QStringLiteral("--listen"),
                    QStringLiteral("127.0.0.1:0"), QStringLiteral("--target"),
                    QStringLiteral("127.0.0.1:%1").arg(dlg.LocalUdpPort())})) {
        std::fprintf(stderr, "sim_screenshot: reader-sim did not start\n");
        return 1;
    }
    if (!QTest::qWaitFor(
            [&] {
                return dlg.deviceList()->count() >= 1 &&
                       dlg.PaneText(0) == QStringLiteral("Receive parameter successfully.");
            },
            5000)) {
        std::fprintf(stderr, "sim_screenshot: the reader did not appear\n");
        return 1;
    }
    dlg.deviceList()->setCurrentRow(0);

    dlg.combo(IDC_PORT)->setEditText(sim.Pty());
    dlg.button(IDC_OPEN_SERIAL_PORT)->click();
    dlg.button(IDC_GET_PARAMETER)->click();
    if (!QTest::qWaitFor([&] { return messages.contains(QStringLiteral("Get params successful")); },
                         5000)) {
        std::fprintf(stderr, "sim_screenshot: no parameter reply\n");
        return 1;
    }
    QTest::qWait(200); // let the last repaint happen
    if (!dlg.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "sim_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return sim.Stop() == 0 ? 0 : 1;
}
