// What a run over one serial port does, as steps the port driver carries out: the apply/verify
// engine, or a plain exchange of frames and replies (the record commands). Plain C++.
#pragma once

#include "profile/ProfileSequencer.h"
#include "profile/RunError.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class PortJob {
public:
    virtual ~PortJob() = default;
    virtual SequencerStep Start(std::int64_t nowMs) = 0;
    virtual SequencerStep OnBytes(std::span<const std::uint8_t> bytes, std::int64_t nowMs) = 0;
    virtual SequencerStep OnTick(std::int64_t nowMs) = 0;
    virtual SequencerStep OnPortReopened(std::int64_t nowMs) = 0;
    virtual SequencerStep OnPortLost(std::int64_t nowMs) = 0;
    // Asked to end early (Ctrl-C): what is in flight ends as usual, nothing more is sent.
    virtual void Stop() {}
};

class SequencerJob : public PortJob {
public:
    SequencerJob(Profile profile, SequencerOptions options)
        : m_sequencer(std::move(profile), options) {}

    SequencerStep Start(std::int64_t nowMs) override { return m_sequencer.Start(nowMs); }
    SequencerStep OnBytes(std::span<const std::uint8_t> bytes, std::int64_t nowMs) override {
        return m_sequencer.OnBytes(bytes, nowMs);
    }
    SequencerStep OnTick(std::int64_t nowMs) override { return m_sequencer.OnTick(nowMs); }
    SequencerStep OnPortReopened(std::int64_t nowMs) override {
        return m_sequencer.OnPortReopened(nowMs);
    }
    SequencerStep OnPortLost(std::int64_t nowMs) override { return m_sequencer.OnPortLost(nowMs); }
    void Stop() override { m_sequencer.RequestStop(); }

    const SequencerResult& Result() const { return m_sequencer.Result(); }
    const ProfileSequencer& Sequencer() const { return m_sequencer; }

private:
    ProfileSequencer m_sequencer;
};

// Sends frames one at a time, each once its predecessor's reply has ended in CR LF. A reply
// that may hold CR LF pairs of its own (a record's text) ends when the line has also been quiet
// for quietMs after one.
class ExchangeJob : public PortJob {
public:
    ExchangeJob(std::vector<Bytes> frames, std::int64_t timeoutMs, std::int64_t quietMs = 0);

    SequencerStep Start(std::int64_t nowMs) override;
    SequencerStep OnBytes(std::span<const std::uint8_t> bytes, std::int64_t nowMs) override;
    SequencerStep OnTick(std::int64_t nowMs) override;
    SequencerStep OnPortReopened(std::int64_t nowMs) override;
    SequencerStep OnPortLost(std::int64_t nowMs) override;
    void Stop() override { m_stop = true; }

    // One reply per frame answered, in order.
    const std::vector<Bytes>& Replies() const { return m_replies; }
    // Empty when every frame was answered.
    const std::string& Error() const { return m_error; }
    // What Error says, as a value.
    RunError Failure() const { return m_failure; }
    bool Done() const { return m_done; }

private:
    SequencerStep Send(std::int64_t nowMs);
    SequencerStep Accept(std::int64_t nowMs);
    SequencerStep Finish(RunError failure, std::string detail = {});
    bool EndsInCrLf() const;

    std::vector<Bytes> m_frames;
    std::int64_t m_timeoutMs;
    std::int64_t m_quietMs;
    std::size_t m_next = 0;
    Bytes m_received;
    std::int64_t m_deadline = 0;
    std::vector<Bytes> m_replies;
    std::string m_error;
    RunError m_failure = RunError::None;
    bool m_done = false;
    bool m_stop = false;
};
