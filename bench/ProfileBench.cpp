// Applying a full profile against reader-sim over a pseudo-terminal: the whole apply and the
// engine's own time per command (from the read that completes a reply until the next frame is
// written), and what the same exchange costs on a real line at 9600 and 115200 baud.
#include "bench/BenchClock.h"
#include "bench/QtPortFraming.h"
#include "profile/ProfileFile.h"
#include "profile/ProfileSequencer.h"
#include "tests/support/FullProfiles.h"
#include "tests/support/SimProcess.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run {
    bool ok = false;
    std::string error;
    double totalMs = 0;
    std::vector<double> engineUs; // one per frame written after a reply
    std::size_t bytesOut = 0;
    std::size_t bytesIn = 0;
};

// One apply, driven the way the dialog and tessaroctl drive it.
Run Apply(const QString& path, const Profile& profile) {
    Run run;
    QSerialPort port(path);
    CommSettings settings;
    if (!port.open(QIODevice::ReadWrite) || !Configure(port, settings)) {
        run.error = "cannot open " + path.toStdString();
        return run;
    }
    SequencerOptions options;
    options.port = settings;
    ProfileSequencer sequencer(profile, options);
    QTimer timer;
    timer.setSingleShot(true);
    QEventLoop loop;
    const std::int64_t start = MonotonicNs();
    const auto now = [start] { return (MonotonicNs() - start) / 1'000'000; };
    std::function<void(SequencerStep, std::int64_t)> apply = [&](SequencerStep step,
                                                                 std::int64_t readNs) {
        if (!step.write.empty()) {
            port.write(reinterpret_cast<const char*>(step.write.data()), qint64(step.write.size()));
            if (readNs) {
                run.engineUs.push_back(double(MonotonicNs() - readNs) / 1000.0);
            }
            run.bytesOut += step.write.size();
        }
        if (step.reopen) {
            Configure(port, *step.reopen);
            apply(sequencer.OnPortReopened(now()), 0);
            return;
        }
        if (step.done) {
            loop.quit();
            return;
        }
        if (step.deadlineMs) {
            timer.start(int(std::max<std::int64_t>(0, *step.deadlineMs - now())));
        }
    };
    QObject::connect(&port, &QSerialPort::readyRead, &loop, [&] {
        const QByteArray bytes = port.readAll();
        const std::int64_t readNs = MonotonicNs();
        run.bytesIn += std::size_t(bytes.size());
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        apply(sequencer.OnBytes({data, std::size_t(bytes.size())}, now()), readNs);
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] { apply(sequencer.OnTick(now()), 0); });
    apply(sequencer.Start(now()), 0);
    if (!sequencer.Done()) {
        loop.exec();
    }
    run.totalMs = double(MonotonicNs() - start) / 1e6;
    run.ok = sequencer.Result().ok;
    run.error = sequencer.Result().error;
    return run;
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    SimProcess sim;
    if (!sim.Start({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                    QStringLiteral("--target"), QStringLiteral("127.0.0.1:9")})) {
        std::fprintf(stderr, "reader-sim did not start\n");
        return 1;
    }
    const Profile profiles[2] = {*ParseProfile(FULL_PROFILES[0]).profile,
                                 *ParseProfile(FULL_PROFILES[1]).profile};

    std::vector<double> totals;
    std::vector<double> engine;
    std::size_t bytes = 0;
    std::size_t commands = 0;
    for (int i = 0; i < runs; ++i) {
        const Run run = Apply(sim.Pty(), profiles[i % 2]);
        sim.Output(); // keep the simulator's log from filling the pipe
        if (!run.ok) {
            std::fprintf(stderr, "apply %d failed: %s\n", i, run.error.c_str());
            return 1;
        }
        totals.push_back(run.totalMs);
        engine.insert(engine.end(), run.engineUs.begin(), run.engineUs.end());
        bytes = run.bytesOut + run.bytesIn;
        commands = run.engineUs.size();
    }
    const double medianTotal = Percentile(totals, 0.5);
    const double medianEngine = Percentile(engine, 0.5);
    std::printf("apply_full_profile_ms median=%.2f p90=%.2f (runs=%d; target: at most 100)\n",
                medianTotal, Percentile(totals, 0.9), runs);
    std::printf("engine_per_command_us median=%.1f p90=%.1f max=%.1f (frames after a reply per "
                "apply=%zu; target: median at most 1000)\n",
                medianEngine, Percentile(engine, 0.9), Percentile(engine, 1.0), commands);
    // On a real line every byte costs ten bit times; the engine's part is its own time.
    const double engineMs = medianEngine * double(commands) / 1000.0;
    for (const int baud : {9600, 115200}) {
        const double lineMs = double(bytes) * 10.0 * 1000.0 / baud;
        std::printf("line_%d_baud bytes=%zu line_ms=%.1f engine_ms=%.2f engine_share=%.3f%% "
                    "(target: under 5%%)\n",
                    baud, bytes, lineMs, engineMs, 100.0 * engineMs / (engineMs + lineMs));
    }
    return 0;
}
