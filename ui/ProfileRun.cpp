#include "ui/ProfileRun.h"

#include "serial/Mscomm1.h"

#include <algorithm>

QString CommSettingsText(const CommSettings& s) {
    const char parity = s.parity == CommParity::Even    ? 'e'
                        : s.parity == CommParity::Odd   ? 'o'
                        : s.parity == CommParity::Mark  ? 'm'
                        : s.parity == CommParity::Space ? 's'
                                                        : 'n';
    const QString stop = s.stopBits == CommStopBits::Two          ? QStringLiteral("2")
                         : s.stopBits == CommStopBits::OneAndHalf ? QStringLiteral("1.5")
                                                                  : QStringLiteral("1");
    return QStringLiteral("%1,%2,%3,%4")
        .arg(s.baudRate)
        .arg(QLatin1Char(parity))
        .arg(s.dataBits)
        .arg(stop);
}

CProfileRun::CProfileRun(CMscomm1& comm, Profile profile, SequencerOptions options, QObject* parent)
    : QObject(parent), m_comm(comm), m_sequencer(std::move(profile), options),
      m_startPort(options.port) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Apply(m_sequencer.OnTick(Now())); });
}

void CProfileRun::Start() {
    m_clock.start();
    Apply(m_sequencer.Start(Now()));
}

void CProfileRun::OnData(const QByteArray& bytes) {
    if (m_finished) {
        return;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    Apply(m_sequencer.OnBytes({data, std::size_t(bytes.size())}, Now()));
}

void CProfileRun::OnPortLost() {
    if (!m_finished) {
        Apply(m_sequencer.OnPortLost(Now()));
    }
}

void CProfileRun::Cancel() {
    if (m_finished) {
        return;
    }
    m_cancelled = true;
    m_finished = true;
    m_timer.stop();
    emit Finished();
}

QString CProfileRun::CurrentKeys() const {
    const auto& commands = m_sequencer.Result().plan.commands;
    const std::size_t i = m_sequencer.CommandIndex();
    QStringList names;
    if (i < commands.size()) {
        for (const ProfileKey key : commands[i].keys) {
            names << QLatin1String(Info(key).name);
        }
    }
    return names.join(QStringLiteral(", "));
}

void CProfileRun::Apply(SequencerStep step) {
    if (m_finished) {
        return;
    }
    try {
        if (!step.write.empty()) {
            if (m_writeHook) {
                m_writeHook(step.write);
            }
            // Bytes already on the line (a late reply to something earlier) are not the reply
            // to this frame.
            m_comm.put_InBufferCount(0);
            m_comm.put_Output(QByteArray(reinterpret_cast<const char*>(step.write.data()),
                                         qsizetype(step.write.size())));
        }
        if (step.reopen) {
            // The reader may have switched: follow it, once the frame has left.
            if (step.drain) {
                m_comm.Drain();
            }
            m_comm.put_PortOpen(false);
            m_comm.put_Settings(CommSettingsText(*step.reopen));
            m_comm.put_PortOpen(true);
            step = m_sequencer.OnPortReopened(Now());
            Apply(std::move(step));
            return;
        }
    } catch (const CommError&) {
        step = m_sequencer.OnPortLost(Now());
    }
    if (step.done || m_sequencer.Done()) {
        SettlePort();
        m_finished = true;
        m_timer.stop();
        emit Finished();
        return;
    }
    if (step.deadlineMs) {
        m_timer.start(int(std::max<std::int64_t>(0, *step.deadlineMs - Now())));
    }
    emit Progress();
}

void CProfileRun::SettlePort() {
    const QString at = CommSettingsText(m_sequencer.Result().answersAt.value_or(m_startPort));
    if (!m_comm.get_PortOpen() || m_comm.get_Settings() == at) {
        return;
    }
    try {
        m_comm.put_Settings(at);
    } catch (const CommError&) {
        // The port is gone; the dialog sees it closed.
    }
}
