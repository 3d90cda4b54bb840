// Start-up figure: time from process start until the dialog is shown, and peak RSS at that
// moment, for Tessaro and for a minimal Qt dialog, median of several runs of each. On an X
// display (QT_QPA_PLATFORM=xcb) it also takes the time until the X server maps the program's
// window, as an outside observer sees it.
#include "bench/BenchClock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef TESSARO_BENCH_XCB
#include <xcb/xcb.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
    double ms;
    long rssKiB;
    double mappedMs; // -1 when not watched
};

// Map notifications of the root window's children: a top-level window without a window
// manager, or the manager's frame around it.
class MapWatch {
public:
    MapWatch() {
#ifdef TESSARO_BENCH_XCB
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        if (!std::getenv("DISPLAY") || !platform || std::string(platform) != "xcb") {
            return;
        }
        m_conn = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_conn)) {
            xcb_disconnect(m_conn);
            m_conn = nullptr;
            return;
        }
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_conn, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_conn);
#endif
    }
    ~MapWatch() {
#ifdef TESSARO_BENCH_XCB
        if (m_conn) {
            xcb_disconnect(m_conn);
        }
#endif
    }
    bool Active() const {
        return m_conn != nullptr;
    }
    int Fd() const {
#ifdef TESSARO_BENCH_XCB
        return m_conn ? xcb_get_file_descriptor(m_conn) : -1;
#else
        return -1;
#endif
    }
    // The time of the first map notification since the last call, or 0.
    std::int64_t Drain() {
        std::int64_t mapped = 0;
#ifdef TESSARO_BENCH_XCB
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_conn)) {
            if ((e->response_type & 0x7F) == XCB_MAP_NOTIFY && mapped == 0) {
                mapped = MonotonicNs();
            }
            std::free(e);
        }
#endif
        return mapped;
    }

private:
#ifdef TESSARO_BENCH_XCB
    xcb_connection_t* m_conn = nullptr;
#else
    void* m_conn = nullptr;
#endif
};

bool RunOnce(const std::string& program, Sample& out, MapWatch& watch) {
    int fds[2];
    if (pipe(fds) != 0) {
        return false;
    }
    if (watch.Active()) {
        watch.Drain(); // what an earlier run left
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
    std::int64_t mapped = 0;
    for (bool open = true; open;) {
        pollfd polls[2] = {{fds[0], POLLIN, 0}, {watch.Fd(), POLLIN, 0}};
        if (poll(polls, watch.Active() ? 2 : 1, -1) < 0) {
            continue;
        }
        if (watch.Active() && (polls[1].revents & POLLIN)) {
            if (const std::int64_t at = watch.Drain(); at && !mapped) {
                mapped = at;
            }
        }
        if (polls[0].revents & (POLLIN | POLLHUP)) {
            const ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) {
                open = false;
            } else {
                text.append(buf, static_cast<std::size_t>(n));
            }
        }
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
    out = {double(shown - start) / 1e6, rss, mapped ? double(mapped - start) / 1e6 : -1.0};
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TESSARO_STARTUP MINIMAL_DIALOG [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 15;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<double> tessaroMs, minimalMs, tessaroMapped, minimalMapped;
    std::vector<long> tessaroRss, minimalRss;
    MapWatch watch;
    // Interleaved, so that a busy moment of the machine hits both alike.
    for (int i = 0; i < runs; ++i) {
        Sample t{}, m{};
        if (!RunOnce(argv[1], t, watch) || !RunOnce(argv[2], m, watch)) {
            std::fprintf(stderr, "a start-up run failed\n");
            return 1;
        }
        tessaroMs.push_back(t.ms);
        tessaroRss.push_back(t.rssKiB);
        minimalMs.push_back(m.ms);
        minimalRss.push_back(m.rssKiB);
        if (t.mappedMs >= 0 && m.mappedMs >= 0) {
            tessaroMapped.push_back(t.mappedMs);
            minimalMapped.push_back(m.mappedMs);
        }
    }
    const double t = Median(tessaroMs), m = Median(minimalMs);
    std::printf("start-up until shown, median of %d runs (QT_QPA_PLATFORM=%s):\n", runs,
                std::getenv("QT_QPA_PLATFORM"));
    std::printf("  tessaro        %8.1f ms   peak RSS %6.1f MiB\n", t, Median(tessaroRss) / 1024.0);
    std::printf("  minimal dialog %8.1f ms   peak RSS %6.1f MiB\n", m, Median(minimalRss) / 1024.0);
    std::printf("  ratio          %8.2f     (target: at most 1.30)\n", t / m);
    if (!tessaroMapped.empty()) {
        const double tm = Median(tessaroMapped), mm = Median(minimalMapped);
        std::printf("until the X server maps the window, median of %zu runs:\n",
                    tessaroMapped.size());
        std::printf(
            "  tessaro        %8.1f ms\n  minimal dialog %8.1f ms\n  ratio          %8.2f\n", tm,
            mm, tm / mm);
    }
    return 0;
}
