// reader-sim: plays an access-control reader on a serial line and on UDP, for the demo and the
// tests. POSIX only.
#include "sim/SettingsJson.h"
#include "sim/SimApp.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[0], &byte, 1);
}

// Ctrl-C and kill end the event loop, so that the link is removed and the log ends cleanly.
bool InstallSignalHandlers(QCoreApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return false;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(g_signalPipe[1], &byte, 1);
        app.quit();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
    return true;
}

// "a.b.c.d:port" or "a.b.c.d" (the port stays as it is).
bool ParseEndpoint(const QString& text, QHostAddress& address, quint16& port, bool portMayBeZero) {
    QString host = text;
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon >= 0) {
        bool ok = false;
        const uint value = text.mid(colon + 1).toUInt(&ok);
        if (!ok || value > 65535 || (value == 0 && !portMayBeZero)) {
            return false;
        }
        port = quint16(value);
        host = text.left(colon);
    }
    const QHostAddress parsed(host);
    if (parsed.protocol() != QAbstractSocket::IPv4Protocol) {
        return false;
    }
    address = parsed;
    return true;
}

// "0x16,0x10" or "22,16": command codes.
bool ParseCodes(const QString& text, std::set<std::uint8_t>& codes) {
    for (const QString& part : text.split(u',')) {
        bool ok = false;
        const uint value = part.trimmed().toUInt(&ok, 0);
        if (!ok || value > 0xFF) {
            return false;
        }
        codes.insert(std::uint8_t(value));
    }
    return true;
}

int Usage(const QString& message) {
    std::fprintf(stderr, "reader-sim: %s\n", message.toLocal8Bit().constData());
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("reader-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays an access-control reader: answers Tessaro's command frames on a serial line and "
        "announces itself over UDP."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption configOption({QStringLiteral("c"), QStringLiteral("config")},
                                          QStringLiteral("Reader settings from a JSON file."),
                                          QStringLiteral("file"));
    const QCommandLineOption deviceOption(
        {QStringLiteral("d"), QStringLiteral("device")},
        QStringLiteral("Use this serial device instead of a new pseudo-terminal."),
        QStringLiteral("path"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
                                        QStringLiteral("Speed of --device; with --strict-baud, "
                                                       "the reader's own speed (default 9600)."),
                                        QStringLiteral("speed"), QStringLiteral("9600"));
    const QCommandLineOption linkOption(
        {QStringLiteral("l"), QStringLiteral("link")},
        QStringLiteral("Make a symbolic link to the pseudo-terminal at this path."),
        QStringLiteral("path"));
    const QCommandLineOption targetOption(
        {QStringLiteral("t"), QStringLiteral("target")},
        QStringLiteral("Where announcements go (default 127.0.0.1:24583)."),
        QStringLiteral("address[:port]"));
    const QCommandLineOption listenOption(
        QStringLiteral("listen"),
        QStringLiteral("Where network commands are received (default 127.0.0.1:24582; port 0 "
                       "picks a free one)."),
        QStringLiteral("address[:port]"));
    const QCommandLineOption announceOption(
        QStringLiteral("announce-every"),
        QStringLiteral("Announce again every this many seconds (default 0: only at start and "
                       "2 s later)."),
        QStringLiteral("seconds"), QStringLiteral("0"));
    const QCommandLineOption confirmOption(
        QStringLiteral("udp-confirm"),
        QStringLiteral("Also confirm each serial setting over UDP (code + 1)."));
    const QCommandLineOption strictBaudOption(
        QStringLiteral("strict-baud"),
        QStringLiteral("On a pseudo-terminal, answer only when the other end uses the reader's "
                       "own speed and stop bits, and follow its serial parameters."));
    const QCommandLineOption serialParamsFaultOption(
        QStringLiteral("serial-params-fault"),
        QStringLiteral("Fault: with the serial-parameters command, answer without switching, "
                       "switch without answering, ignore it, switch before the reply leaves, or "
                       "answer and switch "
                       "to 256000 baud."),
        QStringLiteral("answers-no-switch|switches-no-answer|ignores|switches-early|"
                       "misreads-speed"));
    const QCommandLineOption readersOption({QStringLiteral("n"), QStringLiteral("readers")},
                                           QStringLiteral("Play this many readers."),
                                           QStringLiteral("count"));
    const QCommandLineOption nameOption(QStringLiteral("name"),
                                        QStringLiteral("Name of the first reader."),
                                        QStringLiteral("name"));
    const QCommandLineOption silentOption(
        QStringLiteral("silent"),
        QStringLiteral("Fault: never answer (nor apply) these command codes, e.g. 0x16,0x10."),
        QStringLiteral("codes"));
    const QCommandLineOption staleOption(
        QStringLiteral("stale"),
        QStringLiteral("Fault: answer these setting codes but keep the old value."),
        QStringLiteral("codes"));
    const QCommandLineOption delayOption(
        QStringLiteral("reply-delay"),
        QStringLiteral("Fault: send every serial reply this many milliseconds late."),
        QStringLiteral("ms"));
    const QCommandLineOption paramReplyOption(
        QStringLiteral("param-reply"),
        QStringLiteral("Fault: answer the parameter query with a short or a garbled reply."),
        QStringLiteral("short|garbled"));
    const QCommandLineOption stopAfterOption(
        QStringLiteral("stop-after"),
        QStringLiteral("Fault: handle this many command frames, then answer nothing."),
        QStringLiteral("frames"));
    const QCommandLineOption ownAddressOption(
        QStringLiteral("own-address"),
        QStringLiteral("Each reader listens and announces at its own IP address (give 127.x.y.z "
                       "addresses on loopback) and moves when a network command changes it."));
    const QCommandLineOption ipOption(
        QStringLiteral("ip"),
        QStringLiteral("IP address of the first reader; the others follow it one by one."),
        QStringLiteral("address"));
    const QCommandLineOption netFaultOption(
        QStringLiteral("net-fault"),
        QStringLiteral("Fault: ignore the network command (no-confirm), or confirm it and keep "
                       "the old settings (unchanged)."),
        QStringLiteral("no-confirm|unchanged"));
    const QCommandLineOption announceDelayOption(
        QStringLiteral("announce-delay"),
        QStringLiteral("Fault: after a network change, announce this many milliseconds late."),
        QStringLiteral("ms"));
    parser.addOptions({ownAddressOption, ipOption, netFaultOption, announceDelayOption});
    parser.addOptions({configOption, deviceOption, baudOption, linkOption, targetOption,
                       listenOption, announceOption, confirmOption, readersOption, nameOption,
                       silentOption, staleOption, delayOption, paramReplyOption, stopAfterOption,
                       strictBaudOption, serialParamsFaultOption});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        return Usage(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments()[0]));
    }

    SimOptions options;
    options.readers.emplace_back();
    if (parser.isSet(configOption)) {
        QString error;
        if (!LoadReadersJson(parser.value(configOption), options.readers, error)) {
            return Usage(error);
        }
    }
    if (parser.isSet(nameOption)) {
        const std::string name = parser.value(nameOption).toStdString();
        if (name.empty() || name.size() > sim::NAME_MAX_LEN) {
            return Usage(QStringLiteral("--name: 1 to %1 bytes").arg(sim::NAME_MAX_LEN));
        }
        options.readers.front().name = name;
    }
    if (parser.isSet(ipOption)) {
        const QHostAddress ip(parser.value(ipOption));
        if (ip.protocol() != QAbstractSocket::IPv4Protocol) {
            return Usage(QStringLiteral("--ip: an IPv4 address such as 127.0.0.2"));
        }
        options.readers.front().net.ipAddr = ip.toIPv4Address();
    }
    if (parser.isSet(readersOption)) {
        bool ok = false;
        const int count = parser.value(readersOption).toInt(&ok);
        if (!ok || count < 1 || count > 250) {
            return Usage(QStringLiteral("--readers: a count from 1 to 250"));
        }
        options.readers.resize(std::min<std::size_t>(options.readers.size(), std::size_t(count)));
        while (options.readers.size() < std::size_t(count)) {
            options.readers.push_back(
                sim::NumberedReader(options.readers.front(), int(options.readers.size()) + 1));
        }
    }
    options.device = parser.value(deviceOption);
    bool ok = false;
    options.deviceBaud = parser.value(baudOption).toInt(&ok);
    if (!ok || options.deviceBaud <= 0) {
        return Usage(QStringLiteral("--baud: a speed such as 9600"));
    }
    options.link = parser.value(linkOption);
    if (!options.link.isEmpty() && !options.device.isEmpty()) {
        return Usage(QStringLiteral("--link goes with the pseudo-terminal, not with --device"));
    }
    if (parser.isSet(targetOption) &&
        !ParseEndpoint(parser.value(targetOption), options.targetAddress, options.targetPort,
                       false)) {
        return Usage(QStringLiteral("--target: an IPv4 address and port, such as 127.0.0.1:24583"));
    }
    if (parser.isSet(listenOption) &&
        !ParseEndpoint(parser.value(listenOption), options.listenAddress, options.listenPort,
                       true)) {
        return Usage(QStringLiteral("--listen: an IPv4 address and port, such as 127.0.0.1:24582"));
    }
    const double seconds = parser.value(announceOption).toDouble(&ok);
    if (!ok || seconds < 0 || seconds > 3600) {
        return Usage(QStringLiteral("--announce-every: seconds from 0 to 3600"));
    }
    options.announceEveryMs = int(seconds * 1000);
    options.udpConfirm = parser.isSet(confirmOption);
    options.strictBaud = parser.isSet(strictBaudOption);
    if (options.strictBaud && options.device.isEmpty() && parser.isSet(baudOption)) {
        // The speed the reader holds, so that it is found and changed there.
        options.readers.front().baudRate = options.deviceBaud;
    }
    sim::SerialFaults& faults = options.faults;
    if (parser.isSet(silentOption) && !ParseCodes(parser.value(silentOption), faults.silent)) {
        return Usage(QStringLiteral("--silent: command codes such as 0x16,0x10"));
    }
    if (parser.isSet(staleOption) && !ParseCodes(parser.value(staleOption), faults.stale)) {
        return Usage(QStringLiteral("--stale: command codes such as 0x16,0x10"));
    }
    if (parser.isSet(delayOption)) {
        faults.replyDelayMs = parser.value(delayOption).toInt(&ok);
        if (!ok || faults.replyDelayMs < 0 || faults.replyDelayMs > 60000) {
            return Usage(QStringLiteral("--reply-delay: milliseconds from 0 to 60000"));
        }
    }
    if (parser.isSet(paramReplyOption)) {
        const QString kind = parser.value(paramReplyOption);
        if (kind == QLatin1String("short")) {
            faults.paramReply = sim::SerialFaults::ParamReply::Short;
        } else if (kind == QLatin1String("garbled")) {
            faults.paramReply = sim::SerialFaults::ParamReply::Garbled;
        } else {
            return Usage(QStringLiteral("--param-reply: short or garbled"));
        }
    }
    if (parser.isSet(stopAfterOption)) {
        const int frames = parser.value(stopAfterOption).toInt(&ok);
        if (!ok || frames < 0) {
            return Usage(QStringLiteral("--stop-after: a number of frames, 0 or more"));
        }
        faults.stopAfter = std::size_t(frames);
    }

    if (parser.isSet(serialParamsFaultOption)) {
        using Fault = sim::SerialFaults::SerialParams;
        const std::pair<const char*, Fault> kinds[] = {
            {"answers-no-switch", Fault::AnswersNoSwitch},
            {"switches-no-answer", Fault::SwitchesNoAnswer},
            {"ignores", Fault::Ignores},
            {"switches-early", Fault::SwitchesEarly},
            {"misreads-speed", Fault::MisreadsSpeed},
        };
        const QString kind = parser.value(serialParamsFaultOption);
        const auto* found =
            std::find_if(std::begin(kinds), std::end(kinds),
                         [&kind](const auto& k) { return kind == QLatin1String(k.first); });
        if (found == std::end(kinds)) {
            return Usage(QStringLiteral("--serial-params-fault: answers-no-switch, "
                                        "switches-no-answer, ignores, switches-early or "
                                        "misreads-speed"));
        }
        faults.serialParams = found->second;
    }

    options.ownAddresses = parser.isSet(ownAddressOption);
    if (parser.isSet(netFaultOption)) {
        const QString kind = parser.value(netFaultOption);
        if (kind == QLatin1String("no-confirm")) {
            options.netFaults.kind = sim::NetFaults::Kind::NoConfirm;
        } else if (kind == QLatin1String("unchanged")) {
            options.netFaults.kind = sim::NetFaults::Kind::Unchanged;
        } else {
            return Usage(QStringLiteral("--net-fault: no-confirm or unchanged"));
        }
    }
    if (parser.isSet(announceDelayOption)) {
        options.netFaults.announceDelayMs = parser.value(announceDelayOption).toInt(&ok);
        if (!ok || options.netFaults.announceDelayMs < 0 ||
            options.netFaults.announceDelayMs > 60000) {
            return Usage(QStringLiteral("--announce-delay: milliseconds from 0 to 60000"));
        }
    }

    if (!InstallSignalHandlers(app)) {
        return Usage(QStringLiteral("cannot set up signal handling"));
    }
    CReaderSimApp sim(std::move(options));
    if (!sim.Start()) {
        return 1;
    }
    const int rc = QCoreApplication::exec();
    PrintStatus(QStringLiteral("stopped"));
    return rc;
}
