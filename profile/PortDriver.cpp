#include "profile/PortDriver.h"

#include "serial/Mscomm1.h"

#include <algorithm>

CPortDriver::CPortDriver(CMscomm1& comm, PortJob& job, QObject* parent)
    : QObject(parent), m_comm(comm), m_job(job) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_finished) {
            Carry(m_job.OnTick(Now()));
        }
    });
}

void CPortDriver::Start() {
    m_clock.start();
    m_started = true;
    Carry(m_job.Start(Now()));
}

void CPortDriver::OpenAndStart(const CommSettings& settings) {
    m_clock.start();
    m_ownsPort = true;
    try {
        // Read as the dialog reads it: every byte as it comes.
        m_comm.put_InputLen(0);
        m_comm.put_RThreshold(1);
        m_comm.put_RTSEnable(true);
        // Nothing here opens a modal box: take each piece as the port announces it.
        m_comm.SetDirectReceive(true);
        m_comm.OpenAt(settings);
        // Whatever is on the line already is no reply to this run.
        m_comm.put_InBufferCount(0);
    } catch (const CommError&) {
        m_openFailed = true;
        m_portError = m_comm.PortErrorString();
        m_finished = true;
        QTimer::singleShot(0, this, &CPortDriver::Finished);
        return;
    }
    connect(&m_comm, &CMscomm1::OnComm, this, &CPortDriver::OnComm);
    m_started = true;
    Carry(m_job.Start(Now()));
}

void CPortDriver::OnComm() {
    if (m_comm.get_CommEvent() == CMscomm1::COMEV_RECEIVE) {
        const QByteArray bytes = m_comm.get_Input();
        if (!bytes.isEmpty()) {
            OnData(bytes);
        }
        return;
    }
    if (m_comm.get_CommEvent() == CMscomm1::COMEV_DEVICE_LOST) {
        OnPortLost();
    }
}

void CPortDriver::OnData(const QByteArray& bytes) {
    if (!m_started) {
        return;
    }
    // A late reply after the end is still logged, as the dialog logs what the port delivers.
    if (m_trace) {
        m_trace(FrameDirection::Received, bytes);
    }
    if (m_finished) {
        return;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    Carry(m_job.OnBytes({data, std::size_t(bytes.size())}, Now()));
}

void CPortDriver::OnPortLost() {
    if (m_finished || !m_started) {
        return;
    }
    m_timer.stop();
    PortFailed();
    Carry(m_job.OnPortLost(Now()));
}

void CPortDriver::PortFailed() {
    m_lost = true;
    m_portError = m_comm.PortErrorString();
}

void CPortDriver::Stop() {
    if (m_started && !m_finished) {
        m_job.Stop();
    }
}

void CPortDriver::Cancel() {
    if (m_finished) {
        return;
    }
    m_cancelled = true;
    Finish();
}

void CPortDriver::Carry(SequencerStep step) {
    while (!m_finished) {
        try {
            if (!step.write.empty()) {
                const QByteArray bytes(reinterpret_cast<const char*>(step.write.data()),
                                       qsizetype(step.write.size()));
                if (m_trace) {
                    m_trace(FrameDirection::Sent, bytes);
                }
                // Bytes already on the line (a late reply to something earlier) are not the
                // reply to this frame.
                m_comm.put_InBufferCount(0);
                // One piece: a frame split across writes could reach the reader with a gap.
                m_comm.put_Output(bytes);
            }
            if (step.reopen) {
                // The reader may have switched: follow it, once the frame has left.
                if (step.drain) {
                    m_comm.Drain();
                }
                m_comm.put_PortOpen(false);
                m_comm.OpenAt(*step.reopen);
                m_comm.put_InBufferCount(0);
                step = m_job.OnPortReopened(Now());
                continue;
            }
        } catch (const CommError&) {
            PortFailed();
            step = m_job.OnPortLost(Now());
            continue;
        }
        if (step.done) {
            Finish();
            return;
        }
        if (step.deadlineMs) {
            m_timer.start(int(std::max<std::int64_t>(0, *step.deadlineMs - Now())));
        }
        emit Progress();
        return;
    }
}

void CPortDriver::Finish() {
    m_finished = true;
    m_timer.stop();
    if (m_ownsPort) {
        disconnect(&m_comm, &CMscomm1::OnComm, this, &CPortDriver::OnComm);
        if (m_comm.get_PortOpen()) {
            m_comm.Flush();
            m_comm.put_PortOpen(false);
        }
    }
    emit Finished();
}
