// Runs a port job over a QSerialPort: opens the port, writes what the job asks, feeds it what
// arrives, reopens the port at new settings, and wakes it at its deadlines.
#pragma once

#include "cli/PortJob.h"
#include "core/FrameLog.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <functional>

// "com N" (N >= 1) names /dev/ttyS{N-1} (COMN on Windows), as in the dialog; a name with a
// slash, or one that exists in the current directory, is that file; any other name is a device
// name as QSerialPort takes it (ttyUSB0, COM7).
QString SerialDevicePath(const QString& port);
// Why a --port value names no port (empty, "com 0"); empty when it is fine.
QString PortNameError(const QString& port);

class CPortRunner : public QObject {
    Q_OBJECT
public:
    // Called for every frame written and every piece of reply read.
    using TraceFn =
        std::function<void(const QString& port, FrameDirection direction, const QByteArray& bytes)>;

    CPortRunner(QString port, CommSettings settings, QObject* parent = nullptr);

    void SetTrace(TraceFn trace) { m_trace = std::move(trace); }
    // Called each time the port is opened, with its framing.
    void SetOpened(std::function<void(const QString& port, const CommSettings& settings)> opened) {
        m_opened = std::move(opened);
    }
    // Opens the port and starts the job; Finished comes once the job is done or the port could
    // not be opened. The job must outlive the run.
    void Run(PortJob& job);

    // Passes a stop request on to the job (Ctrl-C).
    void Stop() {
        if (m_running && m_job) {
            m_job->Stop();
        }
    }

    const QString& Port() const { return m_portText; }
    bool OpenFailed() const { return m_openFailed; }
    bool Lost() const { return m_lost; }
    // Why the port could not be opened or was lost.
    const QString& PortError() const { return m_portError; }

signals:
    void Finished();

private:
    bool OpenAt(const CommSettings& settings);
    void DiscardInput();
    // Waits until everything written has left the port (bounded).
    void Drain();
    void Carry(SequencerStep step);
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError error);
    void OnDeadline();
    void Finish();
    std::int64_t Now() const { return m_clock.elapsed(); }

    QString m_portText;
    CommSettings m_settings;
    QSerialPort m_port;
    QTimer m_timer;
    QElapsedTimer m_clock;
    PortJob* m_job = nullptr;
    TraceFn m_trace;
    std::function<void(const QString&, const CommSettings&)> m_opened;
    bool m_running = false;
    bool m_openFailed = false;
    bool m_lost = false;
    QString m_portError;
};
