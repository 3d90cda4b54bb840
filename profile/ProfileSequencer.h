// Applies a profile to a reader, or compares them: bytes and clock ticks in, what to write and
// when to look again out. The caller owns the port and the clock; nothing here waits.
#pragma once

#include "profile/ProfilePlan.h"
#include "profile/RunError.h"
#include "serial/CommSettings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr std::int64_t DEFAULT_REPLY_BASE_MS = 1000;
inline constexpr int DEFAULT_RETRIES = 1;
// A start bit, eight data bits and a stop bit: the line time model for every framing.
inline constexpr std::int64_t LINE_BITS_PER_BYTE = 10;
// A setting reply is any bytes up to CR LF; readers answer with a header, a few bytes and
// CR LF. Sixteen bytes leaves room for a chattier reader.
inline constexpr std::size_t SETTING_REPLY_ESTIMATE = 16;

// How long to wait for a reply: base plus the line time of the frame and the reply at the
// port's speed, rounded up to whole milliseconds. No speed (a pseudo-terminal) adds nothing.
std::int64_t ReplyTimeoutMs(std::int64_t baseMs, std::size_t frameBytes, std::size_t replyBytes,
                            std::int32_t baud);

enum class SequencerMode {
    Apply,   // read, send what differs, read back
    Compare, // read only
    DryRun,  // read and plan, send nothing
};

struct SequencerOptions {
    SequencerMode mode = SequencerMode::Apply;
    bool sendAll = false;
    std::int64_t replyBaseMs = DEFAULT_REPLY_BASE_MS;
    int retries = DEFAULT_RETRIES;
    CommSettings port; // how the port is open now
};

// What the caller does next, in this order: write the bytes, reopen the port, call OnTick at
// the deadline unless something arrives first. Done: nothing more will be asked.
struct SequencerStep {
    Bytes write;
    std::optional<CommSettings> reopen;
    std::optional<std::int64_t> deadlineMs;
    bool done = false;
    // Before reopening: wait until everything written has left the port. An adapter that
    // changes speed with bytes still in its buffer sends them garbled.
    bool drain = false;
};

// "9600 8N1", "19200 7E2".
std::string FramingText(const CommSettings& settings);

enum class KeyOutcome {
    Unchanged,     // the reader held the value already (and still does)
    Verified,      // it did not; it does after the apply
    Mismatch,      // it does not hold the value
    NoReply,       // its command was not answered and the reader does not show the value
    NotVerifiable, // sent and answered, but the reader cannot show it (or was not read back)
};
const char* OutcomeName(KeyOutcome outcome);

struct KeyResult {
    ProfileKey key;
    std::string profileValue;
    std::optional<std::string> readerBefore;
    std::optional<std::string> readerAfter;
    KeyOutcome outcome = KeyOutcome::Unchanged;
    bool sent = false;
};

struct SequencerResult {
    bool ok = false;
    std::string error; // why not ok: the failure, or the keys that did not take
    // What error says, as a value; None when ok.
    RunError code = RunError::None;
    // A failure that is not a setting's (the port lost, a read that got no reply), also when
    // settings failed too; empty when there was none.
    std::string failure;
    std::vector<KeyResult> keys; // the profile's keys, in file order
    Plan plan;
    std::optional<SerialParamRecord> before;
    std::optional<SerialParamRecord> after;
    // The framing at which the reader last answered; nothing when it answered nowhere tried.
    std::optional<CommSettings> answersAt;
    // How answersAt stands to the run: the dialog words it in its own language.
    enum class Found { WhereBegun, Elsewhere, StillAtOld, Nowhere };
    Found found = Found::WhereBegun;
    // Where the reader answers when that is not where the run began ("the reader answers at
    // 19200 8N1", "the reader still answers at 9600 8N1"), or that it answered at none tried.
    std::string where;
};

class ProfileSequencer {
public:
    ProfileSequencer(Profile profile, SequencerOptions options);

    SequencerStep Start(std::int64_t nowMs);
    SequencerStep OnBytes(std::span<const std::uint8_t> bytes, std::int64_t nowMs);
    SequencerStep OnTick(std::int64_t nowMs);
    SequencerStep OnPortReopened(std::int64_t nowMs);
    SequencerStep OnPortLost(std::int64_t nowMs);
    // Ends the run early: the command in flight gets its reply or its timeout (and no retry),
    // nothing more is sent, and the reader is read back if anything was sent.
    void RequestStop() { m_stopRequested = true; }

    bool Done() const { return m_phase == Phase::Done; }
    const SequencerResult& Result() const { return m_result; }
    // Progress: the command being sent (0-based) of the plan's count.
    std::size_t CommandIndex() const { return m_command; }
    std::size_t CommandCount() const { return m_result.plan.commands.size(); }

private:
    enum class Phase { Idle, ReadBefore, Sending, Reopening, ReadAfter, Done };
    // Why the port is reopened: to read the reader first at the profile's framing, or to look
    // for it after a framing change.
    enum class Search { None, Before, After };
    enum class ReadState { Incomplete, Complete, Malformed };

    SequencerStep Write(Bytes frame, std::size_t replyBytes, std::int64_t nowMs);
    SequencerStep Wait() const;
    SequencerStep StartRead(Phase phase, std::int64_t nowMs);
    SequencerStep SendCommand(std::int64_t nowMs);
    SequencerStep NextCommand(std::int64_t nowMs);
    SequencerStep ReadFinished(const SerialParamRecord& record, std::int64_t nowMs);
    SequencerStep ReadFailed(RunError failure, const std::string& detail, std::int64_t nowMs);
    SequencerStep ReopenAt(const CommSettings& settings, std::int64_t nowMs);
    SequencerStep StartSearchAfter(std::int64_t nowMs);
    CommSettings ProfilePortSettings() const;
    std::string TriedText() const;
    SequencerStep Finish(RunError failure = RunError::None, std::string error = {});
    SequencerStep Lost(const std::string& detail);
    ReadState ParamReplyState(std::size_t& end) const;
    bool SerialFramingChanges() const;
    CommSettings NewPortSettings() const;
    std::string CurrentKeys() const;
    // The keys of the planned commands from this one on.
    std::vector<ProfileKey> PlannedKeys(std::size_t from) const;
    void FillOutcomes();

    Profile m_profile;
    SequencerOptions m_options;
    Phase m_phase = Phase::Idle;
    Bytes m_received;
    std::int64_t m_deadline = 0;
    Bytes m_lastFrame;
    std::size_t m_lastReplyBytes = 0;
    int m_attempts = 0;
    std::size_t m_command = 0;
    std::vector<bool> m_written;
    std::vector<bool> m_answered;
    bool m_stopRequested = false;
    int m_readRetries = 0;
    Search m_search = Search::None;
    CommSettings m_startPort;               // where the run began
    CommSettings m_oldPort;                 // where the serial parameters were sent
    std::vector<CommSettings> m_candidates; // framings to look for the reader at, in order
    std::size_t m_candidate = 0;
    CommSettings m_reopenTo;
    std::vector<CommSettings> m_tried; // framings queried without an answer
    SequencerResult m_result;
};
