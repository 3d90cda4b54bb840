// One apply or compare on the dialog's open port: the engine's job carried by the port driver,
// with what the progress line needs.
#pragma once

#include "profile/PortDriver.h"
#include "profile/PortJob.h"

#include <QObject>

class CMscomm1;

class CProfileRun : public QObject {
    Q_OBJECT
public:
    CProfileRun(CMscomm1& comm, Profile profile, SequencerOptions options,
                QObject* parent = nullptr);

    // Called with every frame written and every piece of reply handed over, for the frame log.
    void SetTrace(CPortDriver::TraceFn trace) { m_driver.SetTrace(std::move(trace)); }

    void Start() { m_driver.Start(); }
    // The bytes the port delivered while the run is on; the dialog hands them over.
    void OnData(const QByteArray& bytes) { m_driver.OnData(bytes); }
    void OnPortLost() { m_driver.OnPortLost(); }
    // Stops where it is: no further frame goes out.
    void Cancel() { m_driver.Cancel(); }

    bool Done() const { return m_driver.Done(); }
    bool Cancelled() const { return m_driver.Cancelled(); }
    const SequencerResult& Result() const { return m_job.Result(); }
    std::size_t CommandIndex() const { return m_job.Sequencer().CommandIndex(); }
    std::size_t CommandCount() const { return m_job.Sequencer().CommandCount(); }
    // The keys of the command going out now, for the progress line.
    QString CurrentKeys() const;

signals:
    void Progress();
    void Finished();

private:
    // Leaves the port where the reader last answered (where the run began when it answered
    // nowhere), so the dialog's next button reaches it.
    void SettlePort();

    CMscomm1& m_comm;
    CommSettings m_startPort;
    SequencerJob m_job;
    CPortDriver m_driver;
};
