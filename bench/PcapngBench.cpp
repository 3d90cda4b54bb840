// How long "Save as pcapng…" holds the window: a full frame log (100,000 entries, as the Log
// window keeps at most) turned into capture bytes, for serial frames and for datagrams.
//   bench_pcapng [RUNS]
#include "bench/BenchClock.h"
#include "core/Pcapng.h"

#include <algorithm>
#include <vector>

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    struct Case {
        const char* name;
        FrameChannel channel;
        std::size_t size;
    };
    const Case cases[] = {
        {"serial 182-byte replies", FrameChannel::Serial, 182},
        {"datagrams of 572 bytes", FrameChannel::Udp, 572},
    };
    for (const Case& c : cases) {
        FrameLogBuffer log;
        const std::vector<std::uint8_t> bytes(c.size, 0x5A);
        for (std::size_t i = 0; i < log.Capacity(); ++i) {
            FrameLogEntry entry = MakeFrameEntry(
                std::int64_t(i) * 100, c.channel,
                i % 2 ? FrameDirection::Received : FrameDirection::Sent,
                c.channel == FrameChannel::Serial ? "/dev/ttyUSB0" : "192.168.0.20:24582", bytes);
            entry.local = "192.168.0.2:24583";
            log.Add(std::move(entry), 1765000000000);
        }
        // Wall time, and the process's CPU time, which a busy machine disturbs less.
        std::vector<double> ms;
        std::vector<double> cpuMs;
        std::size_t fileSize = 0;
        for (int r = 0; r < runs; ++r) {
            const std::int64_t start = MonotonicNs();
            const std::clock_t cpuStart = std::clock();
            const std::vector<std::uint8_t> file = pcapng::FromFrameLog(log, {"bench", "", {}});
            cpuMs.push_back(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
            ms.push_back(double(MonotonicNs() - start) / 1e6);
            fileSize = file.size();
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%s: %zu entries, %.1f MB, median %.1f ms wall (min %.1f, max %.1f), "
                    "%.1f ms CPU, over %d runs\n",
                    c.name, log.Size(), double(fileSize) / 1e6, Median(ms), ms.front(), ms.back(),
                    Median(cpuMs), runs);
    }
    return 0;
}
