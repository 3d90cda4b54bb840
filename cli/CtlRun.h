// What tessaroctl's commands share: the output streams, the trace file, running jobs on several
// ports at once, and turning an engine's result into lines, JSON and an exit code.
#pragma once

#include "core/FrameLog.h"
#include "profile/PortJob.h"
#include "profile/RunError.h"
#include "serial/SerialDevice.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// Why a --port value names no port (empty, "com 0"); empty when it is fine.
QString PortNameError(const QString& port);

// Ctrl-C and SIGTERM end a run cleanly: the command in flight ends, nothing more is sent, the
// report is printed, and the exit status is 128 + the signal (130, 143). A second one ends the
// program at once.
void WatchStopSignals();
// The signal that asked to stop, 0 while none has.
int StopSignal();

// stdout for results, stderr for diagnostics; progress only when stderr is a terminal.
void Out(const QString& text);
// Every --json document: two-space indentation, keys in alphabetical order, one final newline.
// One JSON document in the layout every command prints: two spaces, keys in order.
QByteArray JsonText(const QJsonValue& value);
void PrintJson(const QJsonValue& value);
void Err(const QString& text);
void Progress(const QString& text);

// Every frame sent and every reply received, one line each, when --trace names a file; and the
// same frames as a pcapng capture, written whole at the end, when --pcap names one.
class TraceFile {
public:
    bool Open(const QString& path, QString* error);
    bool OpenPcap(const QString& path, QString* error);
    void Write(const QString& port, FrameDirection direction, const QByteArray& bytes);
    bool IsOpen() const { return m_file.isOpen() || !m_pcapPath.isEmpty(); }
    // The port's settings, for the capture's comment and the port's interface.
    // The framing a port was opened at, in the capture's comments; each new one is added.
    void SetPortSettings(const QString& port, const CommSettings& settings);
    bool WritePcap(QString* error) const;

private:
    QFile m_file;
    QElapsedTimer m_clock;
    QString m_pcapPath;
    FrameLogBuffer m_log;
    std::map<std::string, std::string> m_portSettings;
};

struct PortRun {
    QString port;
    std::unique_ptr<PortJob> job;
    int baud = 0; // 0: the speed the runs share
    bool openFailed = false;
    bool lost = false;
    QString portError;
};

// Runs every job on its own port at the given speed, all at once, until each is done.
void RunConcurrently(std::vector<PortRun>& runs, int baud, TraceFile* trace);

// Why a port could not be used: it did not open, or it was lost.
QString PortProblem(const PortRun& run);

// The engine's verdict on one port.
// What stopped the port itself: it did not open, or it was lost; None when neither.
RunError PortFailure(const PortRun& run);
int SequencerExitCode(const PortRun& run, const SequencerResult& result);
QString SequencerError(const PortRun& run, const SequencerResult& result);

// A value as a profile file writes it.
QJsonValue ValueJson(ProfileKey key, const ProfileValue& value, bool fromReader);

// The outcome a key is reported with: the engine's, or "would_send" (dry run), "refused" (the
// profile was refused, nothing sent) and "not_sent" (the run ended before its command went out).
QString OutcomeText(const SequencerResult& result, const KeyResult& key, SequencerMode mode);

// {"port", "ok", "error", "settings": [...]}; with no read of the reader, every key of the
// profile as "not_sent".
// Where the reader answers, as the profile's framing keys: {"baud_rate": 19200, ...} or null.
QJsonValue AnswersAtJson(const std::optional<CommSettings>& at);
QJsonObject SequencerJson(const PortRun& run, const SequencerResult& result, const Profile& profile,
                          SequencerMode mode, int exitCode);
// One line per key and, when the run succeeded, a summary line; a failure goes to stderr.
QStringList SequencerLines(const PortRun& run, const SequencerResult& result, SequencerMode mode);

QString HexText(const Bytes& bytes);
