#include "profile/ProfileSequencer.h"

#include "serial/SerialReply.h"

#include <algorithm>

namespace {

bool IsCrLfAt(std::span<const std::uint8_t> bytes, std::size_t i) {
    return i + 1 < bytes.size() && bytes[i] == 0x0D && bytes[i + 1] == 0x0A;
}

std::string KeyNames(const std::vector<ProfileKey>& keys) {
    std::string names;
    for (const ProfileKey key : keys) {
        names += names.empty() ? "" : ", ";
        names += Info(key).name;
    }
    return names;
}

bool SameFraming(const CommSettings& a, const CommSettings& b) {
    return a.baudRate == b.baudRate && a.dataBits == b.dataBits && a.parity == b.parity &&
           a.stopBits == b.stopBits;
}

bool IsFramingKey(ProfileKey key) {
    return key == ProfileKey::BaudRate || key == ProfileKey::DataBits ||
           key == ProfileKey::StopBits || key == ProfileKey::Parity;
}

// What a framing key holds, as the reader's record numbers it, for a port set this way.
std::int32_t FramingNumber(ProfileKey key, const CommSettings& port) {
    switch (key) {
    case ProfileKey::BaudRate:
        return port.baudRate;
    case ProfileKey::DataBits:
        return port.dataBits;
    case ProfileKey::StopBits:
        return port.stopBits == CommStopBits::Two ? 2 : 1;
    case ProfileKey::Parity:
        return ItemOfParity(port.parity);
    default:
        return -1;
    }
}

} // namespace

std::string FramingText(const CommSettings& settings) {
    static const char PARITY_LETTERS[] = {'N', 'E', 'O', 'M', 'S'};
    static const char* const STOP_TEXTS[] = {"1", "1.5", "2"};
    return std::to_string(settings.baudRate) + " " + std::to_string(settings.dataBits) +
           PARITY_LETTERS[static_cast<int>(settings.parity)] +
           STOP_TEXTS[static_cast<int>(settings.stopBits)];
}

std::int64_t ReplyTimeoutMs(std::int64_t baseMs, std::size_t frameBytes, std::size_t replyBytes,
                            std::int32_t baud) {
    if (baud <= 0) {
        return baseMs;
    }
    const auto bits = static_cast<std::int64_t>(frameBytes + replyBytes) * LINE_BITS_PER_BYTE;
    return baseMs + (bits * 1000 + baud - 1) / baud;
}

const char* OutcomeName(KeyOutcome outcome) {
    switch (outcome) {
    case KeyOutcome::Unchanged:
        return "unchanged";
    case KeyOutcome::Verified:
        return "verified";
    case KeyOutcome::Mismatch:
        return "mismatch";
    case KeyOutcome::NoReply:
        return "no_reply";
    case KeyOutcome::NotVerifiable:
        return "not_verifiable";
    }
    return "";
}

ProfileSequencer::ProfileSequencer(Profile profile, SequencerOptions options)
    : m_profile(std::move(profile)), m_options(options) {}

SequencerStep ProfileSequencer::Start(std::int64_t nowMs) {
    if (m_phase != Phase::Idle) {
        return Wait();
    }
    m_startPort = m_options.port;
    m_readRetries = m_options.retries;
    return StartRead(Phase::ReadBefore, nowMs);
}

SequencerStep ProfileSequencer::Write(Bytes frame, std::size_t replyBytes, std::int64_t nowMs) {
    m_received.clear();
    m_lastFrame = frame;
    m_lastReplyBytes = replyBytes;
    ++m_attempts;
    m_deadline = nowMs + ReplyTimeoutMs(m_options.replyBaseMs, frame.size(), replyBytes,
                                        m_options.port.baudRate);
    return {std::move(frame), std::nullopt, m_deadline, false};
}

SequencerStep ProfileSequencer::Wait() const {
    if (m_phase == Phase::Done) {
        return {{}, std::nullopt, std::nullopt, true};
    }
    return {{}, std::nullopt, m_deadline, false};
}

SequencerStep ProfileSequencer::StartRead(Phase phase, std::int64_t nowMs) {
    m_phase = phase;
    m_attempts = 0;
    return Write(ParamQueryFrame(), PARAM_REPLY_LEN, nowMs);
}

SequencerStep ProfileSequencer::SendCommand(std::int64_t nowMs) {
    m_attempts = 0;
    m_written[m_command] = true;
    return Write(m_result.plan.commands[m_command].frame, SETTING_REPLY_ESTIMATE, nowMs);
}

ProfileSequencer::ReadState ProfileSequencer::ParamReplyState(std::size_t& end) const {
    // Earlier CR LF pairs are record bytes.
    for (std::size_t i = PARAM_REPLY_END; i < m_received.size(); ++i) {
        if (IsCrLfAt(m_received, i)) {
            end = i;
            return i == PARAM_REPLY_END ? ReadState::Complete : ReadState::Malformed;
        }
    }
    return ReadState::Incomplete;
}

SequencerStep ProfileSequencer::OnBytes(std::span<const std::uint8_t> bytes, std::int64_t nowMs) {
    const bool reading = m_phase == Phase::ReadBefore || m_phase == Phase::ReadAfter;
    if (!reading && m_phase != Phase::Sending) {
        return Wait();
    }
    const std::size_t room = RECV_BUFFER_LEN - m_received.size();
    m_received.insert(m_received.end(), bytes.begin(),
                      bytes.begin() + static_cast<std::ptrdiff_t>(std::min(room, bytes.size())));
    if (m_phase == Phase::Sending) {
        for (std::size_t i = 0; i < m_received.size(); ++i) {
            if (IsCrLfAt(m_received, i)) {
                m_answered[m_command] = true;
                m_result.answersAt = m_options.port;
                return NextCommand(nowMs);
            }
        }
        return Wait();
    }
    std::size_t end = 0;
    switch (ParamReplyState(end)) {
    case ReadState::Incomplete:
        return Wait();
    case ReadState::Malformed:
        return ReadFailed(RunError::BadReply,
                          " after " + std::to_string(end + 2) + " bytes, not " +
                              std::to_string(PARAM_REPLY_LEN),
                          nowMs);
    case ReadState::Complete:
        break;
    }
    return ReadFinished(
        SerialParamRecord::decode(std::span<const std::uint8_t, SERIAL_PARAM_RECORD_LEN>(
            m_received.data() + PARAM_REPLY_RECORD, SERIAL_PARAM_RECORD_LEN)),
        nowMs);
}

SequencerStep ProfileSequencer::OnTick(std::int64_t nowMs) {
    if (m_phase == Phase::Idle || m_phase == Phase::Done || nowMs < m_deadline) {
        return Wait();
    }
    switch (m_phase) {
    case Phase::ReadBefore:
    case Phase::ReadAfter:
        if (m_received.empty()) {
            return ReadFailed(RunError::NoReply, {}, nowMs);
        }
        return ReadFailed(RunError::IncompleteReply,
                          " of " + std::to_string(m_received.size()) + " bytes", nowMs);
    case Phase::Sending:
        if (m_attempts <= m_options.retries && !m_stopRequested) {
            return Write(m_lastFrame, m_lastReplyBytes, nowMs);
        }
        return NextCommand(nowMs);
    case Phase::Reopening:
        if (m_search == Search::After && m_candidate == 0) {
            return Finish(RunError::NotReopened, RunErrorText(RunError::NotReopened) + " at " +
                                                     std::to_string(m_reopenTo.baudRate) +
                                                     " baud after sending " + CurrentKeys());
        }
        return Finish(RunError::NotReopened, RunErrorText(RunError::NotReopened) + " at " +
                                                 std::to_string(m_reopenTo.baudRate) +
                                                 " baud while looking for the reader");
    default:
        break;
    }
    return Wait();
}

SequencerStep ProfileSequencer::OnPortReopened(std::int64_t nowMs) {
    if (m_phase != Phase::Reopening) {
        return Wait();
    }
    m_options.port = m_reopenTo;
    if (m_search == Search::Before) {
        return StartRead(Phase::ReadBefore, nowMs);
    }
    m_command = m_result.plan.commands.size();
    return StartRead(Phase::ReadAfter, nowMs);
}

SequencerStep ProfileSequencer::OnPortLost(std::int64_t) {
    switch (m_phase) {
    case Phase::Idle:
    case Phase::ReadBefore:
        return Lost(" while reading the reader's parameters");
    case Phase::Sending:
        return Lost(" while sending " + CurrentKeys());
    case Phase::Reopening:
        if (m_search == Search::After && m_candidate == 0) {
            return Lost(" while reopening it at " + std::to_string(m_reopenTo.baudRate) +
                        " baud for " + CurrentKeys());
        }
        return Lost(" while reopening it at " + std::to_string(m_reopenTo.baudRate) +
                    " baud to look for the reader");
    case Phase::ReadAfter:
        return Lost(" while reading the reader's parameters back");
    case Phase::Done:
        break;
    }
    return Wait();
}

SequencerStep ProfileSequencer::NextCommand(std::int64_t nowMs) {
    const PlannedCommand& command = m_result.plan.commands[m_command];
    if (command.cmdId == CMD_SERIAL_PARAMS && SerialFramingChanges()) {
        // Answered or not, the reader may have switched: look for it.
        return StartSearchAfter(nowMs);
    }
    if (m_stopRequested) {
        ++m_command;
        return StartRead(Phase::ReadAfter, nowMs);
    }
    if (++m_command < m_result.plan.commands.size()) {
        return SendCommand(nowMs);
    }
    return StartRead(Phase::ReadAfter, nowMs);
}

SequencerStep ProfileSequencer::ReopenAt(const CommSettings& settings, std::int64_t nowMs) {
    m_phase = Phase::Reopening;
    m_reopenTo = settings;
    m_deadline = nowMs + m_options.replyBaseMs;
    SequencerStep step{{}, settings, m_deadline, false};
    step.drain = true;
    return step;
}

SequencerStep ProfileSequencer::StartSearchAfter(std::int64_t nowMs) {
    // At the new framing first, then the old one, then every speed of the list at the data
    // bits, stop bits and parity of either: bounded, and the likely places come first.
    m_search = Search::After;
    m_oldPort = m_options.port;
    const CommSettings wanted = NewPortSettings();
    m_candidates = {wanted};
    const auto add = [this](const CommSettings& framing) {
        if (std::none_of(m_candidates.begin(), m_candidates.end(),
                         [&framing](const CommSettings& c) { return SameFraming(c, framing); })) {
            m_candidates.push_back(framing);
        }
    };
    add(m_oldPort);
    for (const int speed : ReaderSearchSpeeds()) {
        for (CommSettings framing : {m_oldPort, wanted}) {
            framing.baudRate = speed;
            add(framing);
        }
    }
    m_candidate = 0;
    m_readRetries = m_options.retries;
    return ReopenAt(wanted, nowMs);
}

CommSettings ProfileSequencer::ProfilePortSettings() const {
    CommSettings port = m_options.port;
    const auto wanted = [this](ProfileKey key) -> std::optional<std::int32_t> {
        const auto& value = m_profile.Get(key);
        return value ? std::optional<std::int32_t>(value->number) : std::nullopt;
    };
    port.baudRate = wanted(ProfileKey::BaudRate).value_or(port.baudRate);
    port.dataBits = wanted(ProfileKey::DataBits).value_or(port.dataBits);
    if (const auto stop = wanted(ProfileKey::StopBits)) {
        port.stopBits = *stop == 2 ? CommStopBits::Two : CommStopBits::One;
    }
    if (const auto parity = wanted(ProfileKey::Parity)) {
        port.parity = ParityOfItem(*parity);
    }
    return port;
}

std::string ProfileSequencer::TriedText() const {
    std::string text;
    for (const CommSettings& framing : m_tried) {
        text += (text.empty() ? "" : ", ") + FramingText(framing);
    }
    return text;
}

SequencerStep ProfileSequencer::ReadFinished(const SerialParamRecord& record, std::int64_t nowMs) {
    m_result.answersAt = m_options.port;
    if (m_phase == Phase::ReadAfter) {
        m_result.after = record;
        return Finish();
    }
    m_result.before = record;
    if (m_options.mode == SequencerMode::Compare) {
        return Finish();
    }
    m_result.plan = MakePlan(m_profile, record, m_options.sendAll);
    const std::size_t count = m_result.plan.commands.size();
    if (m_options.mode == SequencerMode::DryRun || !m_result.plan.error.empty() || count == 0) {
        return Finish(m_result.plan.error.empty() ? RunError::None : RunError::Refused,
                      m_result.plan.error);
    }
    if (m_stopRequested) {
        return Finish(RunError::Stopped, RunErrorText(RunError::Stopped) + " before sending " +
                                             KeyNames(PlannedKeys(0)));
    }
    m_written.assign(count, false);
    m_answered.assign(count, false);
    m_command = 0;
    m_phase = Phase::Sending;
    return SendCommand(nowMs);
}

SequencerStep ProfileSequencer::ReadFailed(RunError failure, const std::string& detail,
                                           std::int64_t nowMs) {
    if (m_attempts <= m_readRetries) {
        return Write(m_lastFrame, m_lastReplyBytes, nowMs);
    }
    if (m_phase == Phase::ReadBefore && m_options.mode != SequencerMode::Compare) {
        // A rerun finds a reader that already took the profile's framing.
        const CommSettings framing = ProfilePortSettings();
        m_tried.push_back(m_options.port);
        if (m_search == Search::None && !SameFraming(framing, m_options.port)) {
            m_search = Search::Before;
            m_readRetries = 0;
            return ReopenAt(framing, nowMs);
        }
    }
    if (m_phase == Phase::ReadAfter && m_search == Search::After) {
        m_tried.push_back(m_options.port);
        if (++m_candidate < m_candidates.size()) {
            m_readRetries = 0;
            return ReopenAt(m_candidates[m_candidate], nowMs);
        }
        m_result.answersAt.reset();
        return Finish(RunError::NoReply, "no answer at any speed tried: " + TriedText());
    }
    const bool back = m_phase == Phase::ReadAfter;
    return Finish(failure, std::string(back ? "reading the reader's parameters back: "
                                            : "reading the reader's parameters: ") +
                               RunErrorText(failure) + detail);
}

bool ProfileSequencer::SerialFramingChanges() const {
    for (const ProfileKey key :
         {ProfileKey::BaudRate, ProfileKey::DataBits, ProfileKey::StopBits, ProfileKey::Parity}) {
        const auto& wanted = m_profile.Get(key);
        if (wanted && ReaderValue(key, *m_result.before) != wanted) {
            return true;
        }
    }
    return false;
}

CommSettings ProfileSequencer::NewPortSettings() const {
    const auto value = [this](ProfileKey key) {
        const auto& wanted = m_profile.Get(key);
        return wanted ? wanted->number : ReaderValue(key, *m_result.before)->number;
    };
    CommSettings port = m_options.port;
    port.baudRate = value(ProfileKey::BaudRate);
    port.dataBits = value(ProfileKey::DataBits);
    port.stopBits = value(ProfileKey::StopBits) == 2 ? CommStopBits::Two : CommStopBits::One;
    port.parity = ParityOfItem(value(ProfileKey::Parity));
    return port;
}

std::vector<ProfileKey> ProfileSequencer::PlannedKeys(std::size_t from) const {
    std::vector<ProfileKey> keys;
    const auto& commands = m_result.plan.commands;
    for (std::size_t c = from; c < commands.size(); ++c) {
        keys.insert(keys.end(), commands[c].keys.begin(), commands[c].keys.end());
    }
    return keys;
}

std::string ProfileSequencer::CurrentKeys() const {
    if (m_command < m_result.plan.commands.size()) {
        return KeyNames(m_result.plan.commands[m_command].keys);
    }
    return {};
}

void ProfileSequencer::FillOutcomes() {
    m_result.keys.clear();
    if (!m_result.before) {
        return;
    }
    const auto& commands = m_result.plan.commands;
    const bool anyWritten = std::find(m_written.begin(), m_written.end(), true) != m_written.end();
    for (const KeyInfo& info : ProfileKeys()) {
        const auto& wanted = m_profile.Get(info.key);
        if (!wanted) {
            continue;
        }
        KeyResult r{info.key,     ValueText(info.key, *wanted), std::nullopt,
                    std::nullopt, KeyOutcome::Unchanged,        false};
        const auto before = ReaderValue(info.key, *m_result.before);
        const auto after = m_result.after ? ReaderValue(info.key, *m_result.after) : std::nullopt;
        if (before) {
            r.readerBefore = ValueText(info.key, *before);
        }
        if (after) {
            r.readerAfter = ValueText(info.key, *after);
        }
        bool answered = false;
        for (std::size_t c = 0; c < commands.size() && c < m_written.size(); ++c) {
            const auto& keys = commands[c].keys;
            if (std::find(keys.begin(), keys.end(), info.key) != keys.end()) {
                r.sent = m_written[c];
                answered = m_answered[c];
            }
        }
        const bool readable = before.has_value();
        const bool heldBefore = readable && *before == *wanted;
        // A framing is verified only by a reply heard at that framing.
        const bool framing = IsFramingKey(info.key);
        const bool heardThere =
            !framing ||
            (m_result.answersAt && FramingNumber(info.key, *m_result.answersAt) == wanted->number);
        const bool searched = framing && m_search == Search::After;
        if (!anyWritten) {
            // Nothing went out: what the reader holds is all there is to say.
            r.outcome = !readable    ? KeyOutcome::NotVerifiable
                        : heldBefore ? KeyOutcome::Unchanged
                                     : KeyOutcome::Mismatch;
        } else if (after) {
            if (*after == *wanted) {
                r.outcome = heldBefore   ? KeyOutcome::Unchanged
                            : heardThere ? KeyOutcome::Verified
                                         : KeyOutcome::Mismatch;
            } else {
                // Found after the change: what the reader shows is its true state.
                r.outcome =
                    r.sent && !answered && !searched ? KeyOutcome::NoReply : KeyOutcome::Mismatch;
            }
        } else if (searched && r.sent) {
            r.outcome = KeyOutcome::NoReply; // answered at no framing tried
        } else if (heldBefore) {
            r.outcome = KeyOutcome::Unchanged;
        } else {
            r.outcome = answered ? KeyOutcome::NotVerifiable : KeyOutcome::NoReply;
        }
        m_result.keys.push_back(std::move(r));
    }
}

SequencerStep ProfileSequencer::Lost(const std::string& detail) {
    return Finish(RunError::PortLost, RunErrorText(RunError::PortLost) + detail);
}

SequencerStep ProfileSequencer::Finish(RunError failure, std::string error) {
    m_phase = Phase::Done;
    FillOutcomes();
    const auto& at = m_result.answersAt;
    using Found = SequencerResult::Found;
    if (m_search != Search::None && !at) {
        m_result.found = Found::Nowhere;
        m_result.where = "no answer at any speed tried: " + TriedText();
    } else if (m_search == Search::After && SameFraming(*at, m_oldPort) &&
               !SameFraming(m_oldPort, m_candidates.front())) {
        m_result.found = Found::StillAtOld;
        m_result.where = "the reader still answers at " + FramingText(*at);
    } else if (at && !SameFraming(*at, m_startPort)) {
        m_result.found = Found::Elsewhere;
        m_result.where = "the reader answers at " + FramingText(*at);
    }
    m_result.failure = error;
    const bool stopped = failure == RunError::Stopped;
    if ((failure == RunError::None || stopped) && m_options.mode != SequencerMode::DryRun) {
        std::vector<ProfileKey> failed;
        // The worst a setting fared: a value the reader does not hold outweighs a command that
        // went unanswered.
        RunError worst = RunError::None;
        for (const KeyResult& r : m_result.keys) {
            if (r.outcome == KeyOutcome::Mismatch) {
                worst = m_options.mode == SequencerMode::Compare ? RunError::Differs
                                                                 : RunError::DidNotTake;
            } else if (r.outcome == KeyOutcome::NoReply && worst == RunError::None) {
                worst = RunError::NotAnswered;
            }
            if (r.outcome == KeyOutcome::Mismatch || r.outcome == KeyOutcome::NoReply) {
                failed.push_back(r.key);
            }
        }
        if (worst != RunError::None) {
            failure = worst;
        }
        if (m_stopRequested && !stopped && !m_written.empty()) {
            // Keys never sent are not failures of the reader: say they were not sent.
            std::vector<ProfileKey> notSent = PlannedKeys(0);
            std::erase_if(notSent, [this](ProfileKey key) {
                return std::any_of(m_result.keys.begin(), m_result.keys.end(),
                                   [key](const KeyResult& r) { return r.key == key && r.sent; });
            });
            std::erase_if(failed, [&notSent](ProfileKey key) {
                return std::find(notSent.begin(), notSent.end(), key) != notSent.end();
            });
            error = RunErrorText(RunError::Stopped);
            if (!notSent.empty()) {
                error += " before sending " + KeyNames(notSent);
            }
            if (!failed.empty()) {
                error += "; " + RunErrorText(RunError::DidNotTake) + ": " + KeyNames(failed);
            }
            if (worst == RunError::None) {
                failure = RunError::Stopped;
            }
        } else if (!stopped && !failed.empty()) {
            error = RunErrorText(failure) + ": " + KeyNames(failed);
        }
    }
    if (!error.empty() && !m_result.where.empty() &&
        error.find(m_result.where) == std::string::npos) {
        error += "; " + m_result.where;
    }
    m_result.error = std::move(error);
    m_result.code = failure;
    m_result.ok = m_result.error.empty();
    return Wait();
}
