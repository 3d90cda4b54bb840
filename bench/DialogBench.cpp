// Figures of the running dialog, each in its own mode so that every run starts a fresh process:
//   discovery   10,000 discovery datagrams until the 10,000th row is listed; peak RSS after
//   udp-rate    the highest paced rate at which the dialog handles every datagram, dump included
//   udp-rate-log the same with the Log window open (every datagram listed there too)
//   serial      last byte of a 182-byte parameter reply written to the pty until every control
//               is filled
//   keep-record "Keep a record" with 64 KiB of text: the longest stall of the event loop
// Each prints "key=value" lines that bench/run-benchmarks.sh collects. Loopback only; the
// dialog binds port 0.
#include "bench/BenchClock.h"
#include "bench/BenchLoop.h"
#include "core/DebugTrace.h"
#include "serial/SettingPayloads.h"
#include "ui/ControlCatalog.h"
#include "ui/LogWindow.h"
#include "ui/TessaroDlg.h"

#include "tests/support/HandParamReply.h"
#include "tests/support/ReaderPty.h"
#include "tests/support/TraceCapture.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUdpSocket>
#include <QWindow>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr int DISCOVERY_COUNT = 10'000;
constexpr std::size_t DISCOVERY_DATAGRAM_LEN = 4 + 96;

void Wait(int ms) {
    QElapsedTimer t;
    t.start();
    RunUntil([&] { return t.elapsed() >= ms; }, ms + 1000);
}

void ShowAndWait(CTessaroDlg& dlg) {
    dlg.show();
    while (!dlg.windowHandle() || !dlg.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

double Ms(std::int64_t ns) {
    return double(ns) / 1e6;
}

int SocketReceiveBuffer(const CTessaroDlg& dlg) {
    int size = 0;
    socklen_t len = sizeof size;
    getsockopt(static_cast<int>(dlg.udpSocket()->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &size,
               &len);
    return size;
}

// A reader on 127.0.0.1, plain POSIX so that it can run on its own thread.
class Sender {
public:
    explicit Sender(quint16 port) : m_fd(socket(AF_INET, SOCK_DGRAM, 0)) {
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(port);
        m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int big = 4 << 20;
        setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    }
    ~Sender() { close(m_fd); }
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;

    bool send(const std::uint8_t* data, std::size_t len) const {
        return sendto(m_fd, data, len, 0, reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to) ==
               static_cast<ssize_t>(len);
    }

private:
    int m_fd;
    sockaddr_in m_to{};
};

// Sends datagram(0) .. datagram(count - 1) to the dialog; `rate` a second, or as fast as the
// socket takes them when rate is 0. Datagram i is due at i / rate after the start; every
// wake-up sends those that are due. Returns the time the last one left.
template <class Make>
std::int64_t PacedSend(quint16 port, long count, long rate, std::int64_t start, Make datagram) {
    const Sender s(port);
    for (long i = 0; i < count;) {
        long due = count;
        if (rate > 0) {
            const double elapsed = double(MonotonicNs() - start) / 1e9;
            due = std::min(count, static_cast<long>(elapsed * double(rate)) + 1);
        }
        for (; i < due; ++i) {
            const auto d = datagram(i);
            s.send(d.data(), d.size());
        }
        if (i < count) {
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        }
    }
    return MonotonicNs();
}

// 05 03 00 00, then a 96-byte record named "R<n>".
std::vector<std::uint8_t> DiscoveryDatagram(int n) {
    std::vector<std::uint8_t> d(DISCOVERY_DATAGRAM_LEN, 0);
    d[0] = 0x05;
    d[1] = 0x03;
    std::snprintf(reinterpret_cast<char*>(d.data() + 4), 16, "R%05d", n);
    return d;
}

// Asks for a larger receive buffer on the dialog's socket (the kernel caps it at
// net.core.rmem_max and doubles it for its bookkeeping).
void SetReceiveBuffer(const CTessaroDlg& dlg, int bytes) {
    if (bytes > 0) {
        setsockopt(static_cast<int>(dlg.udpSocket()->socketDescriptor()), SOL_SOCKET, SO_RCVBUF,
                   &bytes, sizeof bytes);
    }
}

int Discovery(int argc, char* argv[]) {
    const long rate = argc > 3 ? std::atol(argv[3]) : 0;
    CTessaroDlg dlg(0);
    SetReceiveBuffer(dlg, argc > 2 ? std::atoi(argv[2]) : 0);
    ShowAndWait(dlg);
    const long rssShown = PeakRssKiB();
    std::vector<std::vector<std::uint8_t>> datagrams;
    for (int i = 0; i < DISCOVERY_COUNT; ++i) {
        datagrams.push_back(DiscoveryDatagram(i));
    }

    std::int64_t listedNs = 0;
    QObject::connect(dlg.deviceList()->model(), &QAbstractItemModel::rowsInserted, &dlg, [&] {
        if (dlg.deviceList()->count() == DISCOVERY_COUNT) {
            listedNs = MonotonicNs();
        }
    });

    const std::int64_t start = MonotonicNs();
    std::atomic<std::int64_t> sentNs{0};
    std::thread sender([&] {
        sentNs = PacedSend(dlg.LocalUdpPort(), DISCOVERY_COUNT, rate, start,
                           [&](long i) { return datagrams[static_cast<std::size_t>(i)]; });
    });
    // Done when the last row is in, or when nothing more arrives (datagrams lost).
    int lastCount = -1;
    QElapsedTimer quiet;
    quiet.start();
    RunUntil(
        [&] {
            const int count = dlg.deviceList()->count();
            if (count != lastCount) {
                lastCount = count;
                quiet.restart();
            }
            return count == DISCOVERY_COUNT || quiet.elapsed() > 2000;
        },
        60'000);
    sender.join();
    // The view lays out and paints the new rows once the loop is idle.
    QCoreApplication::processEvents();
    const std::int64_t idle = MonotonicNs();

    const int rows = dlg.deviceList()->count();
    std::printf("rcvbuf_bytes=%d\n", SocketReceiveBuffer(dlg));
    std::printf("discovery_send_rate=%ld\n", rate);
    std::printf("discovery_rows=%d\n", rows);
    std::printf("discovery_lost=%d\n", DISCOVERY_COUNT - rows);
    std::printf("discovery_send_ms=%.1f\n", Ms(sentNs - start));
    if (rows == DISCOVERY_COUNT) {
        std::printf("discovery_listed_ms=%.1f\n", Ms(listedNs - start));
    }
    std::printf("discovery_idle_ms=%.1f\n", Ms(idle - start));
    std::printf("rss_shown_kib=%ld\n", rssShown);
    std::printf("rss_10k_readers_kib=%ld\n", PeakRssKiB());
    return rows == DISCOVERY_COUNT ? 0 : 1;
}

// Counts the datagrams the dialog handled: each one that passes the sync check leaves a
// "cmdId" trace on its way to the dispatcher.
class HandledCounter {
public:
    long count() const { return m_count; }

private:
    long m_count = 0;
    TraceCapture m_capture{[this](std::string_view t) {
        if (t.find("cmdId") != std::string_view::npos) {
            ++m_count;
        }
    }};
};

// 05 09 00 00 (a confirmation, length 0: no checksum), then a 4-byte sequence number so that
// every dump differs.
std::array<std::uint8_t, 8> Confirmation(std::uint32_t seq) {
    return {0x05,
            0x09,
            0x00,
            0x00,
            std::uint8_t(seq),
            std::uint8_t(seq >> 8),
            std::uint8_t(seq >> 16),
            std::uint8_t(seq >> 24)};
}

struct RateRun {
    long sent = 0;
    long handled = 0;
    double seconds = 0;
    bool lastDumpShown = false;
};

// Sends `rate` datagrams a second for `seconds`, paced in 1 ms slots, and counts what arrived.
RateRun RunRate(CTessaroDlg& dlg, long rate, double seconds, std::uint32_t& seq) {
    HandledCounter counter;
    const long total = std::lround(double(rate) * seconds);
    std::atomic<bool> done{false};
    const std::uint32_t first = seq;
    seq += static_cast<std::uint32_t>(total);
    const std::uint32_t last = first + static_cast<std::uint32_t>(total - 1);
    const std::int64_t start = MonotonicNs();
    std::int64_t end = 0;
    std::thread sender([&] {
        end = PacedSend(dlg.LocalUdpPort(), total, rate, start, [&](long i) {
            return Confirmation(first + static_cast<std::uint32_t>(i));
        });
        done = true;
    });
    long lastCount = -1;
    QElapsedTimer quiet;
    quiet.start();
    RunUntil(
        [&] {
            if (counter.count() != lastCount) {
                lastCount = counter.count();
                quiet.restart();
            }
            return done && (counter.count() >= total || quiet.elapsed() > 300);
        },
        int(seconds * 1000) + 30'000);
    sender.join();
    RateRun run;
    run.sent = total;
    run.handled = counter.count();
    run.seconds = Ms(end - start) / 1000.0;
    const auto d = Confirmation(last);
    QString dump;
    for (const std::uint8_t b : d) {
        dump += QStringLiteral(" %1").arg(b, 2, 16, QLatin1Char('0'));
    }
    run.lastDumpShown = dlg.PaneText(1) == dump;
    return run;
}

int UdpRate(int argc, char* argv[], bool withLog) {
    CTessaroDlg dlg(0);
    SetReceiveBuffer(dlg, argc > 2 ? std::atoi(argv[2]) : 0);
    ShowAndWait(dlg);
    if (withLog) {
        dlg.button(IDC_LOG)->click();
        Wait(100);
    }
    std::vector<long> rates = {10'000, 15'000, 20'000, 25'000, 30'000, 35'000, 40'000, 50'000};
    if (argc > 3) {
        rates.clear();
        for (int i = 3; i < argc; ++i) {
            rates.push_back(std::atol(argv[i]));
        }
    }
    constexpr double SECONDS = 2.0;
    constexpr int REPEATS = 3;
    std::printf("rcvbuf_bytes=%d\n", SocketReceiveBuffer(dlg));
    std::uint32_t seq = 1;
    long best = 0;
    for (const long rate : rates) {
        int lossless = 0;
        std::vector<long> losses;
        for (int r = 0; r < REPEATS; ++r) {
            Wait(100);
            const RateRun run = RunRate(dlg, rate, SECONDS, seq);
            losses.push_back(run.sent - run.handled);
            if (run.handled == run.sent && run.lastDumpShown) {
                ++lossless;
            }
            std::printf("udp_run rate=%ld sent=%ld handled=%ld lost=%ld send_s=%.3f dump_ok=%d\n",
                        rate, run.sent, run.handled, run.sent - run.handled, run.seconds,
                        run.lastDumpShown ? 1 : 0);
        }
        std::printf("udp_rate=%ld lossless_runs=%d/%d median_lost=%ld\n", rate, lossless, REPEATS,
                    Median(losses));
        std::fflush(stdout);
        // Only rates at which no run lost anything count.
        if (lossless == REPEATS) {
            best = std::max(best, rate);
        }
    }
    std::printf("udp_best_lossless_rate=%ld\n", best);
    if (withLog) {
        // Evidence that the window was open and listing: its rows and the buffer's count.
        // One refresh of a full log after one more datagram, so one more entry dropped: the
        // view is reset and lays its rows out again.
        QUdpSocket one;
        const auto d = Confirmation(seq);
        const std::uint64_t added = dlg.frameLog().Added();
        one.writeDatagram(reinterpret_cast<const char*>(d.data()), qint64(d.size()),
                          QHostAddress::LocalHost, dlg.LocalUdpPort());
        RunUntil([&] { return dlg.frameLog().Added() > added; }, 5000);
        const std::int64_t before = MonotonicNs();
        dlg.logWindow()->Refresh();
        QCoreApplication::processEvents(); // the view lays its rows out in the event loop
        const double refreshMs = Ms(MonotonicNs() - before);
        std::printf("log_window_visible=%d log_rows=%d log_entries=%zu log_dropped=%llu "
                    "log_full_refresh_ms=%.2f\n",
                    dlg.logWindow()->isVisible() ? 1 : 0, dlg.logWindow()->model()->rowCount(),
                    dlg.frameLog().Size(),
                    static_cast<unsigned long long>(dlg.frameLog().Dropped()), refreshMs);
    }

    // Unpaced: as fast as one sender can go; what the dialog gets through.
    HandledCounter counter;
    constexpr long BLAST = 200'000;
    std::atomic<bool> done{false};
    const std::int64_t start = MonotonicNs();
    std::thread sender([&] {
        PacedSend(dlg.LocalUdpPort(), BLAST, 0, start,
                  [&](long i) { return Confirmation(seq + static_cast<std::uint32_t>(i)); });
        done = true;
    });
    long lastCount = -1;
    QElapsedTimer quiet;
    quiet.start();
    std::int64_t lastHandledNs = start;
    RunUntil(
        [&] {
            if (counter.count() != lastCount) {
                lastCount = counter.count();
                lastHandledNs = MonotonicNs();
                quiet.restart();
            }
            return done && quiet.elapsed() > 300;
        },
        60'000);
    sender.join();
    std::printf("udp_unpaced sent=%ld handled=%ld handled_per_s=%.0f\n", BLAST, counter.count(),
                double(counter.count()) / (Ms(lastHandledNs - start) / 1000.0));
    return 0;
}

bool OpenPort(CTessaroDlg& dlg, const ReaderPty& pty) {
    dlg.combo(IDC_PORT)->setEditText(pty.path());
    dlg.button(IDC_OPEN_SERIAL_PORT)->click();
    return dlg.comm().get_PortOpen();
}

int Serial(int argc, char* argv[]) {
    const int runs = argc > 2 ? std::atoi(argv[2]) : 50;
    CTessaroDlg dlg(0);
    QStringList messages;
    dlg.SetMessageHook([&](const QString& t) { messages << t; });
    ShowAndWait(dlg);
    ReaderPty pty;
    if (!OpenPort(dlg, pty)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(pty.path()));
        return 1;
    }
    const QByteArray reply = HandParamReply();
    // Connected after the dialog's own handler, so it runs once that handler has returned.
    std::int64_t filledNs = 0;
    QObject::connect(&dlg.comm(), &CMscomm1::OnComm, &dlg, [&] {
        if (dlg.replyState().recvCount == reply.size()) {
            filledNs = MonotonicNs();
        }
    });
    std::vector<double> us;
    for (int i = 0; i < runs; ++i) {
        // Back to the defaults, so that every run fills the controls anew.
        for (const int id : {IDC_OUTPUT_FORMAT, IDC_START_BIT, IDC_READER_BAUD}) {
            dlg.combo(id)->setCurrentIndex(0);
        }
        dlg.edit(IDC_LOW_PULSE)->setText(QStringLiteral("400"));
        dlg.edit(IDC_CARD_SUFFIX)->clear();
        messages.clear();
        dlg.button(IDC_GET_PARAMETER)->click();
        Wait(2);
        pty.readAvailable();
        pty.write(reply.left(reply.size() - 1));
        if (!RunUntil([&] { return dlg.replyState().recvCount == reply.size() - 1; }, 5000)) {
            std::fprintf(stderr, "the first 181 bytes did not arrive\n");
            return 1;
        }
        Wait(5);
        filledNs = 0;
        const std::int64_t start = MonotonicNs();
        pty.write(reply.right(1));
        if (!RunUntil([&] { return filledNs != 0; }, 5000)) {
            std::fprintf(stderr, "the last byte was not handled\n");
            return 1;
        }
        const bool filled = messages == QStringList{QStringLiteral("Get params successful")} &&
                            dlg.combo(IDC_OUTPUT_FORMAT)->currentIndex() == 3 &&
                            dlg.combo(IDC_START_BIT)->currentIndex() == 7 &&
                            dlg.combo(IDC_READER_BAUD)->currentText() == QStringLiteral("115200") &&
                            dlg.edit(IDC_LOW_PULSE)->text() == QStringLiteral("500") &&
                            dlg.edit(IDC_CARD_SUFFIX)->text() == QStringLiteral("ok");
        if (!filled) {
            std::fprintf(stderr, "the reply did not fill the dialog\n");
            return 1;
        }
        us.push_back(double(filledNs - start) / 1e3);
    }
    std::sort(us.begin(), us.end());
    std::printf("serial_runs=%d\n", runs);
    std::printf("serial_fill_median_us=%.0f\n", Median(us));
    std::printf("serial_fill_p90_us=%.0f\n", us[us.size() * 9 / 10]);
    std::printf("serial_fill_max_us=%.0f\n", us.back());
    return 0;
}

// Lines of a plausible record text, 64 KiB in all.
QString RecordText() {
    QString text;
    for (int i = 0; text.size() < 64 * 1024; ++i) {
        text += QStringLiteral("%1 card 0x%2 door %3 granted\n")
                    .arg(i, 6, 10, QLatin1Char('0'))
                    .arg(i * 2654435761u, 8, 16, QLatin1Char('0'))
                    .arg(i % 7);
    }
    text.truncate(64 * 1024);
    return text;
}

int KeepRecord(int argc, char* argv[]) {
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    CTessaroDlg dlg(0);
    QStringList messages;
    dlg.SetMessageHook([&](const QString& t) { messages << t; });
    ShowAndWait(dlg);
    ReaderPty pty;
    if (!OpenPort(dlg, pty)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(pty.path()));
        return 1;
    }
    const QString text = RecordText();
    // Line breaks go out as CR LF, so the frames carry a little more than the text.
    const QByteArray local = text.toLocal8Bit();
    const qsizetype bytes = static_cast<qsizetype>(
        RecordTextBytes(std::string_view(local.constData(), static_cast<std::size_t>(local.size())))
            .size());
    const qsizetype frames = (bytes + 159) / 160;
    dlg.memo(IDC_RECORD)->setPlainText(text);

    // A 1 ms timer: the longest gap between its ticks is the longest the loop was held up.
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    std::int64_t lastTick = 0, longest = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const std::int64_t now = MonotonicNs();
        if (lastTick) {
            longest = std::max(longest, now - lastTick);
        }
        lastTick = now;
    });

    std::vector<double> stallMs, handlerMs;
    for (int i = 0; i < runs; ++i) {
        QByteArray received;
        lastTick = 0;
        tick.start();
        Wait(50);
        longest = 0; // the ticks go on: the gap across the press counts
        std::int64_t handler = 0;
        QTimer::singleShot(0, &dlg, [&] {
            const std::int64_t start = MonotonicNs();
            dlg.button(IDC_KEEP_RECORD)->click();
            handler = MonotonicNs() - start;
        });
        // The reader takes the frames as they come.
        RunUntil(
            [&] {
                received += pty.readAvailable();
                return received.size() >= frames * 164;
            },
            10'000);
        Wait(50);
        tick.stop();
        if (received.size() != frames * 164 || !messages.isEmpty()) {
            for (const QString& m : messages) {
                std::fprintf(stderr, "message: %s\n", qPrintable(m));
            }
            std::fprintf(stderr, "got %lld bytes of %lld, %lld messages\n",
                         static_cast<long long>(received.size()),
                         static_cast<long long>(frames * 164),
                         static_cast<long long>(messages.size()));
            return 1;
        }
        stallMs.push_back(Ms(longest));
        handlerMs.push_back(Ms(handler));
    }
    std::printf("record_text_chars=%lld sent_bytes=%lld frames=%lld\n",
                static_cast<long long>(text.size()), static_cast<long long>(bytes),
                static_cast<long long>(frames));
    std::printf("record_handler_median_ms=%.1f\n", Median(handlerMs));
    std::printf("record_longest_stall_median_ms=%.1f\n", Median(stallMs));
    std::printf("record_longest_stall_max_ms=%.1f\n",
                *std::max_element(stallMs.begin(), stallMs.end()));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "discovery") {
        return Discovery(argc, argv);
    }
    if (mode == "udp-rate") {
        return UdpRate(argc, argv, false);
    }
    if (mode == "udp-rate-log") {
        return UdpRate(argc, argv, true);
    }
    if (mode == "serial") {
        return Serial(argc, argv);
    }
    if (mode == "keep-record") {
        return KeepRecord(argc, argv);
    }
    std::fprintf(
        stderr,
        "usage: %s discovery [RCVBUF] | udp-rate[-log] [RCVBUF [RATE...]] | serial [RUNS] |"
        " keep-record [RUNS]\n",
        argv[0]);
    return 2;
}
