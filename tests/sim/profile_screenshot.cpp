// Takes the picture of the profile results for the documentation:
//   xvfb-run -a build/tests/sim/profile_screenshot docs/example-profile.json
//   docs/profile-results.png
// The simulated reader answers the horn command but keeps its old value, so one setting does
// not take.
#include "tests/support/SimProcess.h"

#include "ui/ControlCatalog.h"
#include "ui/ProfileResultsView.h"
#include "ui/TessaroDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: profile_screenshot <profile.json> <file.png>\n");
        return 2;
    }
    SimProcess sim;
    if (!sim.Start({QStringLiteral("--stale"), QStringLiteral("0x16"), QStringLiteral("--listen"),
                    QStringLiteral("127.0.0.1:0"), QStringLiteral("--target"),
                    QStringLiteral("127.0.0.1:9")})) {
        std::fprintf(stderr, "profile_screenshot: reader-sim did not start\n");
        return 1;
    }
    CTessaroDlg dlg(0);
    dlg.SetMessageHook([](const QString& text) {
        std::fprintf(stderr, "profile_screenshot: %s\n", text.toLocal8Bit().constData());
    });
    const QString profile = QString::fromLocal8Bit(argv[1]);
    dlg.SetFileHook([&profile](bool) { return profile; });
    dlg.show();
    dlg.combo(IDC_PORT)->setEditText(sim.Pty());
    dlg.button(IDC_OPEN_SERIAL_PORT)->click();
    dlg.button(IDC_APPLY_PROFILE)->click();
    if (!QTest::qWaitFor([&] { return !dlg.profileRunning() && dlg.profileResults(); }, 10000)) {
        std::fprintf(stderr, "profile_screenshot: the apply did not end\n");
        return 1;
    }
    CProfileResultsView* results = dlg.profileResults();
    std::printf("%s\n", results->Summary().toLocal8Bit().constData());
    QTest::qWait(200); // let the last repaint happen
    if (!results->grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "profile_screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return sim.Stop() == 0 ? 0 : 1;
}
