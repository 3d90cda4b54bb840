// Start-up figure: time from process start until the dialog is shown, and peak RSS at that
// moment, for Tessaro and for a minimal Qt dialog, median of several runs of each.
#include "bench/BenchClock.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
    double ms;
    long rssKiB;
};

bool RunOnce(const std::string& program, Sample& out) {
    int fds[2];
    if (pipe(fds) != 0) {
        return false;
    }
    const std::int64_t start = MonotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        if (const int devnull = open("/dev/null", O_WRONLY); devnull >= 0) {
            dup2(devnull, STDERR_FILENO); // Qt's platform chatter is not the figure
        }
        close(fds[0]);
        close(fds[1]);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) {
        text.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long shown = 0;
    long rss = 0;
    const auto pos = text.find("shown_ns=");
    if (pos == std::string::npos ||
        std::sscanf(text.c_str() + pos, "shown_ns=%lld rss_kib=%ld", &shown, &rss) != 2) {
        return false;
    }
    out = {double(shown - start) / 1e6, rss};
    return true;
}

template <class T> T Median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TESSARO_STARTUP MINIMAL_DIALOG [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 15;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<double> tessaroMs, minimalMs;
    std::vector<long> tessaroRss, minimalRss;
    // Interleaved, so that a busy moment of the machine hits both alike.
    for (int i = 0; i < runs; ++i) {
        Sample t{}, m{};
        if (!RunOnce(argv[1], t) || !RunOnce(argv[2], m)) {
            std::fprintf(stderr, "a start-up run failed\n");
            return 1;
        }
        tessaroMs.push_back(t.ms);
        tessaroRss.push_back(t.rssKiB);
        minimalMs.push_back(m.ms);
        minimalRss.push_back(m.rssKiB);
    }
    const double t = Median(tessaroMs), m = Median(minimalMs);
    std::printf("start-up until shown, median of %d runs (QT_QPA_PLATFORM=%s):\n", runs,
                std::getenv("QT_QPA_PLATFORM"));
    std::printf("  tessaro        %8.1f ms   peak RSS %6.1f MiB\n", t, Median(tessaroRss) / 1024.0);
    std::printf("  minimal dialog %8.1f ms   peak RSS %6.1f MiB\n", m, Median(minimalRss) / 1024.0);
    std::printf("  ratio          %8.2f     (target: at most 1.30)\n", t / m);
    return 0;
}
