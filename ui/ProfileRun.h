// One apply or compare on the dialog's open port: drives the sequencer with the serial
// control's bytes and a clock, and asks for nothing else.
#pragma once

#include "profile/ProfileSequencer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class CMscomm1;

class CProfileRun : public QObject {
    Q_OBJECT
public:
    CProfileRun(CMscomm1& comm, Profile profile, SequencerOptions options,
                QObject* parent = nullptr);

    // Called with every frame just before it is written, for the frame log.
    using WriteHook = std::function<void(const std::vector<std::uint8_t>& frame)>;
    void SetWriteHook(WriteHook hook) { m_writeHook = std::move(hook); }

    void Start();
    // The bytes the port delivered while the run is on; the dialog hands them over.
    void OnData(const QByteArray& bytes);
    void OnPortLost();
    // Stops where it is: no further frame goes out.
    void Cancel();

    bool Done() const { return m_finished; }
    bool Cancelled() const { return m_cancelled; }
    const SequencerResult& Result() const { return m_sequencer.Result(); }
    std::size_t CommandIndex() const { return m_sequencer.CommandIndex(); }
    std::size_t CommandCount() const { return m_sequencer.CommandCount(); }
    // The keys of the command going out now, for the progress line.
    QString CurrentKeys() const;

signals:
    void Progress();
    void Finished();

private:
    void Apply(SequencerStep step);
    // Leaves the port where the reader last answered (where the run began when it answered
    // nowhere), so the dialog's next button reaches it.
    void SettlePort();
    std::int64_t Now() const { return m_clock.elapsed(); }

    CMscomm1& m_comm;
    ProfileSequencer m_sequencer;
    CommSettings m_startPort;
    QTimer m_timer;
    QElapsedTimer m_clock;
    WriteHook m_writeHook;
    bool m_finished = false;
    bool m_cancelled = false;
};

// "9600,n,8,1": the serial control's text for port settings.
QString CommSettingsText(const CommSettings& settings);
