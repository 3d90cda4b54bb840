#include "cli/NetCommand.h"

#include "cli/CtlRun.h"
#include "core/HexText.h"
#include "core/WireConstants.h"
#include "net/DiscoverDev.h"
#include "net/NetSetCommand.h"
#include "net/NetSettings.h"
#include "net/UdpPacket.h"
#include "profile/AtomicFile.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <set>

namespace {

// The reader confirms at once; one retry of both datagrams covers a lost one.
constexpr int CONFIRM_MS = 1000;
constexpr int CONFIRM_TRIES = 2;
constexpr int DEFAULT_JOBS = 8;
constexpr int MAX_JOBS = 64;
constexpr int TICK_MS = 10;

const char* const USAGE_END = R"(
Keys: network_mode ("Fixed IP", "Automatic acquisition"), ip, mask, gateway, dns1, dns2,
server_address, server_port, http_server ("PHP", "JSP", "C#", "ASP", "CGI").
Readers are heard on UDP 24583 for --seconds (default 3) before anything is sent; the command
goes to UDP 24582 at the address a reader is heard at.
)";

QString Latin(const char* text) {
    return QString::fromLatin1(text);
}

// Names and server addresses are the reader's bytes: UTF-8 when they are, otherwise each byte
// past ASCII written as \xNN, so that nothing is lost or replaced.
QString ReaderText(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError()) {
        return text;
    }
    QString escaped;
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        escaped +=
            b < 0x80 ? QString(QChar(b)) : QStringLiteral("\\x%1").arg(b, 2, 16, QChar(u'0'));
    }
    return escaped;
}

QString Std(const std::string& text) {
    return QString::fromStdString(text);
}

QString Dotted(std::uint32_t address) {
    return Std(::Dotted(address));
}

struct Heard {
    QString address; // where the announcement came from
    std::uint32_t source = 0;
    DISCOVER_DEV_T dev;
};

QString NameOf(const DISCOVER_DEV_T& dev) {
    return ReaderText(DeviceName(dev));
}

// A value as JSON: list items as text (null when no item has that position), each with its
// number beside it in field_value; the server port as a number.
void PutValue(QJsonObject& object, const QString& field, const NetBlock& block, NetKey key) {
    if (key == NetKey::NetworkMode || key == NetKey::HttpServer) {
        object.insert(field, NetValueUnmapped(block, key)
                                 ? QJsonValue(QJsonValue::Null)
                                 : QJsonValue(Std(NetValueText(block, key))));
        object.insert(field + QStringLiteral("_value"),
                      key == NetKey::NetworkMode ? block.netMode : block.httpServer);
    } else if (key == NetKey::ServerPort) {
        object.insert(field, block.serverPort);
    } else if (key == NetKey::ServerAddress) {
        object.insert(field, ReaderText(FieldText(block.serverAddr)));
    } else {
        object.insert(field, Std(NetValueText(block, key)));
    }
}

QJsonObject SettingsJson(const NetBlock& block) {
    QJsonObject settings;
    for (const NetKey key : NetKeys()) {
        PutValue(settings, Latin(NetKeyName(key)), block, key);
    }
    return settings;
}

bool IsLoopback(std::uint32_t address) {
    return (address >> 24) == 127;
}

// The one socket: it hears the announcements on the fixed port and sends the commands, so that
// the confirmation comes back to it.
class NetLink {
public:
    bool Open(QString* error) {
        // Shared, so that a running Tessaro keeps its port.
        if (!m_socket.bind(QHostAddress::AnyIPv4, UDP_LOCAL_PORT,
                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
            *error = QStringLiteral("cannot listen on UDP %1: %2")
                         .arg(UDP_LOCAL_PORT)
                         .arg(m_socket.errorString());
            return false;
        }
        QObject::connect(&m_socket, &QUdpSocket::readyRead, &m_socket, [this] { Read(); });
        return true;
    }

    // Called for every valid datagram: its command, data (zero-filled to what the command
    // carries) and source.
    std::function<void(std::uint8_t, const std::vector<std::uint8_t>&, std::uint32_t)> onDatagram;

    void Send(std::span<const std::uint8_t> bytes, std::uint32_t to) {
        m_socket.writeDatagram(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()),
                               QHostAddress(to), UDP_READER_PORT);
    }

    // The event loop for ms milliseconds, or until done() says so (asked every tick).
    void Run(qint64 ms, const std::function<bool()>& done = {}) {
        QEventLoop loop;
        QElapsedTimer clock;
        clock.start();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            if ((done && done()) || (ms >= 0 && clock.elapsed() >= ms)) {
                loop.quit();
            }
        });
        tick.start(TICK_MS);
        loop.exec();
    }

private:
    void Read() {
        while (m_socket.hasPendingDatagrams()) {
            if (m_socket.pendingDatagramSize() > qint64(UDP_RECV_BUFFER_LEN)) {
                m_socket.receiveDatagram(0);
                continue;
            }
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            const QByteArray raw = datagram.data();
            const std::span<const std::uint8_t> bytes(
                reinterpret_cast<const std::uint8_t*>(raw.constData()), std::size_t(raw.size()));
            const UdpCheck check = CheckUdpDatagram(bytes);
            if (check.verdict != UdpVerdict::Valid || !onDatagram) {
                continue;
            }
            const std::uint8_t cmd = check.header.cmdId;
            const std::size_t size = cmd == UDP_CMD_PARAMS ? DEV_PARAM_LEN : DISCOVER_DEV_LEN;
            onDatagram(cmd, UdpCommandData(bytes, size), datagram.senderAddress().toIPv4Address());
        }
    }

    QUdpSocket m_socket;
};

// Every reader heard, the latest record of each (address, name), in the order first heard.
class Roster {
public:
    void Add(const DISCOVER_DEV_T& dev, std::uint32_t source) {
        for (Heard& h : m_heard) {
            if (h.source == source && DeviceName(h.dev) == DeviceName(dev)) {
                h.dev = dev;
                return;
            }
        }
        m_heard.push_back({QHostAddress(source).toString(), source, dev});
    }
    const std::vector<Heard>& All() const { return m_heard; }

    std::vector<const Heard*> Named(std::string_view name) const {
        std::vector<const Heard*> found;
        for (const Heard& h : m_heard) {
            if (DeviceName(h.dev) == name) {
                found.push_back(&h);
            }
        }
        return found;
    }
    std::vector<const Heard*> At(std::uint32_t source) const {
        std::vector<const Heard*> found;
        for (const Heard& h : m_heard) {
            if (h.source == source) {
                found.push_back(&h);
            }
        }
        return found;
    }

private:
    std::vector<Heard> m_heard;
};

// One reader to change, from the checks through to the verdict.
struct NetJob {
    std::string name; // the reader's name bytes
    std::uint32_t oldAddress = 0;
    std::optional<NetBlock> before; // none: not heard, every key given
    NetRequest request;
    NetBlock target;
    std::string error; // a refusal before anything is sent
    int refusalCode = 0;
    int line = 0; // CSV line

    // While it runs.
    bool sent = false;
    bool confirmed = false;
    int tries = 0;
    qint64 confirmDeadline = 0;
    qint64 heardDeadline = 0;
    bool done = false;
    std::optional<NetBlock> after;
    std::uint32_t afterAddress = 0;
    qint64 startedMs = 0;
    qint64 endedMs = 0;

    std::uint32_t NewAddress() const { return target.ipAddr; }
    bool FromReader(std::uint32_t source) const {
        return source == oldAddress || source == NewAddress();
    }
    bool AllMatch() const {
        if (!after) {
            return false;
        }
        for (const NetKey key : NetKeys()) {
            if (request.Has(key) && !NetValueEqual(target, *after, key)) {
                return false;
            }
        }
        return true;
    }
    bool NothingToChange() const {
        if (!before) {
            return false;
        }
        for (const NetKey key : NetKeys()) {
            if (request.Has(key) && !NetValueEqual(target, *before, key)) {
                return false;
            }
        }
        return true;
    }
};

class Net {
public:
    int Run(const QStringList& arguments);

private:
    int Usage(const QString& message) {
        Err(message);
        Err(QStringLiteral("try: tessaroctl net --help"));
        return Fail(EXIT_USAGE, message);
    }
    // A failure as its diagnostic and, with --json, its one document.
    int Fail(int code, const QString& message, const QString& device = {},
             const QString& address = {}) {
        if (code != EXIT_USAGE) {
            Err(message);
        }
        if (m_json) {
            PrintJson(QJsonArray{Unsent(device, address, message)});
        }
        return code;
    }
    // An entry for a reader nothing was sent to, with the keys every entry of the verb has.
    QJsonObject Unsent(const QString& device, const QString& address, const QString& error) const {
        QJsonObject entry{
            {QStringLiteral("device"),
             device.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(device)},
            {QStringLiteral("address"),
             address.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(address)},
            {QStringLiteral("ok"), false},
            {QStringLiteral("error"), error},
        };
        if (m_verb && m_verb->name == std::string_view("set")) {
            entry.insert(QStringLiteral("settings"), QJsonArray{});
            entry.insert(QStringLiteral("elapsed_ms"), 0);
        } else {
            entry.insert(QStringLiteral("settings"), QJsonValue::Null);
        }
        return entry;
    }
    bool Listen(int& code);
    int Get();
    int Set();
    int SetCsv();
    // Finds the reader and fills the job from its record; 0 when it can go.
    int Resolve(NetJob& job, const QString& device, const QString& address, const QString& name,
                QString* message);
    int Check(const NetJob& job, QString* message) const;
    bool IsSet(const CtlOption& option) const { return m_parser.isSet(Latin(option.name)); }
    QString Value(const CtlOption& option) const { return m_parser.value(Latin(option.name)); }
    void RunJobs(std::vector<NetJob>& jobs, int parallel);
    int Report(std::vector<NetJob>& jobs);
    int DryRun(const std::vector<NetJob>& jobs);

    QCommandLineParser m_parser;
    const CtlVerb* m_verb = nullptr;
    bool m_json = false;
    int m_seconds = 3000;
    NetLink m_link;
    Roster m_roster;
    QElapsedTimer m_clock;
};

bool Takes(const CtlVerb& verb, const CtlOption& option) {
    return std::any_of(verb.options.begin(), verb.options.end(),
                       [&](const OptionUse& use) { return use.option == &option; });
}

} // namespace

const std::vector<OptionUse>& NetOptions() {
    static const std::vector<OptionUse> options{
        DEVICE_OPTION,
        ADDRESS_OPTION,
        NAME_OPTION,
        {SECONDS_OPTION,
         "How long to listen first, and to wait for the reader after a change (default 3)."},
        {DRY_RUN_OPTION, "Print the datagrams; send nothing."},
        FROM_OPTION,
        CSV_OPTION,
        JOBS_OPTION,
        {OUT_OPTION, "Write one reader's settings to this file."},
        JSON_OPTION,
    };
    return options;
}

std::span<const CtlVerb> NetVerbs() {
    static const CtlVerb verbs[] = {
        {"get",
         {"[--device NAME | --address IP] [--seconds S] [--json] [--out FILE]"},
         {DEVICE_OPTION, ADDRESS_OPTION, SECONDS_OPTION, JSON_OPTION, OUT_OPTION}},
        {"set",
         {"(--device NAME | --address IP [--name NAME]) [--seconds S] [--dry-run] [--json]\n"
          "(KEY=VALUE ... | --from FILE)",
          "--csv FILE [--jobs N] [--seconds S] [--dry-run] [--json]"},
         {DEVICE_OPTION, ADDRESS_OPTION, NAME_OPTION, SECONDS_OPTION, DRY_RUN_OPTION, JSON_OPTION,
          FROM_OPTION, CSV_OPTION, JOBS_OPTION},
         {WordCompletion::NetKeys}},
    };
    return verbs;
}

namespace {

int Net::Run(const QStringList& arguments) {
    m_clock.start();
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(OptionUse(HELP_OPTION).Parser());
    for (const OptionUse& option : NetOptions()) {
        m_parser.addOption(option.Parser());
    }
    const auto verbNamed = [](const QString& name) -> const CtlVerb* {
        for (const CtlVerb& verb : NetVerbs()) {
            if (name == QLatin1String(verb.name)) {
                return &verb;
            }
        }
        return nullptr;
    };
    if (!m_parser.parse(QStringList{QStringLiteral("tessaroctl net")} + arguments)) {
        m_json = arguments.contains(QStringLiteral("--json"));
        m_verb = verbNamed(arguments.value(0));
        return Usage(m_parser.errorText());
    }
    m_json = IsSet(JSON_OPTION);
    if (IsSet(HELP_OPTION)) {
        Out(QStringLiteral("Usage:\n") + VerbUsage(QStringLiteral("tessaroctl net"), NetVerbs()) +
            Latin(USAGE_END) + u'\n' +
            m_parser.helpText().mid(m_parser.helpText().indexOf(QStringLiteral("Options:"))));
        return EXIT_OK;
    }
    if (IsSet(SECONDS_OPTION)) {
        bool ok = false;
        const double seconds = Value(SECONDS_OPTION).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 3600) {
            return Usage(QStringLiteral("--seconds: from 0 to 3600"));
        }
        m_seconds = int(seconds * 1000);
    }
    const QStringList args = m_parser.positionalArguments();
    const QString verb = args.value(0);
    m_verb = verbNamed(verb);
    if (!m_verb) {
        return Usage(verb.isEmpty() ? QStringLiteral("net needs get or set")
                                    : QStringLiteral("net: unknown %1 (get or set)").arg(verb));
    }
    if (m_verb->words.kind == WordCompletion::None && args.size() > 1) {
        return Usage(QStringLiteral("net %1 takes no KEY=VALUE").arg(verb));
    }
    for (const OptionUse& option : NetOptions()) {
        if (!Takes(*m_verb, *option.option) && IsSet(*option.option)) {
            return Usage(
                QStringLiteral("net %1 does not take --%2").arg(verb, Latin(option.option->name)));
        }
    }
    if (verb == QLatin1String("get")) {
        return Get();
    }
    return IsSet(CSV_OPTION) ? SetCsv() : Set();
}

bool Net::Listen(int& code) {
    QString error;
    if (!m_link.Open(&error)) {
        code = Fail(EXIT_PORT, error);
        return false;
    }
    m_link.onDatagram = [this](std::uint8_t cmd, const std::vector<std::uint8_t>& data,
                               std::uint32_t source) {
        if (cmd == UDP_CMD_DISCOVER) {
            m_roster.Add(DISCOVER_DEV_T::decode(std::span<const std::uint8_t, DISCOVER_DEV_LEN>(
                             data.data(), DISCOVER_DEV_LEN)),
                         source);
        }
    };
    Progress(QStringLiteral("listening for readers for %1 s").arg(m_seconds / 1000.0));
    m_link.Run(m_seconds);
    return true;
}

int Net::Get() {
    const QString device = Value(DEVICE_OPTION);
    const QString address = Value(ADDRESS_OPTION);
    std::optional<std::uint32_t> wanted;
    if (!address.isEmpty()) {
        wanted = ParseDotted(address.toStdString());
        if (!wanted) {
            return Usage(QStringLiteral("--address: %1 is not a dotted address").arg(address));
        }
    }
    int code = EXIT_OK;
    if (!Listen(code)) {
        return code;
    }
    std::vector<const Heard*> readers;
    for (const Heard& h : m_roster.All()) {
        if ((device.isEmpty() || NameOf(h.dev) == device) && (!wanted || h.source == *wanted)) {
            readers.push_back(&h);
        }
    }
    if (readers.empty() && (!device.isEmpty() || wanted)) {
        return Fail(EXIT_NO_REPLY,
                    QStringLiteral("%1 was not heard within %2 s (readers announce when they "
                                   "start and after a network change)")
                        .arg(device.isEmpty() ? address : device)
                        .arg(m_seconds / 1000.0),
                    device, address);
    }
    if (IsSet(OUT_OPTION)) {
        if (readers.size() != 1) {
            return Fail(EXIT_USAGE, QStringLiteral("--out writes one reader: %1 heard; name one "
                                                   "with --device or --address")
                                        .arg(readers.size()));
        }
        const Heard& h = *readers[0];
        const QJsonObject object{{QStringLiteral("device"), NameOf(h.dev)},
                                 {QStringLiteral("address"), h.address},
                                 {QStringLiteral("settings"), SettingsJson(h.dev.net)}};
        QString why;
        if (!WriteFileAtomically(Value(OUT_OPTION), JsonText(object), &why)) {
            return Fail(EXIT_FILE,
                        QStringLiteral("cannot write %1: %2").arg(Value(OUT_OPTION), why));
        }
    }
    QJsonArray array;
    for (const Heard* h : readers) {
        array.append(QJsonObject{{QStringLiteral("device"), NameOf(h->dev)},
                                 {QStringLiteral("address"), h->address},
                                 {QStringLiteral("ok"), true},
                                 {QStringLiteral("error"), QJsonValue::Null},
                                 {QStringLiteral("settings"), SettingsJson(h->dev.net)}});
        if (!m_json && !IsSet(OUT_OPTION)) {
            Out(QStringLiteral("== %1  %2\n").arg(NameOf(h->dev), h->address));
            for (const NetKey key : NetKeys()) {
                Out(QStringLiteral("%1  %2\n")
                        .arg(Latin(NetKeyName(key)), -14)
                        .arg(key == NetKey::ServerAddress
                                 ? ReaderText(FieldText(h->dev.net.serverAddr))
                                 : Std(NetValueText(h->dev.net, key))));
            }
        }
    }
    if (m_json) {
        PrintJson(array);
    }
    return EXIT_OK;
}

// A settings file as net get --out writes it; the keys it holds are given.
std::optional<QString> ReadSettingsFile(const QString& path, NetRequest& request, QString* device) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject() || !document.object().value(QStringLiteral("settings")).isObject()) {
        return QStringLiteral("%1: not a settings file (an object with \"settings\")").arg(path);
    }
    *device = document.object().value(QStringLiteral("device")).toString();
    const QJsonObject settings = document.object().value(QStringLiteral("settings")).toObject();
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        if (it.key().endsWith(QLatin1String("_value"))) {
            continue;
        }
        const auto key = NetKeyByName(it.key().toStdString());
        if (!key) {
            return QStringLiteral("%1: %2: not a network key").arg(path, it.key());
        }
        QString text;
        if (it->isDouble()) {
            text = QString::number(it->toInteger());
        } else if (it->isString()) {
            text = it->toString();
        } else {
            return QStringLiteral("%1: %2: no value to set").arg(path, it.key());
        }
        if (const auto refusal = SetNetValue(request, *key, text.toStdString())) {
            return QStringLiteral("%1: %2").arg(path, Std(*refusal));
        }
    }
    return std::nullopt;
}

int Net::Resolve(NetJob& job, const QString& device, const QString& address, const QString& name,
                 QString* message) {
    const QString seconds = QString::number(m_seconds / 1000.0);
    if (!address.isEmpty()) {
        const auto source = ParseDotted(address.toStdString());
        if (!source) {
            *message = QStringLiteral("address: %1 is not a dotted address").arg(address);
            return EXIT_REFUSED;
        }
        std::vector<const Heard*> at = m_roster.At(*source);
        if (!name.isEmpty()) {
            std::erase_if(at, [&](const Heard* h) { return NameOf(h->dev) != name; });
        }
        if (at.size() > 1) {
            QStringList names;
            for (const Heard* h : at) {
                names << NameOf(h->dev);
            }
            *message = QStringLiteral("%1 readers heard at %2 (%3): name one with --name")
                           .arg(at.size())
                           .arg(address, names.join(QStringLiteral(", ")));
            return EXIT_REFUSED;
        }
        job.oldAddress = *source;
        if (at.empty()) {
            if (name.isEmpty() || !job.request.All()) {
                *message = QStringLiteral("no reader was heard at %1 within %2 s (readers announce "
                                          "when they start and after a network change); to set "
                                          "one not heard, give --name and every key")
                               .arg(address, seconds);
                return EXIT_NO_REPLY;
            }
            job.name = name.toStdString();
            return EXIT_OK;
        }
        job.name = std::string(DeviceName(at[0]->dev));
        job.before = at[0]->dev.net;
        return EXIT_OK;
    }
    const std::vector<const Heard*> named = m_roster.Named(device.toStdString());
    std::set<std::uint32_t> sources;
    for (const Heard* h : named) {
        sources.insert(h->source);
    }
    if (sources.empty()) {
        *message = QStringLiteral("no reader named %1 was heard within %2 s (readers announce when "
                                  "they start and after a network change); to set one not heard, "
                                  "give --address, --name and every key")
                       .arg(device, seconds);
        return EXIT_NO_REPLY;
    }
    if (sources.size() > 1) {
        QStringList where;
        for (const std::uint32_t s : sources) {
            where << Dotted(s);
        }
        *message = QStringLiteral("%1 is heard from %2: ambiguous, pick one with --address")
                       .arg(device, where.join(QStringLiteral(" and ")));
        return EXIT_REFUSED;
    }
    job.name = device.toStdString();
    job.oldAddress = named[0]->source;
    job.before = named[0]->dev.net;
    return EXIT_OK;
}

// The checks that need the LAN: the address must not be another reader's.
int Net::Check(const NetJob& job, QString* message) const {
    if (const auto refusal = CheckNetBlock(job.target, job.request, IsLoopback(job.oldAddress))) {
        *message = Std(refusal->message);
        return EXIT_REFUSED;
    }
    if (job.request.Has(NetKey::Ip)) {
        for (const Heard& h : m_roster.All()) {
            const bool self = h.source == job.oldAddress && DeviceName(h.dev) == job.name;
            if (!self && (h.source == job.target.ipAddr || h.dev.net.ipAddr == job.target.ipAddr)) {
                *message = QStringLiteral("ip: %1 is already announced by %2 at %3, not by %4")
                               .arg(Dotted(job.target.ipAddr), NameOf(h.dev), h.address,
                                    ReaderText(job.name));
                return EXIT_REFUSED;
            }
        }
    }
    return EXIT_OK;
}

int Net::Set() {
    const QString device = Value(DEVICE_OPTION);
    const QString address = Value(ADDRESS_OPTION);
    const QString name = Value(NAME_OPTION);
    if (device.isEmpty() == address.isEmpty() &&
        !(IsSet(FROM_OPTION) && address.isEmpty() && device.isEmpty())) {
        return Usage(QStringLiteral("net set takes --device NAME or --address IP"));
    }
    if (!name.isEmpty() && address.isEmpty()) {
        return Usage(QStringLiteral("--name goes with --address"));
    }
    NetJob job;
    QString target = device;
    const QStringList settings = m_parser.positionalArguments().mid(1);
    if (IsSet(FROM_OPTION)) {
        if (!settings.isEmpty()) {
            return Usage(QStringLiteral("--from and KEY=VALUE do not go together"));
        }
        QString fileDevice;
        if (const auto error = ReadSettingsFile(Value(FROM_OPTION), job.request, &fileDevice)) {
            return Fail(EXIT_REFUSED, *error, device, address);
        }
        if (target.isEmpty() && address.isEmpty()) {
            target = fileDevice; // the reader the file was read from
        }
    } else if (settings.isEmpty()) {
        return Usage(QStringLiteral("net set takes KEY=VALUE settings or --from FILE"));
    }
    for (const QString& setting : settings) {
        if (const auto refusal = ParseNetSetting(job.request, setting.toStdString())) {
            return Fail(EXIT_REFUSED, Std(*refusal), device, address);
        }
    }
    int code = EXIT_OK;
    if (!Listen(code)) {
        return code;
    }
    QString message;
    code = Resolve(job, target, address, name, &message);
    if (code == EXIT_OK) {
        job.target = MergeNetRequest(job.before.value_or(NetBlock{}), job.request);
        code = Check(job, &message);
    }
    if (code != EXIT_OK) {
        return Fail(code, message, target.isEmpty() ? name : target, address);
    }
    std::vector<NetJob> jobs{std::move(job)};
    if (IsSet(DRY_RUN_OPTION)) {
        return DryRun(jobs);
    }
    RunJobs(jobs, 1);
    return Report(jobs);
}

int Net::SetCsv() {
    if (IsSet(DEVICE_OPTION) || IsSet(ADDRESS_OPTION) || IsSet(NAME_OPTION) || IsSet(FROM_OPTION) ||
        m_parser.positionalArguments().size() > 1) {
        return Usage(QStringLiteral("--csv names the readers and the keys itself"));
    }
    int parallel = DEFAULT_JOBS;
    if (IsSet(JOBS_OPTION)) {
        bool ok = false;
        parallel = Value(JOBS_OPTION).toInt(&ok);
        if (!ok || parallel < 1 || parallel > MAX_JOBS) {
            return Usage(QStringLiteral("--jobs: from 1 to %1").arg(MAX_JOBS));
        }
    }
    const QString path = Value(CSV_OPTION);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Fail(EXIT_USAGE, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    const QByteArray text = file.readAll();
    std::string error;
    const auto table =
        ParseCsv(std::string_view(text.constData(), std::size_t(text.size())), &error);
    const auto rows = table ? ReadNetCsv(*table, &error) : std::nullopt;
    if (!rows) {
        return Fail(EXIT_REFUSED, QStringLiteral("%1: %2").arg(path, Std(error)));
    }
    int code = EXIT_OK;
    if (!Listen(code)) {
        return code;
    }
    // The whole file is checked before anything is sent.
    std::vector<NetJob> jobs(rows->size());
    int worst = EXIT_OK;
    std::map<std::pair<std::uint32_t, std::string>, int> readersSeen;
    std::map<std::uint32_t, int> addressesSeen;
    for (std::size_t i = 0; i < rows->size(); ++i) {
        const NetCsvRow& row = (*rows)[i];
        NetJob& job = jobs[i];
        job.line = row.line;
        job.request = row.request;
        QString message;
        int rowCode = Resolve(job, Std(row.name), Std(row.address), {}, &message);
        if (rowCode == EXIT_OK) {
            job.target = MergeNetRequest(job.before.value_or(NetBlock{}), job.request);
            rowCode = Check(job, &message);
        }
        if (rowCode == EXIT_OK) {
            const auto reader = std::make_pair(job.oldAddress, job.name);
            if (const auto it = readersSeen.find(reader); it != readersSeen.end()) {
                rowCode = EXIT_REFUSED;
                message = QStringLiteral("%1 is already on line %2")
                              .arg(ReaderText(job.name))
                              .arg(it->second);
            } else if (const auto at = addressesSeen.find(job.target.ipAddr);
                       job.request.Has(NetKey::Ip) && at != addressesSeen.end()) {
                rowCode = EXIT_REFUSED;
                message = QStringLiteral("ip: %1 is already given on line %2")
                              .arg(Dotted(job.target.ipAddr))
                              .arg(at->second);
            }
            readersSeen.emplace(reader, row.line);
            if (job.request.Has(NetKey::Ip)) {
                addressesSeen.emplace(job.target.ipAddr, row.line);
            }
        }
        if (rowCode != EXIT_OK) {
            job.error = QStringLiteral("line %1: %2").arg(row.line).arg(message).toStdString();
            job.refusalCode = rowCode;
            worst = std::max(worst, rowCode);
        }
    }
    if (worst != EXIT_OK) {
        QJsonArray array;
        for (const NetJob& job : jobs) {
            const QString error = job.error.empty()
                                      ? QStringLiteral("not sent: the file was refused")
                                      : Std(job.error);
            if (!job.error.empty()) {
                Err(QStringLiteral("%1: %2").arg(path, error));
            }
            array.append(Unsent(ReaderText(job.name),
                                job.oldAddress ? Dotted(job.oldAddress) : QString(), error));
        }
        if (m_json) {
            PrintJson(array);
        }
        Err(QStringLiteral("%1: nothing sent").arg(path));
        return worst;
    }
    if (IsSet(DRY_RUN_OPTION)) {
        return DryRun(jobs);
    }
    RunJobs(jobs, parallel);
    return Report(jobs);
}

int Net::DryRun(const std::vector<NetJob>& jobs) {
    QJsonArray array;
    for (const NetJob& job : jobs) {
        const NetSetDatagrams command = BuildNetSetCommand(job.name, job.target);
        const QString header = Std(HexText(command.header, HexDigits::Upper, true)).trimmed();
        const QString block = Std(HexText(command.block, HexDigits::Upper, true)).trimmed();
        if (m_json) {
            array.append(QJsonObject{{QStringLiteral("device"), ReaderText(job.name)},
                                     {QStringLiteral("address"), Dotted(job.oldAddress)},
                                     {QStringLiteral("ok"), true},
                                     {QStringLiteral("error"), QJsonValue::Null},
                                     {QStringLiteral("datagrams"), QJsonArray{header, block}}});
        } else {
            if (jobs.size() > 1) {
                Out(QStringLiteral("== %1  %2\n")
                        .arg(ReaderText(job.name), Dotted(job.oldAddress)));
            }
            Out(header + u'\n' + block + u'\n');
        }
    }
    if (m_json) {
        PrintJson(array);
    }
    return EXIT_OK;
}

void Net::RunJobs(std::vector<NetJob>& jobs, int parallel) {
    std::deque<NetJob*> waiting;
    for (NetJob& job : jobs) {
        if (job.NothingToChange()) {
            job.done = true; // already as asked: nothing is sent
        } else {
            waiting.push_back(&job);
        }
    }
    std::vector<NetJob*> running;
    m_link.onDatagram = [&running](std::uint8_t cmd, const std::vector<std::uint8_t>& data,
                                   std::uint32_t source) {
        std::optional<DISCOVER_DEV_T> dev;
        if (cmd == UDP_CMD_DISCOVER || cmd == UDP_CMD_SET_NET_ACK) {
            dev = DISCOVER_DEV_T::decode(
                std::span<const std::uint8_t, DISCOVER_DEV_LEN>(data.data(), DISCOVER_DEV_LEN));
        }
        for (NetJob* job : running) {
            if (!job->FromReader(source)) {
                continue;
            }
            if (cmd == UDP_CMD_SET_NET_ACK && DeviceName(*dev) == job->name) {
                job->confirmed = true;
            } else if (cmd == UDP_CMD_DISCOVER && DeviceName(*dev) == job->name) {
                job->after = dev->net;
                // Proof of an address is being heard there, whatever the record says.
                job->after->ipAddr = source;
                job->afterAddress = source;
            } else if (cmd == UDP_CMD_PARAMS) {
                // The parameter record carries no name: taken only from an address no other
                // running change shares.
                const bool shared = std::any_of(running.begin(), running.end(), [&](NetJob* other) {
                    return other != job && other->FromReader(source);
                });
                if (!shared) {
                    job->after = NetBlock::DecodeAt(data, 0);
                    job->after->ipAddr = source;
                    job->afterAddress = source;
                }
            }
        }
    };
    const auto send = [this](NetJob& job) {
        const NetSetDatagrams command = BuildNetSetCommand(job.name, job.target);
        m_link.Send(command.header, job.oldAddress);
        m_link.Send(command.block, job.oldAddress);
        ++job.tries;
        job.confirmDeadline = m_clock.elapsed() + CONFIRM_MS;
    };
    const auto step = [&]() {
        const qint64 now = m_clock.elapsed();
        for (NetJob* job : running) {
            if (job->heardDeadline == 0) {
                if (job->confirmed || now >= job->confirmDeadline) {
                    if (!job->confirmed && !job->AllMatch() && job->tries < CONFIRM_TRIES) {
                        send(*job);
                        continue;
                    }
                    job->heardDeadline = now + m_seconds;
                }
            }
            if (job->heardDeadline != 0 && (job->AllMatch() || now >= job->heardDeadline)) {
                job->done = true;
                job->endedMs = now;
            }
        }
        std::erase_if(running, [](NetJob* job) { return job->done; });
        while (!waiting.empty() && int(running.size()) < parallel) {
            NetJob* job = waiting.front();
            waiting.pop_front();
            job->startedMs = now;
            job->sent = true;
            running.push_back(job);
            send(*job);
        }
        return running.empty() && waiting.empty();
    };
    if (!step()) {
        m_link.Run(-1, step);
    }
}

int Net::Report(std::vector<NetJob>& jobs) {
    QJsonArray array;
    int worst = EXIT_OK;
    for (NetJob& job : jobs) {
        const NetBlock before = job.before.value_or(NetBlock{});
        QJsonArray settings;
        int code = EXIT_OK;
        QStringList lines;
        for (const NetKey key : NetKeys()) {
            if (!job.request.Has(key)) {
                continue;
            }
            const NetOutcome outcome =
                job.sent ? JudgeNetKey(key, job.target, job.before, job.after, job.confirmed)
                         : NetOutcome::Unchanged;
            if (outcome == NetOutcome::Mismatch) {
                code = std::max(code, int(EXIT_MISMATCH));
            } else if (outcome == NetOutcome::NoReply) {
                code = std::max(code, int(EXIT_NO_REPLY));
            }
            QJsonObject entry{{QStringLiteral("key"), Latin(NetKeyName(key))},
                              {QStringLiteral("outcome"), Latin(NetOutcomeName(outcome))}};
            PutValue(entry, QStringLiteral("requested"), job.target, key);
            if (job.before) {
                PutValue(entry, QStringLiteral("reader_before"), before, key);
            } else {
                entry.insert(QStringLiteral("reader_before"), QJsonValue::Null);
            }
            if (job.after) {
                PutValue(entry, QStringLiteral("reader_after"), *job.after, key);
            } else {
                entry.insert(QStringLiteral("reader_after"), QJsonValue::Null);
            }
            settings.append(entry);
            lines << QStringLiteral("  %1  %2  (was %3, now %4)  %5")
                         .arg(Latin(NetKeyName(key)), -14)
                         .arg(Std(NetValueText(job.target, key)),
                              job.before ? Std(NetValueText(before, key)) : QStringLiteral("?"),
                              job.after ? Std(NetValueText(*job.after, key)) : QStringLiteral("?"),
                              Latin(NetOutcomeName(outcome)));
        }
        const std::uint32_t where = job.after ? job.afterAddress : job.oldAddress;
        QString error;
        if (code != EXIT_OK && !job.after) {
            error = QStringLiteral("%1, and not heard again within %2 s: last known at %3, "
                                   "intended %4")
                        .arg(job.confirmed ? QStringLiteral("it confirmed")
                                           : QStringLiteral("no confirmation"))
                        .arg(m_seconds / 1000.0)
                        .arg(Dotted(job.oldAddress), Dotted(job.target.ipAddr));
        } else if (code == EXIT_MISMATCH) {
            error = QStringLiteral("it confirmed, but announces other values than those sent");
        } else if (code != EXIT_OK) {
            error = QStringLiteral("no confirmation, and heard with its old values at %1")
                        .arg(Dotted(where));
        }
        worst = std::max(worst, code);
        const QString device = ReaderText(job.name);
        array.append(QJsonObject{
            {QStringLiteral("device"), device},
            {QStringLiteral("address"), Dotted(where)},
            {QStringLiteral("ok"), code == EXIT_OK},
            {QStringLiteral("error"), error.isEmpty() ? QJsonValue(QJsonValue::Null) : error},
            {QStringLiteral("settings"), settings},
            {QStringLiteral("elapsed_ms"),
             job.sent ? QJsonValue(job.endedMs - job.startedMs) : QJsonValue(0)},
        });
        if (!m_json) {
            Out(QStringLiteral("== %1  %2\n").arg(device, Dotted(job.oldAddress)));
            Out(lines.join(u'\n') + u'\n');
            Out(error.isEmpty() ? QStringLiteral("%1: %2, heard at %3\n")
                                      .arg(device,
                                           job.sent ? QStringLiteral("done")
                                                    : QStringLiteral("nothing to change"),
                                           Dotted(where))
                                : QStringLiteral("%1: %2; heard at %3\n")
                                      .arg(device, error,
                                           job.after ? Dotted(where) : QStringLiteral("nowhere")));
        }
        if (!error.isEmpty()) {
            Err(QStringLiteral("%1: %2").arg(device, error));
        }
    }
    if (m_json) {
        PrintJson(array);
    }
    return worst;
}

} // namespace

int NetCommand(const QStringList& arguments) {
    Net net;
    return net.Run(arguments);
}
