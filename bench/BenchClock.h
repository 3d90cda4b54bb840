// Shared by the bench programs: a system-wide monotonic clock that parent and child processes
// can compare, the process's peak resident memory, and the median of repeated runs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

inline std::int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The middle value (the upper one of an even count); T{} when there is none.
template <class T> T Median(std::vector<T> v) {
    if (v.empty()) {
        return T{};
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Peak resident set size in KiB (VmHWM), or -1 when /proc cannot tell.
inline long PeakRssKiB() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) {
        return -1;
    }
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kib = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kib;
}

// Prints the moment the dialog is shown and the peak RSS then. Never inlined: the callgrind run
// of bench/run-benchmarks.sh cuts its count at the entry of this function (--dump-before).
[[gnu::noinline]] inline void ReportShown() {
    const std::int64_t now = MonotonicNs();
    std::printf("shown_ns=%lld rss_kib=%ld\n", static_cast<long long>(now), PeakRssKiB());
    std::fflush(stdout);
}
