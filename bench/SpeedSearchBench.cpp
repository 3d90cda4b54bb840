// Finding a reader after a speed change, against reader-sim --strict-baud over a pseudo-terminal:
// the time from the first unanswered read-back to the reply that finds the reader, against the
// sum of the reply timeouts the search had to wait. For a reader that kept its speed (found at
// the old one) and one found at the last speed of the list. The search itself should add at most
// 10 % to those timeouts.
//   bench_speed_search [RUNS]
#include "bench/BenchClock.h"
#include "profile/PortDriver.h"
#include "profile/ProfileFile.h"
#include "serial/Mscomm1.h"
#include "serial/SerialParamRecord.h"
#include "tests/support/SimProcess.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Search {
    bool found = false;
    std::string where;
    int queries = 0;       // read-back queries written during the search
    double searchMs = 0;   // first read-back written to the reply that ended the search
    double timeoutsMs = 0; // the timeouts of the queries that went unanswered
};

// One speed change, through the driver the dialog and tessaroctl use.
Search Change(const QString& path, const Profile& profile) {
    Search search;
    CMscomm1 comm;
    comm.put_PortName(path);
    SequencerOptions options;
    SequencerJob job(profile, options);
    CPortDriver driver(comm, job);
    bool searching = false;
    std::int64_t searchStartNs = 0;
    std::int64_t lastReadNs = 0;
    std::vector<std::int64_t> timeouts; // one per query written while searching
    QObject::connect(&comm, &CMscomm1::PortOpenChanged, [&](bool open) {
        // Opened again after the first time: the search has begun.
        searching = searching || (open && lastReadNs != 0);
    });
    driver.SetTrace([&](FrameDirection direction, const QByteArray& bytes) {
        const std::int64_t now = MonotonicNs();
        if (direction == FrameDirection::Received) {
            lastReadNs = now;
            return;
        }
        if (!searching) {
            return;
        }
        searchStartNs = searchStartNs ? searchStartNs : now;
        timeouts.push_back(ReplyTimeoutMs(options.replyBaseMs, std::size_t(bytes.size()),
                                          PARAM_REPLY_LEN, comm.SettingsValue().baudRate));
    });
    QEventLoop loop;
    QObject::connect(&driver, &CPortDriver::Finished, &loop, &QEventLoop::quit);
    driver.OpenAndStart(options.port);
    if (!driver.Done()) {
        loop.exec();
    }
    const SequencerResult& result = job.Result();
    search.found = result.answersAt.has_value() && !timeouts.empty() && lastReadNs > searchStartNs;
    search.where = driver.OpenFailed() ? "cannot open " + path.toStdString() : result.where;
    search.queries = int(timeouts.size());
    search.searchMs = double(lastReadNs - searchStartNs) / 1e6;
    // The last query was answered: it ended the search and was not waited out.
    for (std::size_t i = 0; i + 1 < timeouts.size(); ++i) {
        search.timeoutsMs += double(timeouts[i]);
    }
    return search;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const auto parsed =
        ParseProfile("{\"tessaro_profile\": 1, \"settings\": {\"baud_rate\": 19200}}");
    if (!parsed.profile) {
        std::fprintf(stderr, "the profile does not parse\n");
        return 1;
    }
    struct Case {
        const char* name;
        const char* fault;
    };
    int failed = 0;
    for (const Case& c :
         {Case{"kept_its_speed", "ignores"}, Case{"found_at_the_last_speed", "misreads-speed"}}) {
        std::vector<double> search;
        std::vector<double> over;
        Search last;
        for (int i = 0; i < runs; ++i) {
            // Each run starts with a reader at 9600 8N1: the one before has moved.
            SimProcess sim;
            if (!sim.Start({QStringLiteral("--strict-baud"),
                            QStringLiteral("--serial-params-fault"), QLatin1String(c.fault),
                            QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                            QStringLiteral("--target"), QStringLiteral("127.0.0.1:9")})) {
                std::fprintf(stderr, "reader-sim did not start\n");
                return 1;
            }
            last = Change(sim.Pty(), *parsed.profile);
            sim.Output();
            if (!last.found) {
                std::fprintf(stderr, "%s: the reader was not found: %s\n", c.name,
                             last.where.c_str());
                return 1;
            }
            search.push_back(last.searchMs);
            over.push_back(100.0 * (last.searchMs - last.timeoutsMs) / last.timeoutsMs);
        }
        const double overMedian = Median(over);
        failed += overMedian > 10.0;
        std::printf("speed_search_%s_ms median=%.1f timeouts_ms=%.1f queries=%d over=%.2f%% "
                    "(%s; runs=%d; target: at most 10%% over the timeouts)\n",
                    c.name, Median(search), last.timeoutsMs, last.queries, overMedian,
                    last.where.c_str(), runs);
    }
    return failed == 0 ? 0 : 2;
}
