// 100 simulated readers re-addressed from a CSV by tessaroctl net set: the total time against the
// sum of the waits it must make (the listening time, then each reader's confirmation and its
// announcement from the new address). Loopback only; uses the fixed ports 24582 and 24583.
//   bench_net [READERS] [SECONDS]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

struct Run {
    int exitCode = -1;
    double totalMs = 0;
    double waitsMs = 0; // sum over the readers of send to proof
    int verified = 0;
};

// Moves every reader into 127.0.toNet.0/24.
Run MoveAll(const QString& csv, int readers, int jobs, const QString& seconds, int toNet) {
    QString text = QStringLiteral("name,ip\n");
    for (int i = 1; i <= readers; ++i) {
        text += QStringLiteral("Bench-%1,127.0.%2.%3\n").arg(i).arg(toNet).arg(i);
    }
    QFile file(csv);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text.toUtf8());
    file.close();

    QProcess ctl;
    QElapsedTimer clock;
    clock.start();
    ctl.start(QStringLiteral(TESSAROCTL_PATH), {"net", "set", "--csv", csv, "--seconds", seconds,
                                                "--jobs", QString::number(jobs), "--json"});
    ctl.waitForFinished(600000);
    Run run;
    run.totalMs = double(clock.elapsed());
    run.exitCode = ctl.exitCode();
    for (const QJsonValue& v : QJsonDocument::fromJson(ctl.readAllStandardOutput()).array()) {
        const QJsonObject entry = v.toObject();
        run.waitsMs += entry.value(QStringLiteral("elapsed_ms")).toDouble();
        run.verified += entry.value(QStringLiteral("ok")).toBool() ? 1 : 0;
    }
    return run;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int readers = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    const QString seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("2");
    QTemporaryDir dir;
    QProcess sim;
    sim.setStandardOutputFile(QProcess::nullDevice());
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start(QStringLiteral(READER_SIM_PATH),
              {"--own-address", "--name", "Bench-1", "--readers", QString::number(readers), "--ip",
               "127.0.10.1", "--announce-every", "0.5", "--config",
               QStringLiteral(BENCH_DIR "/../tests/cli/loopback-reader.json")});
    if (!sim.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_net: reader-sim did not start\n");
        return 1;
    }
    QThread::msleep(500);
    const double listenMs = seconds.toDouble() * 1000;
    std::printf("%d readers moved by one CSV, listening %.0f ms first\n", readers, listenMs);
    std::printf("%6s %10s %12s %12s %9s %5s\n", "jobs", "total_ms", "waits_ms", "ratio", "verified",
                "exit");
    int net = 10;
    for (const int jobs : {1, 8, 32}) {
        const Run run =
            MoveAll(dir.filePath(QStringLiteral("move.csv")), readers, jobs, seconds, ++net);
        const double waits = listenMs + run.waitsMs;
        std::printf("%6d %10.0f %12.0f %12.2f %9d %5d\n", jobs, run.totalMs, waits,
                    run.totalMs / waits, run.verified, run.exitCode);
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
