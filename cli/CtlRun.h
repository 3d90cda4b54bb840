// What tessaroctl's commands share: the output streams, the trace file, running jobs on several
// ports at once, and turning an engine's result into lines, JSON and an exit code.
#pragma once

#include "cli/PortJob.h"
#include "cli/PortRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// The exit codes scripts depend on.
enum ExitCode : int {
    EXIT_OK = 0,
    EXIT_USAGE = 1,
    EXIT_PORT = 2,
    EXIT_NO_REPLY = 3,
    EXIT_MISMATCH = 4,
    EXIT_REFUSED = 5,
};

// stdout for results, stderr for diagnostics; progress only when stderr is a terminal.
void Out(const QString& text);
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
    void SetPortSettings(const QString& port, int baud);
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
    bool openFailed = false;
    bool lost = false;
    QString portError;
};

// Runs every job on its own port at the given speed, all at once, until each is done.
void RunConcurrently(std::vector<PortRun>& runs, int baud, TraceFile* trace);

// The engine's verdict on one port.
int SequencerExitCode(const PortRun& run, const SequencerResult& result, SequencerMode mode);
QString SequencerError(const PortRun& run, const SequencerResult& result);

// A value as a profile file writes it.
QJsonValue ValueJson(ProfileKey key, const ProfileValue& value, bool fromReader);

// {"port", "ok", "error", "settings": [...]}.
QJsonObject SequencerJson(const PortRun& run, const SequencerResult& result, const Profile& profile,
                          int exitCode);
// One line per key and a summary line.
QStringList SequencerLines(const PortRun& run, const SequencerResult& result, SequencerMode mode);

QString HexText(const Bytes& bytes);
