// Applying a full profile against reader-sim over a pseudo-terminal: the whole apply and the
// engine's own time per command (from the read that completes a reply until the next frame is
// written), and what the same exchange costs on a real line at 9600 and 115200 baud.
#include "bench/BenchClock.h"
#include "profile/PortDriver.h"
#include "profile/ProfileFile.h"
#include "serial/Mscomm1.h"
#include "tests/support/FullProfiles.h"
#include "tests/support/SimProcess.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run {
    bool ok = false;
    std::string error;
    double totalMs = 0;
    double reopenMs = 0;
    std::vector<double> engineUs; // one per frame written after a reply
    std::size_t bytesOut = 0;
    std::size_t bytesIn = 0;
};

// One apply, through the driver the dialog and tessaroctl use. The total runs from the first
// frame written to the last reply piece read, so the port's opening and closing stay out of it;
// the reopen at the new framing stays in (both tools pay it) and is also given on its own. The
// engine's time runs from a reply piece handed to the job until the frame it asks for next is
// about to be written, unless the port was reopened in between.
Run Apply(const QString& path, const Profile& profile) {
    Run run;
    CMscomm1 comm;
    comm.put_PortName(path);
    SequencerOptions options;
    SequencerJob job(profile, options);
    CPortDriver driver(comm, job);
    std::int64_t readNs = 0;
    std::int64_t firstNs = 0;
    std::int64_t lastNs = 0;
    std::int64_t closedNs = 0;
    driver.SetTrace([&](FrameDirection direction, const QByteArray& bytes) {
        const std::int64_t now = MonotonicNs();
        lastNs = now;
        if (direction == FrameDirection::Received) {
            readNs = now;
            run.bytesIn += std::size_t(bytes.size());
            return;
        }
        firstNs = firstNs ? firstNs : now;
        if (readNs) {
            run.engineUs.push_back(double(now - readNs) / 1000.0);
            readNs = 0;
        }
        run.bytesOut += std::size_t(bytes.size());
    });
    QObject::connect(&comm, &CMscomm1::PortOpenChanged, [&](bool open) {
        if (!firstNs) {
            return;
        }
        if (!open) {
            closedNs = MonotonicNs();
        } else if (closedNs && !driver.Done()) {
            run.reopenMs += double(MonotonicNs() - closedNs) / 1e6;
            readNs = 0;
        }
    });
    QEventLoop loop;
    QObject::connect(&driver, &CPortDriver::Finished, &loop, &QEventLoop::quit);
    driver.OpenAndStart(options.port);
    if (!driver.Done()) {
        loop.exec();
    }
    run.totalMs = double(lastNs - firstNs) / 1e6;
    if (driver.OpenFailed()) {
        run.error = "cannot open " + path.toStdString();
        return run;
    }
    run.ok = job.Result().ok;
    run.error = job.Result().error;
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
    std::vector<double> reopens;
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
        reopens.push_back(run.reopenMs);
        engine.insert(engine.end(), run.engineUs.begin(), run.engineUs.end());
        bytes = run.bytesOut + run.bytesIn;
        commands = run.engineUs.size();
    }
    const double medianTotal = Percentile(totals, 0.5);
    const double medianEngine = Percentile(engine, 0.5);
    std::printf("apply_full_profile_ms median=%.2f p90=%.2f (runs=%d; target: at most 100)\n",
                medianTotal, Percentile(totals, 0.9), runs);
    std::printf("port_reopen_ms median=%.2f p90=%.2f (closing and opening the port at the new "
                "framing, within the apply)\n",
                Percentile(reopens, 0.5), Percentile(reopens, 0.9));
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
