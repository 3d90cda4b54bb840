// The Port list and Find reader in the running dialog:
//   bench_ports refresh  the longest the event loop is held while the device list changes
//   bench_ports find     Find reader against reader-sim answering only at the last speed tried
#include "bench/BenchClock.h"
#include "bench/BenchLoop.h"
#include "core/ChoiceLists.h"
#include "profile/ProfileSequencer.h"
#include "tests/support/FakePortLister.h"
#include "tests/support/SimProcess.h"
#include "ui/ControlCatalog.h"
#include "ui/TessaroDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The longest gaps between turns of the event loop while the listing changes every refresh.
int Refresh() {
    CTessaroDlg dlg(0);
    auto lister = std::make_shared<FakePortLister>();
    QList<PortInfo> many;
    for (int i = 0; i < 64; ++i) {
        many << UsbAdapter(QStringLiteral("/dev/ttyUSB%1").arg(i), QStringLiteral("S%1").arg(i));
    }
    dlg.UsePortLister(lister, 20);
    std::vector<double> gapsMs;
    gapsMs.reserve(8'000'000); // growing it inside the probe would be the longest block
    std::int64_t last = MonotonicNs();
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const std::int64_t now = MonotonicNs();
        gapsMs.push_back(double(now - last) / 1e6);
        last = now;
    });
    QTimer flip;
    bool full = false;
    int changes = 0;
    QObject::connect(&flip, &QTimer::timeout, [&] {
        full = !full;
        lister->Set(full ? many : QList<PortInfo>{many.first()});
        ++changes;
    });
    probe.start(0);
    flip.start(25);
    QTest::qWait(3000);
    std::sort(gapsMs.begin(), gapsMs.end());
    std::printf("port_refresh changes=%d (1 and 64 devices by turns) longest_block_ms=%.2f "
                "p99_ms=%.3f loop_turns=%zu (target: at most 5 ms)\n",
                changes, gapsMs.back(), gapsMs[gapsMs.size() * 99 / 100], gapsMs.size());
    return 0;
}

int Find() {
    const std::vector<int> speeds = ReaderSearchSpeeds();
    const int last = speeds.back();
    SimProcess sim;
    if (!sim.Start({QStringLiteral("--strict-baud"), QStringLiteral("--baud"),
                    QString::number(last), QStringLiteral("--listen"),
                    QStringLiteral("127.0.0.1:0"), QStringLiteral("--target"),
                    QStringLiteral("127.0.0.1:9")})) {
        std::fprintf(stderr, "reader-sim did not start\n");
        return 1;
    }
    CTessaroDlg dlg(0);
    dlg.SetMessageHook(
        [](const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); });
    dlg.combo(IDC_PORT)->setEditText(sim.Pty());
    const std::int64_t start = MonotonicNs();
    dlg.button(IDC_FIND_READER)->click();
    if (!RunUntil([&] { return !dlg.findingReader(); }, 30000) || !dlg.comm().get_PortOpen()) {
        std::fprintf(stderr, "find reader failed: %s\n", dlg.PaneText(0).toLocal8Bit().constData());
        return 1;
    }
    const double totalMs = double(MonotonicNs() - start) / 1e6;
    // Each speed that gets no answer costs its reply timeout: the query and its reply at that
    // speed on top of the base.
    std::int64_t timeouts = 0;
    for (const int baud : speeds) {
        if (baud != last) {
            timeouts += ReplyTimeoutMs(DEFAULT_REPLY_BASE_MS, 4, PARAM_REPLY_LEN, baud);
        }
    }
    std::printf("find_reader found_at=%d baud (speed %zu of %zu) total_ms=%.1f "
                "sum_of_timeouts_ms=%lld overhead_ms=%.1f\n",
                last, speeds.size(), speeds.size(), totalMs, static_cast<long long>(timeouts),
                totalMs - double(timeouts));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "refresh") == 0) {
        return Refresh();
    }
    if (argc >= 2 && std::strcmp(argv[1], "find") == 0) {
        return Find();
    }
    std::fprintf(stderr, "usage: bench_ports refresh | find\n");
    return 2;
}
