#include "profile/PortJob.h"

ExchangeJob::ExchangeJob(std::vector<Bytes> frames, std::int64_t timeoutMs, std::int64_t quietMs)
    : m_frames(std::move(frames)), m_timeoutMs(timeoutMs), m_quietMs(quietMs) {}

SequencerStep ExchangeJob::Start(std::int64_t nowMs) {
    if (m_frames.empty()) {
        return Finish(RunError::None);
    }
    return Send(nowMs);
}

SequencerStep ExchangeJob::Send(std::int64_t nowMs) {
    m_received.clear();
    m_deadline = nowMs + m_timeoutMs;
    return {m_frames[m_next], std::nullopt, m_deadline, false};
}

bool ExchangeJob::EndsInCrLf() const {
    const std::size_t n = m_received.size();
    return n >= 2 && m_received[n - 2] == 0x0D && m_received[n - 1] == 0x0A;
}

SequencerStep ExchangeJob::OnBytes(std::span<const std::uint8_t> bytes, std::int64_t nowMs) {
    if (m_done) {
        return {{}, std::nullopt, std::nullopt, true};
    }
    m_received.insert(m_received.end(), bytes.begin(), bytes.end());
    if (!EndsInCrLf()) {
        return {{}, std::nullopt, m_deadline, false};
    }
    if (m_quietMs > 0) {
        m_deadline = nowMs + m_quietMs; // more of the reply may follow
        return {{}, std::nullopt, m_deadline, false};
    }
    return Accept(nowMs);
}

SequencerStep ExchangeJob::Accept(std::int64_t nowMs) {
    m_replies.push_back(m_received);
    if (++m_next == m_frames.size()) {
        return Finish(RunError::None);
    }
    if (m_stop) {
        return Finish(RunError::Stopped);
    }
    return Send(nowMs);
}

SequencerStep ExchangeJob::OnTick(std::int64_t nowMs) {
    if (m_done) {
        return {{}, std::nullopt, std::nullopt, true};
    }
    if (nowMs < m_deadline) {
        return {{}, std::nullopt, m_deadline, false};
    }
    if (!EndsInCrLf()) {
        if (m_received.empty()) {
            return Finish(RunError::NoReply);
        }
        return Finish(RunError::IncompleteReply,
                      " of " + std::to_string(m_received.size()) + " bytes");
    }
    return Accept(nowMs);
}

SequencerStep ExchangeJob::OnPortReopened(std::int64_t nowMs) {
    return OnTick(nowMs);
}

SequencerStep ExchangeJob::OnPortLost(std::int64_t) {
    return Finish(RunError::PortLost);
}

SequencerStep ExchangeJob::Finish(RunError failure, std::string detail) {
    m_done = true;
    m_failure = failure;
    m_error = RunErrorText(failure) + detail;
    return {{}, std::nullopt, std::nullopt, true};
}
