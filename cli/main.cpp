// tessaroctl: configure, check and find readers from a shell, one reader or a whole fleet.
#include "cli/CtlCommands.h"
#include "cli/CtlRun.h"
#include "cli/Discover.h"
#include "cli/NetCommand.h"
#include "core/ChoiceLists.h"
#include "core/Frame.h"
#include "profile/ProfileFile.h"
#include "serial/SettingPayloads.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

namespace {

constexpr int DEFAULT_BAUD = 9600;
// A speed at which nothing sensible comes back is given up sooner than a setting.
constexpr std::int64_t FIND_REPLY_MS = 500;
// A record's text may hold CR LF pairs: its reply has ended once the line is this quiet.
constexpr std::int64_t RECORD_QUIET_MS = 200;
// The record count reply's data: the count, 32 bits little-endian.
constexpr std::size_t RECORD_COUNT_LEN = 4;

const char* const USAGE_END = R"(  tessaroctl --help | --version | COMMAND --help

--pcap FILE writes a pcapng capture for Wireshark.
PORT is a path (a name with a slash, or a file in the current directory), "com N" (N >= 1),
or a device name such as ttyUSB0.
Exit codes: 0 success, 1 usage error, 2 port cannot be opened or vanished, 3 no reply in time
(or a reply that is not the one asked for), 4 a setting did not read back as sent, 5 profile or
KEY=VALUE refused (nothing sent), 6 a --out, --trace or --pcap file cannot be written,
130/143 stopped by Ctrl-C/SIGTERM.
)";

QString Latin(const char* text) {
    return QString::fromLatin1(text);
}

// What find met on each port: the speed that answered, or why none did.
struct SpeedScan {
    std::vector<std::optional<int>> found;
    std::vector<int> codes;
    std::vector<QString> errors;
};

} // namespace

class Cli {
public:
    int Run(const QStringList& arguments);
    // Writes the --pcap capture, once the command is done.
    int Finish(int code) {
        QString error;
        if (!m_trace.WritePcap(&error)) {
            Err(error);
            return code == EXIT_OK ? EXIT_FILE : code;
        }
        return code;
    }

    int Ports();
    int Get();
    int Apply();
    int Diff();
    int Set();
    int Records();
    int Find();
    int Discover();
    int Net();

private:
    int Usage(const QString& message) {
        Err(message);
        Err(QStringLiteral("try: tessaroctl %1--help")
                .arg(m_command ? Latin(m_command->name) + u' ' : QString()));
        return EXIT_USAGE;
    }
    // Only the options the command takes can be set.
    bool IsSet(const CtlOption& option) const {
        return m_command->Takes(option) && m_parser.isSet(Latin(option.name));
    }
    QString Value(const CtlOption& option) const { return m_parser.value(Latin(option.name)); }
    bool OpenTrace(int& code);
    // One run per port, at the port's speed (--baud, or what --baud auto found).
    std::vector<PortRun>
    Runs(const std::function<std::unique_ptr<PortJob>(int baud)>& makeJob) const;
    // --baud auto: each port's speed, found as find finds it, said on stderr.
    void FindSpeeds();
    // Each speed is a run of its own on every port still looking; ports go at once.
    SpeedScan ScanSpeeds(const QStringList& ports);

    int ApplyProfile(const Profile& profile, SequencerMode mode);
    // apply and diff: one PROFILE file, read strictly; a refused one sends nothing.
    int ProfileFileCommand(SequencerMode mode);
    // --json: the document a command prints when it is refused before any port is opened.
    int Refused(const QString& error, const Profile& profile);
    // 130 or 143 once Ctrl-C or SIGTERM stopped the run, else code.
    static int StoppedOr(int code) { return StopSignal() != 0 ? 128 + StopSignal() : code; }

    QStringList m_arguments;
    const CtlCommand* m_command = nullptr;
    QCommandLineParser m_parser;
    QStringList m_ports;
    int m_baud = DEFAULT_BAUD;
    bool m_baudAuto = false;
    std::map<QString, int> m_foundBaud; // --baud auto: the speed each port answered at
    bool m_json = false;
    TraceFile m_trace;
};

namespace {

// A new command is a row here and its function in Cli.
const CtlCommand COMMANDS[] = {
    {"ports", &Cli::Ports, "List the serial ports of this machine.", "", "[--json]", {JSON_OPTION}},
    {"get",
     &Cli::Get,
     "Read a reader's settings; --out writes them as a profile file.",
     "",
     "--port PORT [--baud N|auto] [--card-output-format hex|ASCII] [--json]\n"
     "[--out FILE] [--trace FILE] [--pcap FILE]",
     {PORT_OPTION, BAUD_OPTION, JSON_OPTION, TRACE_OPTION, PCAP_OPTION, OUT_OPTION,
      CARD_FORMAT_OPTION},
     PortCount::One},
    {"apply",
     &Cli::Apply,
     "Apply a profile and verify it by reading the reader back.",
     "PROFILE",
     "--port PORT [--port PORT ...] [--baud N|auto] [--all] [--dry-run] [--json]\n"
     "[--trace FILE] [--pcap FILE] PROFILE",
     {PORT_OPTION, BAUD_OPTION, JSON_OPTION, TRACE_OPTION, PCAP_OPTION, ALL_OPTION, DRY_RUN_OPTION},
     PortCount::OneOrMore,
     {WordCompletion::JsonFiles}},
    {"diff",
     &Cli::Diff,
     "Compare a reader with a profile; sends no setting.",
     "PROFILE",
     "--port PORT [--baud N|auto] [--json] [--trace FILE] [--pcap FILE] PROFILE",
     {PORT_OPTION, BAUD_OPTION, JSON_OPTION, TRACE_OPTION, PCAP_OPTION},
     PortCount::One,
     {WordCompletion::JsonFiles}},
    {"set",
     &Cli::Set,
     "Apply settings given as KEY=VALUE and verify them.",
     "KEY=VALUE...",
     "--port PORT [--baud N|auto] [--json] [--trace FILE] [--pcap FILE]\n"
     "KEY=VALUE [KEY=VALUE ...]",
     {PORT_OPTION, BAUD_OPTION, JSON_OPTION, TRACE_OPTION, PCAP_OPTION},
     PortCount::One,
     {WordCompletion::Keys}},
    {"records",
     &Cli::Records,
     "Total records, read a record, or keep a file's text as a record.",
     "total | read | keep FILE",
     "--port PORT [--baud N|auto] [--trace FILE] [--pcap FILE]\n"
     "(total | read | keep FILE)",
     {PORT_OPTION, BAUD_OPTION, TRACE_OPTION, PCAP_OPTION},
     PortCount::One,
     {WordCompletion::Listed, "total read keep", "keep"}},
    {"find",
     &Cli::Find,
     "Find the speed at which a reader answers on each port.",
     "",
     "[--port PORT ...] [--json] [--trace FILE] [--pcap FILE]",
     {PORT_OPTION, JSON_OPTION, TRACE_OPTION, PCAP_OPTION}},
    {"discover",
     &Cli::Discover,
     "List the readers that announce themselves on the network (UDP 24583).",
     "",
     "[--seconds S] [--json]",
     {JSON_OPTION, SECONDS_OPTION}},
    {"net",
     &Cli::Net,
     "Read or set readers' network settings over the LAN, proving each change.",
     "(get | set) ...",
     "(get | set) [--device NAME | --address IP] [--json] ...  (net --help)",
     NetOptions(),
     PortCount::Any,
     {},
     NetVerbs()},
};

QString UsageText() {
    return QStringLiteral("Usage:\n") + CommandUsage(COMMANDS) + Latin(USAGE_END);
}

} // namespace

int Cli::Run(const QStringList& arguments) {
    m_arguments = arguments;
    if (arguments.size() < 2) {
        Err(QStringLiteral("a command is needed"));
        std::fputs(UsageText().toLocal8Bit().constData(), stderr);
        return EXIT_USAGE;
    }
    const QString first = arguments[1];
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        Out(UsageText());
        return EXIT_OK;
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        Out(QStringLiteral("tessaroctl %1\n").arg(QCoreApplication::applicationVersion()));
        return EXIT_OK;
    }
    // Not in the usage: what packaging/tessaroctl.bash is checked against.
    if (first == QLatin1String("--bash-completion")) {
        const QStringList problems = TableProblems(COMMANDS);
        for (const QString& problem : problems) {
            Err(problem);
        }
        if (!problems.isEmpty()) {
            return EXIT_USAGE;
        }
        Out(BashCompletion(COMMANDS));
        return EXIT_OK;
    }
    for (const CtlCommand& command : COMMANDS) {
        if (first == QLatin1String(command.name)) {
            m_command = &command;
        }
    }
    if (!m_command) {
        return Usage(QStringLiteral("unknown command %1").arg(first));
    }
    if (!m_command->verbs.empty()) {
        return (this->*m_command->run)(); // parses its own options
    }
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(OptionUse(HELP_OPTION).Parser());
    for (const OptionUse& option : m_command->options) {
        m_parser.addOption(option.Parser());
    }
    const QString name = Latin(m_command->name);
    QStringList rest = arguments;
    rest.removeAt(1);
    if (!m_parser.parse(rest)) {
        return Usage(m_parser.errorText());
    }
    if (m_parser.isSet(Latin(HELP_OPTION.name))) {
        m_parser.setApplicationDescription(Latin(m_command->summary));
        QString help = m_parser.helpText();
        help = QStringLiteral("Usage: tessaroctl %1 [options] %2")
                   .arg(name, Latin(m_command->arguments))
                   .trimmed() +
               help.mid(help.indexOf(u'\n'));
        Out(help);
        return EXIT_OK;
    }
    if (m_command->Takes(PORT_OPTION)) {
        m_ports = m_parser.values(Latin(PORT_OPTION.name));
        QStringList paths;
        for (const QString& port : m_ports) {
            if (const QString error = PortNameError(port); !error.isEmpty()) {
                return Usage(error);
            }
            const QString path = SerialDevicePath(port);
            if (paths.contains(path)) {
                return Usage(QStringLiteral("--port %1 is given twice").arg(port));
            }
            paths << path;
        }
    }
    if (IsSet(BAUD_OPTION)) {
        bool ok = false;
        m_baudAuto = Value(BAUD_OPTION) == QLatin1String("auto");
        m_baud = m_baudAuto ? DEFAULT_BAUD : Value(BAUD_OPTION).toInt(&ok);
        if (!m_baudAuto && (!ok || m_baud <= 0)) {
            return Usage(QStringLiteral("--baud: a speed such as 9600, or auto"));
        }
    }
    m_json = IsSet(JSON_OPTION);
    if (m_command->ports != PortCount::Any && m_ports.isEmpty()) {
        return Usage(QStringLiteral("--port is needed"));
    }
    if (m_command->ports == PortCount::One && m_ports.size() > 1) {
        return Usage(QStringLiteral("%1 takes one --port").arg(name));
    }
    return (this->*m_command->run)();
}

int Cli::Net() {
    return NetCommand(m_arguments.mid(2));
}

bool Cli::OpenTrace(int& code) {
    QString error;
    if ((IsSet(TRACE_OPTION) && !m_trace.Open(Value(TRACE_OPTION), &error)) ||
        (IsSet(PCAP_OPTION) && !m_trace.OpenPcap(Value(PCAP_OPTION), &error))) {
        Err(error);
        code = EXIT_FILE;
        return false;
    }
    return true;
}

std::vector<PortRun>
Cli::Runs(const std::function<std::unique_ptr<PortJob>(int baud)>& makeJob) const {
    std::vector<PortRun> runs;
    for (const QString& port : m_ports) {
        PortRun run;
        run.port = port;
        const auto found = m_foundBaud.find(port);
        run.baud = found != m_foundBaud.end() ? found->second : m_baud;
        run.job = makeJob(run.baud);
        runs.push_back(std::move(run));
    }
    return runs;
}

void Cli::FindSpeeds() {
    if (!m_baudAuto) {
        return;
    }
    const SpeedScan scan = ScanSpeeds(m_ports);
    for (qsizetype i = 0; i < m_ports.size(); ++i) {
        const std::size_t n = std::size_t(i);
        if (scan.found[n]) {
            m_foundBaud[m_ports[i]] = *scan.found[n];
            Err(QStringLiteral("%1: reader found at %2 baud").arg(m_ports[i]).arg(*scan.found[n]));
        } else {
            // The command still runs at the default speed and says what it meets there.
            QStringList speeds;
            for (const int speed : ReaderSearchSpeeds()) {
                speeds << QString::number(speed);
            }
            Err(QStringLiteral("%1: %2").arg(m_ports[i],
                                             scan.errors[n].isEmpty()
                                                 ? QStringLiteral("no reader answered at %1 baud")
                                                       .arg(speeds.join(QStringLiteral(", ")))
                                                 : scan.errors[n]));
        }
    }
}

int Cli::Ports() {
    if (!m_parser.positionalArguments().isEmpty()) {
        return Usage(QStringLiteral("ports takes no argument"));
    }
    QJsonArray array;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const auto id = [](bool has, quint16 value) {
            return has ? QJsonValue(int(value)) : QJsonValue(QJsonValue::Null);
        };
        const auto text = [](const QString& value) {
            return value.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
        };
        const QJsonObject port{
            {QStringLiteral("port"), info.systemLocation()},
            {QStringLiteral("description"), text(info.description())},
            {QStringLiteral("manufacturer"), text(info.manufacturer())},
            {QStringLiteral("serial_number"), text(info.serialNumber())},
            {QStringLiteral("vid"), id(info.hasVendorIdentifier(), info.vendorIdentifier())},
            {QStringLiteral("pid"), id(info.hasProductIdentifier(), info.productIdentifier())},
        };
        array.append(port);
        if (!m_json) {
            QString ids;
            if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
                ids = QStringLiteral("%1:%2")
                          .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                          .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
            }
            QStringList fields{info.systemLocation(), info.description(), info.manufacturer(),
                               info.serialNumber(), ids};
            fields.removeAll(QString());
            Out(fields.join(QStringLiteral("  ")) + u'\n');
        }
    }
    if (m_json) {
        PrintJson(array);
    }
    return EXIT_OK;
}

namespace {

std::unique_ptr<PortJob> ReadJob(int baud, std::int64_t replyMs = DEFAULT_REPLY_BASE_MS,
                                 int retries = DEFAULT_RETRIES) {
    SequencerOptions options;
    options.mode = SequencerMode::Compare;
    options.port.baudRate = baud;
    options.replyBaseMs = replyMs;
    options.retries = retries;
    return std::make_unique<SequencerJob>(Profile{}, options);
}

} // namespace

int Cli::Get() {
    if (int code = EXIT_OK; !OpenTrace(code)) {
        return code;
    }
    if (!m_parser.positionalArguments().isEmpty()) {
        return Usage(QStringLiteral("get takes no argument"));
    }
    std::optional<ProfileValue> cardFormat;
    if (IsSet(CARD_FORMAT_OPTION)) {
        const SettingResult setting =
            ParseSetting(QStringLiteral("card_output_format=") + Value(CARD_FORMAT_OPTION));
        if (!setting.error.isEmpty()) {
            return Usage(QStringLiteral("--card-output-format: ") + setting.error);
        }
        cardFormat = setting.value;
    }
    WatchStopSignals();
    FindSpeeds();
    auto runs = Runs([](int baud) { return ReadJob(baud); });
    RunConcurrently(runs, m_baud, &m_trace);
    const auto& result = static_cast<SequencerJob&>(*runs[0].job).Result();
    const auto document = [&](const QString& error, const QJsonValue& profile) {
        return QJsonObject{
            {QStringLiteral("port"), runs[0].port},
            {QStringLiteral("ok"), error.isEmpty()},
            {QStringLiteral("error"),
             error.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(error)},
            {QStringLiteral("answers_at"), AnswersAtJson(result.answersAt)},
            {QStringLiteral("profile"), profile},
        };
    };
    if (!result.before) {
        const QString error = SequencerError(runs[0], result);
        Err(QStringLiteral("%1: %2").arg(runs[0].port, error));
        if (m_json) {
            PrintJson(document(error, QJsonValue::Null));
        }
        return StoppedOr(runs[0].openFailed || runs[0].lost ? EXIT_PORT : EXIT_NO_REPLY);
    }
    ReaderProfile read = ProfileFromRecord(*result.before);
    if (cardFormat) {
        read.profile.Set(ProfileKey::CardOutputFormat, *cardFormat);
    }
    for (const std::string& skipped : read.skipped) {
        Err(QStringLiteral("%1: left out: %2").arg(runs[0].port, QString::fromStdString(skipped)));
    }
    const QJsonValue profileJson = QJsonDocument::fromJson(ProfileJson(read.profile)).object();
    if (IsSet(OUT_OPTION)) {
        QString error;
        if (!WriteProfileFile(Value(OUT_OPTION), read.profile, &error)) {
            Err(error);
            if (m_json) {
                PrintJson(document(error, profileJson));
            }
            return EXIT_FILE;
        }
    }
    if (m_json) {
        PrintJson(document({}, profileJson));
    } else if (!IsSet(OUT_OPTION)) {
        int width = 0;
        for (const KeyInfo& info : ProfileKeys()) {
            width = std::max(width, int(std::strlen(info.name)));
        }
        for (const KeyInfo& info : ProfileKeys()) {
            if (const auto& value = read.profile.Get(info.key)) {
                Out(QStringLiteral("%1  %2\n")
                        .arg(QString::fromLatin1(info.name), -width)
                        .arg(QString::fromStdString(ValueText(info.key, *value))));
            }
        }
    }
    return StoppedOr(EXIT_OK);
}

int Cli::ApplyProfile(const Profile& profile, SequencerMode mode) {
    SequencerOptions options;
    options.mode = mode;
    options.sendAll = IsSet(ALL_OPTION);
    WatchStopSignals();
    FindSpeeds();
    auto runs = Runs([&](int baud) {
        SequencerOptions at = options;
        at.port.baudRate = baud;
        return std::unique_ptr<PortJob>(std::make_unique<SequencerJob>(profile, at));
    });
    RunConcurrently(runs, m_baud, &m_trace);
    int code = EXIT_OK;
    bool cardFormatRefused = false;
    QJsonArray array;
    for (const PortRun& run : runs) {
        const auto& result = static_cast<const SequencerJob&>(*run.job).Result();
        const int portCode = SequencerExitCode(run, result);
        code = std::max(code, portCode);
        cardFormatRefused =
            cardFormatRefused || result.plan.error.find("card_output_format") != std::string::npos;
        if (m_json) {
            QJsonObject object = SequencerJson(run, result, profile, mode, portCode);
            if (mode == SequencerMode::DryRun) {
                QJsonArray frames;
                for (const PlannedCommand& command : result.plan.commands) {
                    frames.append(HexText(command.frame));
                }
                object.insert(QStringLiteral("frames"), frames);
            }
            array.append(object);
            if (portCode != EXIT_OK) {
                Err(QStringLiteral("%1: failed: %2").arg(run.port, SequencerError(run, result)));
            }
            continue;
        }
        if (runs.size() > 1) {
            Out(QStringLiteral("== %1\n").arg(run.port));
        }
        if (mode == SequencerMode::DryRun && portCode == EXIT_OK) {
            for (const PlannedCommand& command : result.plan.commands) {
                Out(HexText(command.frame) + u'\n');
            }
            continue;
        }
        for (const QString& line : SequencerLines(run, result, mode)) {
            Out(line + u'\n');
        }
    }
    if (cardFormatRefused) {
        Err(m_command->name == std::string_view("set")
                ? QStringLiteral("give card_output_format=hex or card_output_format=ASCII with "
                                 "the affixes")
                : QStringLiteral("add \"card_output_format\": \"hex\" or \"ASCII\" to the "
                                 "profile's settings, or make it with tessaroctl get "
                                 "--card-output-format hex|ASCII"));
    }
    if (m_json) {
        PrintJson(array);
    }
    return StoppedOr(code);
}

int Cli::Refused(const QString& error, const Profile& profile) {
    Err(error);
    if (m_json) {
        QJsonArray array;
        for (const QString& port : m_ports) {
            PortRun run;
            run.port = port;
            SequencerResult result;
            result.error = error.toStdString();
            array.append(SequencerJson(run, result, profile, SequencerMode::Apply, EXIT_REFUSED));
        }
        PrintJson(array);
    }
    return EXIT_REFUSED;
}

int Cli::Apply() {
    return ProfileFileCommand(IsSet(DRY_RUN_OPTION) ? SequencerMode::DryRun : SequencerMode::Apply);
}

int Cli::Diff() {
    return ProfileFileCommand(SequencerMode::Compare);
}

int Cli::ProfileFileCommand(SequencerMode mode) {
    const QStringList args = m_parser.positionalArguments();
    if (args.size() != 1) {
        return Usage(QStringLiteral("%1 takes one PROFILE file").arg(Latin(m_command->name)));
    }
    const ProfileReadResult read = ReadProfileFile(args[0]);
    if (!read.profile) {
        return Refused(QStringLiteral("%1: %2").arg(args[0], read.error), Profile{});
    }
    int code = EXIT_OK;
    if (!OpenTrace(code)) {
        return code;
    }
    return ApplyProfile(*read.profile, mode);
}

int Cli::Set() {
    const QStringList args = m_parser.positionalArguments();
    if (args.isEmpty()) {
        return Usage(QStringLiteral("set takes KEY=VALUE settings"));
    }
    Profile profile;
    for (const QString& arg : args) {
        const SettingResult setting = ParseSetting(arg);
        if (!setting.key || !setting.error.isEmpty()) {
            return Refused(setting.error, Profile{});
        }
        if (profile.Has(*setting.key)) {
            return Refused(
                QStringLiteral("%1: given twice").arg(QString::fromLatin1(Info(*setting.key).name)),
                Profile{});
        }
        profile.Set(*setting.key, setting.value);
    }
    int code = EXIT_OK;
    if (!OpenTrace(code)) {
        return code;
    }
    return ApplyProfile(profile, SequencerMode::Apply);
}

namespace {

// A reply's data: between its header and its final CR LF.
Bytes ReplyData(const Bytes& reply) {
    if (reply.size() < PACKAGE_HEADER_LEN + 2) {
        return {};
    }
    return Bytes(reply.begin() + PACKAGE_HEADER_LEN, reply.end() - 2);
}

} // namespace

int Cli::Records() {
    const QStringList args = m_parser.positionalArguments();
    const QString what = args.value(0);
    std::vector<Bytes> frames;
    std::int64_t quietMs = 0;
    if (what == QLatin1String("total") && args.size() == 1) {
        frames.push_back(SerialFrame(CMD_TOTAL_RECORDS, {}));
    } else if (what == QLatin1String("read") && args.size() == 1) {
        frames.push_back(SerialFrame(CMD_READ_RECORD, {}));
        quietMs = RECORD_QUIET_MS;
    } else if (what == QLatin1String("keep") && args.size() == 2) {
        QFile file(args[1]);
        if (!file.open(QIODevice::ReadOnly)) {
            Err(QStringLiteral("cannot read %1: %2").arg(args[1], file.errorString()));
            return EXIT_USAGE;
        }
        const QByteArray text = file.readAll();
        for (const Bytes& chunk : RecordChunks(RecordTextBytes(text.toStdString()))) {
            frames.push_back(SerialFrame(CMD_KEEP_RECORD, chunk));
        }
        if (frames.empty()) {
            Err(QStringLiteral("%1 is empty: nothing to keep").arg(args[1]));
            return EXIT_USAGE;
        }
    } else {
        return Usage(QStringLiteral("records takes total, read or keep FILE"));
    }
    int code = EXIT_OK;
    if (!OpenTrace(code)) {
        return code;
    }
    const std::int64_t timeoutMs = DEFAULT_REPLY_BASE_MS;
    WatchStopSignals();
    FindSpeeds();
    auto runs = Runs([&](int) {
        return std::unique_ptr<PortJob>(std::make_unique<ExchangeJob>(frames, timeoutMs, quietMs));
    });
    RunConcurrently(runs, m_baud, &m_trace);
    const PortRun& run = runs[0];
    const auto& job = static_cast<const ExchangeJob&>(*run.job);
    if (const RunError port = PortFailure(run); port != RunError::None) {
        Err(QStringLiteral("%1: %2").arg(run.port, PortProblem(run)));
        return StoppedOr(RunErrorExitCode(port));
    }
    if (job.Failure() != RunError::None) {
        Err(QStringLiteral("%1: %2 after %3 of %4 frames")
                .arg(run.port, QString::fromStdString(job.Error()))
                .arg(job.Replies().size())
                .arg(frames.size()));
        return StoppedOr(RunErrorExitCode(job.Failure()));
    }
    if (what == QLatin1String("total")) {
        const Bytes& reply = job.Replies()[0];
        const Bytes data = ReplyData(reply);
        // The count is 32 bits; a reply of any other size is something else, never a count.
        if (reply.size() != PACKAGE_HEADER_LEN + RECORD_COUNT_LEN + 2) {
            Err(QStringLiteral("%1: a reply of %2 bytes is not a record count: %3")
                    .arg(run.port)
                    .arg(reply.size())
                    .arg(HexText(reply)));
            return EXIT_NO_REPLY;
        }
        const quint32 count = quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16 |
                              quint32(data[3]) << 24;
        Out(QStringLiteral("%1\n").arg(count));
    } else if (what == QLatin1String("read")) {
        const Bytes& reply = job.Replies()[0];
        const Bytes data = ReplyData(reply);
        QString text;
        for (const std::uint8_t b : data) {
            text += b >= 0x20 && b < 0x7F ? QChar(b) : (b == '\n' ? QChar(u'\n') : QChar(u'.'));
        }
        text.replace(QStringLiteral(".\n"), QStringLiteral("\n")); // CR LF line ends
        Out(QStringLiteral("hex: %1\n").arg(HexText(reply)));
        Out(QStringLiteral("text:\n%1\n").arg(text));
    } else {
        Out(QStringLiteral("kept %1 chunks\n").arg(frames.size()));
    }
    return EXIT_OK;
}

SpeedScan Cli::ScanSpeeds(const QStringList& ports) {
    SpeedScan scan;
    scan.found.resize(std::size_t(ports.size()));
    scan.codes.assign(std::size_t(ports.size()), EXIT_NO_REPLY);
    scan.errors.resize(std::size_t(ports.size()));
    auto& found = scan.found;
    auto& codes = scan.codes;
    auto& errors = scan.errors;
    for (const int speed : ReaderSearchSpeeds()) {
        QStringList looking;
        std::vector<std::size_t> index;
        for (qsizetype i = 0; i < ports.size(); ++i) {
            if (!found[std::size_t(i)] && codes[std::size_t(i)] != EXIT_PORT) {
                looking << ports[i];
                index.push_back(std::size_t(i));
            }
        }
        if (looking.isEmpty() || StopSignal() != 0) {
            break;
        }
        Progress(QStringLiteral("trying %1 baud on %2 ports").arg(speed).arg(looking.size()));
        std::vector<PortRun> runs;
        for (const QString& port : looking) {
            PortRun run;
            run.port = port;
            run.job = ReadJob(speed, FIND_REPLY_MS, 0);
            runs.push_back(std::move(run));
        }
        RunConcurrently(runs, speed, &m_trace);
        for (std::size_t r = 0; r < runs.size(); ++r) {
            const std::size_t i = index[r];
            if (runs[r].openFailed || runs[r].lost) {
                codes[i] = EXIT_PORT;
                errors[i] = PortProblem(runs[r]);
            } else if (static_cast<const SequencerJob&>(*runs[r].job).Result().before) {
                found[i] = speed;
                codes[i] = EXIT_OK;
            }
        }
    }
    return scan;
}

int Cli::Find() {
    if (int code = EXIT_OK; !OpenTrace(code)) {
        return code;
    }
    if (!m_parser.positionalArguments().isEmpty()) {
        return Usage(QStringLiteral("find takes no argument"));
    }
    // Ports named are each expected to answer; among the machine's own, one answering is enough.
    const bool named = !m_ports.isEmpty();
    if (m_ports.isEmpty()) {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            m_ports << info.systemLocation();
        }
    }
    WatchStopSignals();
    SpeedScan scan = ScanSpeeds(m_ports);
    auto& found = scan.found;
    auto& codes = scan.codes;
    auto& errors = scan.errors;
    QJsonArray array;
    bool any = false;
    int code = EXIT_OK;
    for (qsizetype i = 0; i < m_ports.size(); ++i) {
        const std::size_t n = std::size_t(i);
        any = any || found[n].has_value();
        code = std::max(code, codes[n]);
        if (found[n]) {
            errors[n].clear();
        } else if (errors[n].isEmpty()) {
            errors[n] = QStringLiteral("no reader answered");
        }
        array.append(QJsonObject{
            {QStringLiteral("port"), m_ports[i]},
            {QStringLiteral("ok"), found[n].has_value()},
            {QStringLiteral("baud"),
             found[n] ? QJsonValue(*found[n]) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("error"),
             errors[n].isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(errors[n])},
        });
        if (!m_json) {
            Out(found[n] ? QStringLiteral("%1  %2\n").arg(m_ports[i]).arg(*found[n])
                         : QStringLiteral("%1  -  %2\n").arg(m_ports[i], errors[n]));
        }
    }
    if (m_json) {
        PrintJson(array);
    }
    if (m_ports.isEmpty()) {
        Err(QStringLiteral("no serial port to try"));
        return StoppedOr(EXIT_NO_REPLY);
    }
    return StoppedOr(named || !any ? code : EXIT_OK);
}

int Cli::Discover() {
    if (!m_parser.positionalArguments().isEmpty()) {
        return Usage(QStringLiteral("discover takes no argument"));
    }
    double seconds = 3;
    if (IsSet(SECONDS_OPTION)) {
        bool ok = false;
        seconds = Value(SECONDS_OPTION).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 3600) {
            return Usage(QStringLiteral("--seconds: from 0 to 3600"));
        }
    }
    QString error;
    const std::optional<std::vector<Announced>> readers =
        ListenForReaders(int(seconds * 1000), &error);
    if (!readers) {
        Err(error);
        return EXIT_PORT;
    }
    QJsonArray array;
    for (const Announced& reader : *readers) {
        array.append(AnnouncedJson(reader));
        if (!m_json) {
            Out(AnnouncedLine(reader) + u'\n');
        }
    }
    if (m_json) {
        PrintJson(array);
    }
    return EXIT_OK;
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaroctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARO_VERSION));
    Cli cli;
    return cli.Finish(cli.Run(QCoreApplication::arguments()));
}
