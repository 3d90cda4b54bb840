#include "cli/CtlRun.h"

#include "core/ChoiceLists.h"
#include "core/HexText.h"
#include "core/Pcapng.h"
#include "profile/AtomicFile.h"
#include "profile/PortDriver.h"
#include "serial/Mscomm1.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

std::atomic<int> g_stopSignal{0};

extern "C" void OnStopSignal(int signal) {
    int none = 0;
    if (!g_stopSignal.compare_exchange_strong(none, signal)) {
        _exit(128 + signal); // the second one: at once
    }
}

// How often a run looks for a stop request: a flag is all a signal handler may set.
constexpr int STOP_POLL_MS = 50;

void AppendJson(QByteArray& out, const QJsonValue& value, int depth) {
    const QByteArray indent(2 * (depth + 1), ' ');
    const QByteArray close(2 * depth, ' ');
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        if (object.isEmpty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        for (auto it = object.begin(); it != object.end(); ++it) { // keys come sorted
            out += indent;
            AppendJson(out, it.key(), depth + 1);
            out += ": ";
            AppendJson(out, it.value(), depth + 1);
            out += std::next(it) == object.end() ? "\n" : ",\n";
        }
        out += close + "}";
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out += "[]";
            return;
        }
        out += "[\n";
        for (qsizetype i = 0; i < array.size(); ++i) {
            out += indent;
            AppendJson(out, array[i], depth + 1);
            out += i + 1 == array.size() ? "\n" : ",\n";
        }
        out += close + "]";
    } else {
        // Qt's own escaping of a scalar, taken from a one-element array.
        const QByteArray one = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        out += one.mid(1, one.size() - 2);
    }
}

} // namespace

void WatchStopSignals() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

int StopSignal() {
    return g_stopSignal.load();
}

QByteArray JsonText(const QJsonValue& value) {
    QByteArray out;
    AppendJson(out, value, 0);
    out += '\n';
    return out;
}

void PrintJson(const QJsonValue& value) {
    const QByteArray out = JsonText(value);
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    std::fflush(stdout);
}

void Out(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void Err(const QString& text) {
    std::fputs(("tessaroctl: " + text + "\n").toLocal8Bit().constData(), stderr);
}

void Progress(const QString& text) {
#if defined(Q_OS_UNIX)
    static const bool terminal = ::isatty(2) == 1;
#else
    static const bool terminal = false;
#endif
    if (terminal) {
        Err(text);
    }
}

bool TraceFile::Open(const QString& path, QString* error) {
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *error = QStringLiteral("cannot write the trace %1: %2").arg(path, m_file.errorString());
        return false;
    }
    return true;
}

bool TraceFile::OpenPcap(const QString& path, QString* error) {
    // Written at the end; a place that cannot take it is refused before anything is sent.
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write the capture %1: %2").arg(path, probe.errorString());
        return false;
    }
    probe.cancelWriting();
    m_pcapPath = path;
    return true;
}

void TraceFile::Write(const QString& port, FrameDirection direction, const QByteArray& bytes) {
    if (!IsOpen()) {
        return;
    }
    std::int64_t us = 0; // times count from the first entry
    const std::int64_t unixMs = QDateTime::currentMSecsSinceEpoch();
    const bool first = !m_clock.isValid();
    if (first) {
        m_clock.start();
    } else {
        us = m_clock.nsecsElapsed() / 1000;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    FrameLogEntry entry = MakeFrameEntry(us, FrameChannel::Serial, direction, port.toStdString(),
                                         {data, std::size_t(bytes.size())});
    if (m_file.isOpen()) {
        if (first) {
            const std::string header = FrameLogHeader("tessaroctl " TESSARO_VERSION, unixMs);
            m_file.write(header.data(), qint64(header.size()));
            m_file.write("\n", 1);
        }
        const std::string line = FrameLogLine(entry);
        m_file.write(line.data(), qint64(line.size()));
        m_file.write("\n", 1);
        m_file.flush(); // a run that is killed still leaves what it saw
    }
    if (!m_pcapPath.isEmpty()) {
        m_log.Add(std::move(entry), unixMs);
    }
}

void TraceFile::SetPortSettings(const QString& port, const CommSettings& framing) {
    std::string& settings = m_portSettings[port.toStdString()];
    const std::string text = CommSettingsText(framing);
    // find tries one speed after another; a speed change reopens the port.
    if (settings.find(text) == std::string::npos) {
        settings += (settings.empty() ? "" : "; ") + text;
    }
}

bool TraceFile::WritePcap(QString* error) const {
    if (m_pcapPath.isEmpty()) {
        return true;
    }
    pcapng::CaptureInfo info;
    info.application = "tessaroctl " TESSARO_VERSION;
    info.comment = "Tessaro " TESSARO_VERSION;
    for (const auto& [port, settings] : m_portSettings) {
        info.comment += "; " + port + " at " + settings;
    }
    info.portSettings = m_portSettings;
    const std::vector<std::uint8_t> bytes = pcapng::FromFrameLog(m_log, info);
    QString why;
    if (!WriteFileAtomically(
            m_pcapPath,
            QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())),
            &why)) {
        *error = QStringLiteral("cannot write the capture %1: %2").arg(m_pcapPath, why);
        return false;
    }
    return true;
}

QString PortNameError(const QString& port) {
    if (port.trimmed().isEmpty()) {
        return QStringLiteral("--port: an empty port name");
    }
    const int number = ComPortNumber(port);
    if (number >= 0 && number < 1) {
        return QStringLiteral("--port %1: com ports count from com 1").arg(port);
    }
    return {};
}

void RunConcurrently(std::vector<PortRun>& runs, int baud, TraceFile* trace) {
    QEventLoop loop;
    std::size_t left = runs.size();
    // Each port its own serial control and driver.
    std::vector<std::unique_ptr<CMscomm1>> ports;
    std::vector<std::unique_ptr<CPortDriver>> drivers;
    CommSettings settings;
    settings.baudRate = baud;
    for (PortRun& run : runs) {
        auto comm = std::make_unique<CMscomm1>();
        auto driver = std::make_unique<CPortDriver>(*comm, *run.job);
        if (trace && trace->IsOpen()) {
            const QString port = run.port;
            // Every framing the port is opened at: a speed change reopens it.
            const CMscomm1* control = comm.get();
            QObject::connect(control, &CMscomm1::PortOpenChanged, &loop,
                             [trace, port, control](bool open) {
                                 if (open) {
                                     trace->SetPortSettings(port, control->SettingsValue());
                                 }
                             });
            driver->SetTrace([trace, port](FrameDirection direction, const QByteArray& bytes) {
                trace->Write(port, direction, bytes);
            });
        }
        const QString port = run.port;
        const std::size_t total = runs.size();
        QObject::connect(driver.get(), &CPortDriver::Finished, &loop, [&left, &loop, port, total] {
            --left;
            Progress(QStringLiteral("%1: done (%2 of %3)").arg(port).arg(total - left).arg(total));
            if (left == 0) {
                loop.quit();
            }
        });
        ports.push_back(std::move(comm));
        drivers.push_back(std::move(driver));
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        Progress(QStringLiteral("%1: reading the reader").arg(runs[i].port));
        try {
            ports[i]->put_PortName(SerialDevicePath(runs[i].port));
        } catch (const CommError&) {
            // An empty name is refused before any run starts; open fails on it all the same.
        }
        CommSettings at = settings;
        at.baudRate = runs[i].baud > 0 ? runs[i].baud : baud;
        drivers[i]->OpenAndStart(at);
    }
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &loop, [&drivers, &stopWatch] {
        if (StopSignal() != 0) {
            stopWatch.stop();
            Progress(QStringLiteral("stopping: the commands in flight end, nothing more is sent"));
            for (const auto& driver : drivers) {
                driver->Stop();
            }
        }
    });
    stopWatch.start(STOP_POLL_MS);
    if (left > 0) {
        loop.exec();
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        runs[i].openFailed = drivers[i]->OpenFailed();
        runs[i].lost = drivers[i]->Lost();
        runs[i].portError = drivers[i]->PortError();
    }
}

RunError PortFailure(const PortRun& run) {
    return run.openFailed ? RunError::PortOpen : run.lost ? RunError::PortLost : RunError::None;
}

int SequencerExitCode(const PortRun& run, const SequencerResult& result) {
    const RunError port = PortFailure(run);
    return RunErrorExitCode(port != RunError::None ? port : result.code);
}

QString PortProblem(const PortRun& run) {
    return run.openFailed
               ? QStringLiteral("cannot open %1: %2").arg(SerialDevicePath(run.port), run.portError)
               : QStringLiteral("the port was lost: %1").arg(run.portError);
}

QString SequencerError(const PortRun& run, const SequencerResult& result) {
    if (run.openFailed) {
        return PortProblem(run);
    }
    QString error = QString::fromStdString(result.error);
    if (run.lost && !run.portError.isEmpty()) {
        error += QStringLiteral(" (%1)").arg(run.portError);
    }
    return error;
}

QString HexText(const Bytes& bytes) {
    // The Transmit box's pairs without their leading space: "05 01 04 0A".
    return QString::fromLatin1(HexEcho(bytes)).trimmed();
}

QJsonValue ValueJson(ProfileKey key, const ProfileValue& value, bool fromReader) {
    switch (Info(key).kind) {
    case KeyKind::List:
        return QString::fromStdString(ValueText(key, value));
    case KeyKind::Integer:
        return value.number;
    case KeyKind::Affix:
        break;
    }
    // What a reader reports is written as text wherever it can be.
    const AffixSpelling spelled =
        SpellAffix(fromReader ? AffixValue{value.affix.bytes, true} : value.affix);
    return QJsonObject{{spelled.text ? QStringLiteral("text") : QStringLiteral("hex"),
                        QString::fromStdString(spelled.chars)}};
}

QString OutcomeText(const SequencerResult& result, const KeyResult& key, SequencerMode mode) {
    bool planned = false;
    for (const PlannedCommand& command : result.plan.commands) {
        planned = planned || std::find(command.keys.begin(), command.keys.end(), key.key) !=
                                 command.keys.end();
    }
    if (mode == SequencerMode::DryRun && planned) {
        return QStringLiteral("would_send");
    }
    if (key.outcome != KeyOutcome::Unchanged) {
        if (!result.plan.error.empty()) {
            return QStringLiteral("refused");
        }
        if (mode == SequencerMode::Apply && planned && !key.sent) {
            return QStringLiteral("not_sent");
        }
    }
    return QString::fromLatin1(OutcomeName(key.outcome));
}

QJsonValue AnswersAtJson(const std::optional<CommSettings>& at) {
    if (!at) {
        return QJsonValue::Null;
    }
    // Named and valued as the profile's keys are.
    const ChoiceItems parities = Info(ProfileKey::Parity).items;
    const int parity = ItemOfParity(at->parity);
    return QJsonObject{
        {QStringLiteral("baud_rate"), at->baudRate},
        {QStringLiteral("data_bits"), at->dataBits},
        {QStringLiteral("stop_bits"), at->stopBits == CommStopBits::Two ? 2 : 1},
        {QStringLiteral("parity"), QString::fromLatin1(parities[std::size_t(parity)])},
    };
}

QJsonObject SequencerJson(const PortRun& run, const SequencerResult& result, const Profile& profile,
                          SequencerMode mode, int exitCode) {
    QJsonArray settings;
    const auto entry = [&profile](ProfileKey key, QJsonValue before, QJsonValue after,
                                  const QString& outcome) {
        return QJsonObject{
            {QStringLiteral("key"), QString::fromLatin1(Info(key).name)},
            {QStringLiteral("profile"), ValueJson(key, *profile.Get(key), false)},
            {QStringLiteral("reader_before"), before},
            {QStringLiteral("reader_after"), after},
            {QStringLiteral("outcome"), outcome},
        };
    };
    for (const KeyResult& key : result.keys) {
        const auto readerValue = [&key](const std::optional<SerialParamRecord>& record) {
            if (!record) {
                return QJsonValue(QJsonValue::Null);
            }
            const auto value = ReaderValue(key.key, *record);
            return value ? ValueJson(key.key, *value, true) : QJsonValue(QJsonValue::Null);
        };
        settings.append(entry(key.key, readerValue(result.before), readerValue(result.after),
                              OutcomeText(result, key, mode)));
    }
    if (result.keys.empty() && !result.before) {
        // The reader was never read: nothing of the profile went out.
        for (const KeyInfo& info : ProfileKeys()) {
            if (profile.Has(info.key)) {
                settings.append(entry(info.key, QJsonValue::Null, QJsonValue::Null,
                                      QStringLiteral("not_sent")));
            }
        }
    }
    const QString error = SequencerError(run, result);
    return QJsonObject{
        {QStringLiteral("port"), run.port},
        {QStringLiteral("ok"), exitCode == EXIT_OK},
        {QStringLiteral("error"),
         exitCode == EXIT_OK || error.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(error)},
        {QStringLiteral("answers_at"), AnswersAtJson(result.answersAt)},
        {QStringLiteral("settings"), settings},
    };
}

QStringList SequencerLines(const PortRun& run, const SequencerResult& result, SequencerMode mode) {
    QStringList lines;
    int width = 0;
    for (const KeyResult& key : result.keys) {
        width = std::max(width, int(std::strlen(Info(key.key).name)));
    }
    // The summary's order; any other outcome follows in the order met.
    QStringList order{"unchanged", "verified", "mismatch", "no_reply", "not_verifiable"};
    QMap<QString, int> counts;
    for (const KeyResult& key : result.keys) {
        const QString outcome = OutcomeText(result, key, mode);
        const QString before =
            key.readerBefore ? QString::fromStdString(*key.readerBefore) : QStringLiteral("-");
        const QString to = QString::fromStdString(key.profileValue);
        QString line = QStringLiteral("%1  %2 -> %3  %4")
                           .arg(QString::fromLatin1(Info(key.key).name), -width)
                           .arg(before, to, outcome);
        if (key.readerAfter && *key.readerAfter != key.profileValue &&
            key.outcome != KeyOutcome::Unchanged) {
            line += QStringLiteral(" (reads %1)").arg(QString::fromStdString(*key.readerAfter));
        }
        lines << line;
        ++counts[outcome];
        if (!order.contains(outcome)) {
            order << outcome;
        }
    }
    const QString error = SequencerError(run, result);
    const int code = SequencerExitCode(run, result);
    if (code != EXIT_OK) {
        Err(QStringLiteral("%1: failed: %2").arg(run.port, error));
        return lines;
    }
    if (mode == SequencerMode::Compare) {
        lines
            << QStringLiteral("the reader holds the profile: %1 settings").arg(result.keys.size());
        return lines;
    }
    if (mode == SequencerMode::DryRun) {
        lines << QStringLiteral("%1 frames would be sent").arg(result.plan.commands.size());
        return lines;
    }
    QStringList parts;
    for (const QString& outcome : order) {
        if (counts.value(outcome) > 0) {
            parts << QStringLiteral("%1 %2")
                         .arg(counts.value(outcome))
                         .arg(QString(outcome).replace(u'_', u' '));
        }
    }
    lines << QStringLiteral("ok: %1").arg(parts.isEmpty() ? QStringLiteral("nothing to do")
                                                          : parts.join(QStringLiteral(", ")));
    if (!result.where.empty()) {
        lines.back() += QStringLiteral("; ") + QString::fromStdString(result.where);
    }
    return lines;
}
