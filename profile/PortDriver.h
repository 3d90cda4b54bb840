// The one driver of a port job over the serial control: writes what the job asks, reopens the
// port at new settings, feeds the job what arrives and wakes it at its deadlines. The dialog
// runs it on the port the user opened and hands it what arrives; tessaroctl and the benches let
// it open the port and read it.
#pragma once

#include "core/FrameLog.h"
#include "profile/PortJob.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class CMscomm1;

class CPortDriver : public QObject {
    Q_OBJECT
public:
    // Called with every frame just before it is written and every piece of reply it is given.
    using TraceFn = std::function<void(FrameDirection direction, const QByteArray& bytes)>;

    // The control and the job must outlive the driver.
    CPortDriver(CMscomm1& comm, PortJob& job, QObject* parent = nullptr);

    void SetTrace(TraceFn trace) { m_trace = std::move(trace); }

    // On the control's open port; its owner hands over what arrives (OnData, OnPortLost).
    void Start();
    // Opens the control's port at these settings, reads it, and closes it once the job is done.
    // When the port does not open, Finished comes after this returns, as every other ending.
    void OpenAndStart(const CommSettings& settings);

    void OnData(const QByteArray& bytes);
    void OnPortLost();
    // Passes a stop request on to the job: what is in flight ends as usual (Ctrl-C).
    void Stop();
    // Ends here and now: no further frame goes out (the dialog's Cancel).
    void Cancel();

    bool Done() const { return m_finished; }
    bool Cancelled() const { return m_cancelled; }
    bool OpenFailed() const { return m_openFailed; }
    bool Lost() const { return m_lost; }
    // Why the port could not be opened or was lost, in the port's words.
    const QString& PortError() const { return m_portError; }

signals:
    // After each step that leaves the job waiting.
    void Progress();
    void Finished();

private:
    void Carry(SequencerStep step);
    void OnComm();
    void Finish();
    void PortFailed();
    std::int64_t Now() const { return m_clock.elapsed(); }

    CMscomm1& m_comm;
    PortJob& m_job;
    QTimer m_timer;
    QElapsedTimer m_clock;
    TraceFn m_trace;
    bool m_ownsPort = false;
    bool m_started = false;
    bool m_finished = false;
    bool m_cancelled = false;
    bool m_openFailed = false;
    bool m_lost = false;
    QString m_portError;
};
