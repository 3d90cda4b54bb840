// tessaroctl figures against reader-sim on pseudo-terminals: "get" from exec to exit, and one
// apply of a full profile to a fleet of readers against the same apply to one reader alone,
// with the peak RSS of tessaroctl (medians of several runs). POSIX only.
//   bench_ctl TESSAROCTL READER_SIM [FLEET_SIZE] [RUNS] [threads|processes]
// With "threads" (the default) the readers are the simulator's core in this process, one thread
// serving every pseudo-terminal without a log, so that the figure is tessaroctl's and not that of
// 33 simulator processes sharing the machine's cores; "processes" runs a reader-sim per reader.
#include "bench/BenchClock.h"
#include "sim/FrameParser.h"
#include "sim/ReaderSim.h"
#include "tests/support/FullProfiles.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Sim {
    pid_t pid = -1;
    std::string pty;
};

// Starts reader-sim and reads its output until it names its pseudo-terminal; its further log
// goes to /dev/null.
Sim StartSim(const std::string& program, int sinkPort) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const std::string target = "127.0.0.1:" + std::to_string(sinkPort);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(program.c_str(), program.c_str(), "--listen", "127.0.0.1:0", "--target",
              target.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char c;
    while (read(fds[0], &c, 1) == 1) {
        if (c != '\n') {
            text += c;
            continue;
        }
        const std::string prefix = "reader-sim: serial port ";
        if (text.rfind(prefix, 0) == 0) {
            Sim sim{pid, text.substr(prefix.size())};
            // Keep draining its log so that it never blocks on a full pipe.
            if (fork() == 0) {
                char block[4096];
                while (read(fds[0], block, sizeof block) > 0) {
                }
                _exit(0);
            }
            close(fds[0]);
            return sim;
        }
        text.clear();
    }
    close(fds[0]);
    return {pid, {}};
}

// Readers on pseudo-terminals, answered from one thread.
class ThreadReaders {
public:
    ~ThreadReaders() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        for (const Line& line : m_lines) {
            close(line.master);
            close(line.slave);
        }
    }

    std::string Add() {
        Line line;
        char name[256] = {};
        if (openpty(&line.master, &line.slave, name, nullptr, nullptr) != 0) {
            return {};
        }
        termios raw{};
        tcgetattr(line.slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(line.slave, TCSANOW, &raw);
        fcntl(line.master, F_SETFL, fcntl(line.master, F_GETFL) | O_NONBLOCK);
        line.reader = std::make_unique<sim::ReaderSim>(std::vector<sim::ReaderSettings>{{}});
        line.parser = std::make_unique<sim::FrameParser>();
        m_lines.push_back(std::move(line));
        return name;
    }

    void Start() {
        m_thread = std::thread([this] { Serve(); });
    }

private:
    struct Line {
        int master = -1;
        int slave = -1; // kept open, so that the master side lives between runs
        std::unique_ptr<sim::ReaderSim> reader;
        std::unique_ptr<sim::FrameParser> parser;
    };

    void Serve() {
        std::vector<pollfd> fds;
        for (const Line& line : m_lines) {
            fds.push_back({line.master, POLLIN, 0});
        }
        std::uint8_t buf[4096];
        while (!m_stop) {
            if (poll(fds.data(), fds.size(), 50) <= 0) {
                continue;
            }
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (!(fds[i].revents & POLLIN)) {
                    continue;
                }
                const ssize_t n = read(fds[i].fd, buf, sizeof buf);
                if (n <= 0) {
                    continue;
                }
                Line& line = m_lines[i];
                for (const auto& input : line.parser->Feed({buf, std::size_t(n)})) {
                    const auto reply = line.reader->HandleSerial(input).serialReply;
                    if (!reply.empty()) {
                        [[maybe_unused]] const auto w =
                            write(line.master, reply.data(), reply.size());
                    }
                }
            }
        }
    }

    std::vector<Line> m_lines;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

struct Run {
    double ms = 0;
    double cpuMs = 0; // tessaroctl's own, user and system
    long rssKiB = 0;
    int exitCode = -1;
};

Run RunCtl(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const std::int64_t start = MonotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        if (const int devnull = open("/dev/null", O_WRONLY); devnull >= 0) {
            dup2(devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.ms = double(MonotonicNs() - start) / 1e6;
    run.rssKiB = usage.ru_maxrss;
    run.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TESSAROCTL READER_SIM [FLEET_SIZE] [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string ctl = argv[1];
    const std::string simProgram = argv[2];
    const int fleetSize = argc > 3 ? std::atoi(argv[3]) : 32;
    const int runs = argc > 4 ? std::atoi(argv[4]) : 11;
    const bool processes = argc > 5 && std::string(argv[5]) == "processes";

    char dir[] = "/tmp/bench_ctl_XXXXXX";
    if (!mkdtemp(dir)) {
        return 1;
    }
    std::string profiles[2];
    for (int i = 0; i < 2; ++i) {
        profiles[i] = std::string(dir) + "/p" + std::to_string(i) + ".json";
        std::FILE* f = std::fopen(profiles[i].c_str(), "w");
        std::fputs(FULL_PROFILES[i], f);
        std::fclose(f);
    }

    // Announcements go to the discard port of loopback: nobody listens there.
    std::vector<Sim> sims;
    ThreadReaders threadReaders;
    for (int i = 0; i < fleetSize + 1; ++i) {
        sims.push_back(processes ? StartSim(simProgram, 9) : Sim{-1, threadReaders.Add()});
        if (sims.back().pty.empty()) {
            std::fprintf(stderr, "reader %d did not start\n", i);
            return 1;
        }
    }
    if (!processes) {
        threadReaders.Start();
    }
    std::printf("readers: %s\n", processes ? "one reader-sim process each"
                                           : "the simulator's core, one thread for all");
    const Sim& alone = sims.back();

    int failures = 0;
    std::vector<double> getMs;
    long getRss = 0;
    for (int r = 0; r < runs; ++r) {
        const Run run = RunCtl({ctl, "get", "--port", alone.pty});
        failures += run.exitCode != 0;
        getMs.push_back(run.ms);
        getRss = std::max(getRss, run.rssKiB);
    }
    std::printf("get, exec to exit: median %.1f ms of %d runs (target: at most 60 ms), peak RSS "
                "%.1f MiB\n",
                Median(getMs), runs, double(getRss) / 1024);

    std::vector<double> oneMs;
    std::vector<double> fleetMs;
    std::vector<double> oneCpu;
    std::vector<double> fleetCpu;
    long oneRss = 0;
    long fleetRss = 0;
    for (int r = 0; r < runs; ++r) {
        const std::string& profile = profiles[r % 2];
        Run run = RunCtl({ctl, "apply", "--port", alone.pty, profile});
        failures += run.exitCode != 0;
        oneMs.push_back(run.ms);
        oneCpu.push_back(run.cpuMs);
        oneRss = std::max(oneRss, run.rssKiB);

        std::vector<std::string> args{ctl, "apply"};
        for (int i = 0; i < fleetSize; ++i) {
            args.push_back("--port");
            args.push_back(sims[std::size_t(i)].pty);
        }
        args.push_back(profile);
        run = RunCtl(args);
        failures += run.exitCode != 0;
        fleetMs.push_back(run.ms);
        fleetCpu.push_back(run.cpuMs);
        fleetRss = std::max(fleetRss, run.rssKiB);
    }
    const double one = Median(oneMs);
    const double fleet = Median(fleetMs);
    std::printf("apply of a full profile (23 keys), one reader: median %.1f ms, peak "
                "RSS %.1f MiB\n",
                one, double(oneRss) / 1024);
    std::printf("apply of the same to %d readers at once: median %.1f ms = %.2f x one reader "
                "(target: at most 2), peak RSS %.1f MiB (target: at most 25 MiB)\n",
                fleetSize, fleet, one > 0 ? fleet / one : 0, double(fleetRss) / 1024);
    // The simulators share this machine's cores; real readers each work on their own.
    std::printf("tessaroctl's own CPU time: one reader %.1f ms, %d readers %.1f ms\n",
                Median(oneCpu), fleetSize, Median(fleetCpu));
    std::printf("runs that did not exit 0: %d\n", failures);

    for (const Sim& sim : sims) {
        if (sim.pid > 0) {
            kill(sim.pid, SIGINT);
            waitpid(sim.pid, nullptr, 0);
        }
    }
    for (const std::string& p : profiles) {
        unlink(p.c_str());
    }
    rmdir(dir);
    return failures == 0 ? 0 : 1;
}
