// Takes the picture of the Log window for the documentation:
//   xvfb-run -a build/tests/sim/log_screenshot docs/log-window.png [dialog.png]
// A few frames against the simulated reader: a parameter query, two settings, the total.
#include "tests/support/SimProcess.h"

#include "ui/ControlCatalog.h"
#include "ui/LogWindow.h"
#include "ui/TessaroDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: log_screenshot <log.png> [dialog.png]\n");
        return 2;
    }
    SimProcess sim;
    if (!sim.Start({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                    QStringLiteral("--target"), QStringLiteral("127.0.0.1:9")})) {
        std::fprintf(stderr, "log_screenshot: reader-sim did not start\n");
        return 1;
    }
    CTessaroDlg dlg(0);
    dlg.SetMessageHook([](const QString&) {});
    dlg.show();
    dlg.combo(IDC_PORT)->setEditText(sim.Pty());
    dlg.button(IDC_OPEN_SERIAL_PORT)->click();
    for (const int id :
         {IDC_GET_PARAMETER, IDC_OUTPUT_FORMAT_SET, IDC_HORN_SET, IDC_TOTAL_RECORDS}) {
        dlg.button(id)->click();
        QTest::qWait(300);
    }
    dlg.button(IDC_LOG)->click();
    CLogWindow* log = dlg.logWindow();
    log->resize(900, 320);
    QTest::qWait(400); // a refresh and the last repaint
    if (!log->grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "log_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc > 2 && !dlg.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "log_screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%zu entries\n", dlg.frameLog().Size());
    return sim.Stop() == 0 ? 0 : 1;
}
