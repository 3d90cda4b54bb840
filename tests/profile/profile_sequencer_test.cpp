// The sequencer against a scripted reader: each frame it writes is answered, ignored or met
// with a lost port, and the clock jumps to the deadline whenever nothing more arrives.
#include "tests/support/HexBytes.h"
#include "tests/support/ProfileFixtures.h"

#include "profile/ProfileSequencer.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using K = ProfileKey;
using O = KeyOutcome;

enum class Act { Answer, Silent, Lose, StopSilent };
struct ReaderAct {
    Act act;
    Bytes bytes;
};

const char* const QUERY = "05 01 04 0A";
const char* const HORN_OPEN = "05 16 05 21 01";

ReaderAct Answer(Bytes bytes) {
    return {Act::Answer, std::move(bytes)};
}
const ReaderAct SILENT{Act::Silent, {}};
const ReaderAct LOSE{Act::Lose, {}};
// Ctrl-C while the frame waits for a reply that does not come.
const ReaderAct STOP{Act::StopSilent, {}};
const ReaderAct SET_OK = Answer(HexBytes("05 17 04 20 0D 0A"));

ReaderAct Record(const std::function<void(SerialParamRecord&)>& change = {}) {
    SerialParamRecord r = SampleReader();
    if (change) {
        change(r);
    }
    return Answer(ParamReplyBytes(r));
}

struct DriveLog {
    std::vector<Bytes> writes;
    std::vector<CommSettings> reopens;
    SequencerResult result;
};

DriveLog Drive(const Profile& profile, SequencerMode mode, const std::vector<ReaderAct>& reader) {
    SequencerOptions options;
    options.mode = mode;
    ProfileSequencer sequencer(profile, options);
    DriveLog run;
    std::int64_t now = 0;
    std::size_t next = 0;
    SequencerStep step = sequencer.Start(now);
    for (int guard = 0; !step.done && guard < 100; ++guard) {
        if (step.reopen) {
            run.reopens.push_back(*step.reopen);
            step = sequencer.OnPortReopened(now += 1);
            continue;
        }
        if (!step.write.empty()) {
            run.writes.push_back(step.write);
            const ReaderAct act = next < reader.size() ? reader[next++] : SILENT;
            if (act.act == Act::Answer) {
                // In two pieces, as a serial line delivers it.
                const auto half =
                    act.bytes.begin() + static_cast<std::ptrdiff_t>(act.bytes.size() / 2);
                const SequencerStep mid =
                    sequencer.OnBytes(Bytes(act.bytes.begin(), half), now += 2);
                EXPECT_TRUE(mid.write.empty() && !mid.done);
                step = sequencer.OnBytes(Bytes(half, act.bytes.end()), now += 3);
                continue;
            }
            if (act.act == Act::Lose) {
                step = sequencer.OnPortLost(now);
                continue;
            }
            if (act.act == Act::StopSilent) {
                sequencer.RequestStop();
            }
        }
        if (!step.deadlineMs) {
            ADD_FAILURE() << "neither done nor waiting";
            break;
        }
        now = *step.deadlineMs;
        step = sequencer.OnTick(now);
    }
    EXPECT_TRUE(step.done);
    run.result = sequencer.Result();
    return run;
}

using Outcomes = std::vector<std::tuple<ProfileKey, KeyOutcome, bool>>;

struct SequenceCase {
    const char* name;
    Profile profile;
    SequencerMode mode;
    std::vector<ReaderAct> reader;
    std::vector<const char*> writes;
    Outcomes outcomes; // key, outcome, sent
    const char* error;
    RunError code; // what error says, as a value
    std::optional<CommSettings> reopen = std::nullopt;
};

// Rows print as their names, in failures and in test lists.
void PrintTo(const SequenceCase& c, std::ostream* os) {
    *os << c.name;
}

class SequencerScenario : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(SequencerScenario, WritesAndOutcomes) {
    const SequenceCase& c = GetParam();
    const DriveLog run = Drive(c.profile, c.mode, c.reader);

    std::vector<Bytes> expectedWrites;
    for (const char* frame : c.writes) {
        expectedWrites.push_back(HexBytes(frame));
    }
    EXPECT_EQ(run.writes, expectedWrites);

    Outcomes outcomes;
    for (const KeyResult& r : run.result.keys) {
        outcomes.emplace_back(r.key, r.outcome, r.sent);
    }
    EXPECT_EQ(outcomes, c.outcomes);
    EXPECT_EQ(run.result.error, c.error);
    EXPECT_EQ(run.result.ok, std::string(c.error).empty());
    EXPECT_EQ(run.result.code, c.code);

    ASSERT_EQ(run.reopens.size(), c.reopen ? 1u : 0u);
    if (c.reopen) {
        EXPECT_EQ(run.reopens[0].baudRate, c.reopen->baudRate);
        EXPECT_EQ(run.reopens[0].dataBits, c.reopen->dataBits);
        EXPECT_EQ(run.reopens[0].parity, c.reopen->parity);
        EXPECT_EQ(run.reopens[0].stopBits, c.reopen->stopBits);
    }
}

const auto HORN_ON = [](SerialParamRecord& r) { r.horn = 1; };

INSTANTIATE_TEST_SUITE_P(
    ScriptedReader, SequencerScenario,
    ::testing::Values(
        SequenceCase{"ReplyOnTime",
                     MakeProfile({{K::Horn, Item(1)}, {K::CardOutputFormat, Item(1)}}),
                     SequencerMode::Apply,
                     {Record(), SET_OK, SET_OK, Record(HORN_ON)},
                     {QUERY, HORN_OPEN, "05 2C 09 CA 01 02 49 44 00", QUERY},
                     {{K::Horn, O::Verified, true}, {K::CardOutputFormat, O::NotVerifiable, true}},
                     "",
                     RunError::None},
        SequenceCase{"LateReplyAfterRetry",
                     MakeProfile({{K::Horn, Item(1)}}),
                     SequencerMode::Apply,
                     {Record(), SILENT, SET_OK, Record(HORN_ON)},
                     {QUERY, HORN_OPEN, HORN_OPEN, QUERY},
                     {{K::Horn, O::Verified, true}},
                     "",
                     RunError::None},
        SequenceCase{"NoReply",
                     MakeProfile({{K::Horn, Item(1)}}),
                     SequencerMode::Apply,
                     {Record(), SILENT, SILENT, Record()},
                     {QUERY, HORN_OPEN, HORN_OPEN, QUERY},
                     {{K::Horn, O::NoReply, true}},
                     "did not take: horn",
                     RunError::NotAnswered},
        SequenceCase{"ReadBackMismatch",
                     MakeProfile({{K::Horn, Item(1)}, {K::Light, Item(2)}}),
                     SequencerMode::Apply,
                     {Record(), SET_OK, Record()},
                     {QUERY, HORN_OPEN, QUERY},
                     {{K::Horn, O::Mismatch, true}, {K::Light, O::Unchanged, false}},
                     "did not take: horn",
                     RunError::DidNotTake},
        SequenceCase{"ShortParamReply",
                     MakeProfile({{K::Horn, Item(1)}}),
                     SequencerMode::Apply,
                     {Answer(HexBytes("05 02 06 0D 0A")), Answer(HexBytes("05 02 06 0D 0A"))},
                     {QUERY, QUERY},
                     {},
                     "reading the reader's parameters: an incomplete reply of 5 bytes",
                     RunError::IncompleteReply},
        SequenceCase{"GarbledParamReplyThenGood",
                     MakeProfile({{K::Horn, Item(1)}}),
                     SequencerMode::Apply,
                     {Answer(Concat(Bytes(180, 0x41), HexBytes("00 00 00 00 0D 0A"))), Record(),
                      SET_OK, Record(HORN_ON)},
                     {QUERY, QUERY, HORN_OPEN, QUERY},
                     {{K::Horn, O::Verified, true}},
                     "",
                     RunError::None},
        SequenceCase{"GarbledParamReplyTwice",
                     MakeProfile({{K::Horn, Item(1)}}),
                     SequencerMode::Apply,
                     {Answer(Concat(Bytes(180, 0x41), HexBytes("00 00 00 00 0D 0A"))),
                      Answer(Concat(Bytes(180, 0x41), HexBytes("00 00 00 00 0D 0A")))},
                     {QUERY, QUERY},
                     {},
                     "reading the reader's parameters: the reply ended after 186 bytes, not 182",
                     RunError::BadReply},
        SequenceCase{
            "SerialParamsLastThenReopen",
            MakeProfile({{K::BaudRate, Item(19200)}, {K::Parity, Item(0)}, {K::Horn, Item(1)}}),
            SequencerMode::Apply,
            {Record(), SET_OK, SET_OK, Record([](SerialParamRecord& r) {
                 r.horn = 1;
                 r.baudRate = 19200;
                 r.parity = 0;
             })},
            {QUERY, HORN_OPEN, "05 26 0C 8B 00 4B 00 00 08 01 00 00", QUERY},
            {{K::BaudRate, O::Verified, true},
             {K::Parity, O::Verified, true},
             {K::Horn, O::Verified, true}},
            "",
            RunError::None,
            CommSettings{19200, CommParity::Even, 8, CommStopBits::One}},
        // The QR output format rides on the serial command but leaves the line as it is.
        SequenceCase{"QrOutputFormatKeepsThePort",
                     MakeProfile({{K::QrOutputFormat, Item(1)}}),
                     SequencerMode::Apply,
                     {Record(), SET_OK, Record([](SerialParamRecord& r) { r.qrOutputFormat = 1; })},
                     {QUERY, "05 26 0C E8 80 25 00 00 08 01 02 01", QUERY},
                     {{K::QrOutputFormat, O::Verified, true}},
                     "",
                     RunError::None},
        SequenceCase{"TwoStopBitsReopen",
                     MakeProfile({{K::StopBits, Item(2)}}),
                     SequencerMode::Apply,
                     {Record(), SET_OK, Record([](SerialParamRecord& r) { r.stopBits = 2; })},
                     {QUERY, "05 26 0C E8 80 25 00 00 08 02 02 00", QUERY},
                     {{K::StopBits, O::Verified, true}},
                     "",
                     RunError::None,
                     CommSettings{9600, CommParity::None, 8, CommStopBits::Two}},
        SequenceCase{"PortLostMidApply",
                     MakeProfile({{K::Horn, Item(1)}, {K::Light, Item(1)}}),
                     SequencerMode::Apply,
                     {Record(), LOSE},
                     {QUERY, HORN_OPEN},
                     {{K::Horn, O::NoReply, true}, {K::Light, O::NoReply, false}},
                     "the port was lost while sending horn",
                     RunError::PortLost},
        // The command in flight ends at its timeout, without its retry; nothing more goes out;
        // the reader is read back.
        SequenceCase{"StopMidway",
                     MakeProfile({{K::Horn, Item(1)}, {K::Light, Item(1)}}),
                     SequencerMode::Apply,
                     {Record(), STOP, Record()},
                     {QUERY, HORN_OPEN, QUERY},
                     {{K::Horn, O::NoReply, true}, {K::Light, O::Mismatch, false}},
                     "stopped before sending light; did not take: horn",
                     RunError::DidNotTake},
        SequenceCase{
            "CompareOnly",
            MakeProfile({{K::Horn, Item(1)}, {K::Light, Item(2)}, {K::CardOutputFormat, Item(1)}}),
            SequencerMode::Compare,
            {Record()},
            {QUERY},
            {{K::Horn, O::Mismatch, false},
             {K::Light, O::Unchanged, false},
             {K::CardOutputFormat, O::NotVerifiable, false}},
            "differs from the profile: horn",
            RunError::Differs},
        SequenceCase{"DryRunSendsNothing",
                     MakeProfile({{K::Horn, Item(1)}}),
                     SequencerMode::DryRun,
                     {Record()},
                     {QUERY},
                     {{K::Horn, O::Mismatch, false}},
                     "",
                     RunError::None},
        SequenceCase{"NoReplyToQuery",
                     MakeProfile({{K::Horn, Item(1)}}),
                     SequencerMode::Apply,
                     {SILENT, SILENT},
                     {QUERY, QUERY},
                     {},
                     "reading the reader's parameters: no reply",
                     RunError::NoReply}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SequencerScenario, ResultShowsValuesAsText) {
    const DriveLog run = Drive(MakeProfile({{K::Horn, Item(1)}}), SequencerMode::Apply,
                               {Record(), SET_OK, Record(HORN_ON)});
    ASSERT_EQ(run.result.keys.size(), 1u);
    EXPECT_EQ(run.result.keys[0].profileValue, "Open");
    EXPECT_EQ(run.result.keys[0].readerBefore, "Close");
    EXPECT_EQ(run.result.keys[0].readerAfter, "Open");
}

struct TimeoutCase {
    const char* name;
    std::int64_t baseMs;
    std::size_t frameBytes;
    std::size_t replyBytes;
    std::int32_t baud;
    std::int64_t expectedMs;
};

// Rows print as their names, in failures and in test lists.
void PrintTo(const TimeoutCase& c, std::ostream* os) {
    *os << c.name;
}

class ReplyTimeout : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(ReplyTimeout, BasePlusLineTimeRoundedUp) {
    const TimeoutCase& c = GetParam();
    EXPECT_EQ(ReplyTimeoutMs(c.baseMs, c.frameBytes, c.replyBytes, c.baud), c.expectedMs);
}

// 186 bytes at 9600: 1860 bits, 193.75 ms. 28 bytes at 115200: 280 bits, 2.43 ms.
INSTANTIATE_TEST_SUITE_P(Lines, ReplyTimeout,
                         ::testing::Values(TimeoutCase{"Query9600", 1000, 4, 182, 9600, 1194},
                                           TimeoutCase{"Serial115200", 1000, 12, 16, 115200, 1003},
                                           TimeoutCase{"ShortBase9600", 500, 5, 16, 9600, 522},
                                           TimeoutCase{"NoSpeed", 1000, 4, 182, 0, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyTimeout, QueryDeadlineAtPortSpeed) {
    ProfileSequencer sequencer(Profile{}, SequencerOptions{});
    EXPECT_EQ(sequencer.Start(100).deadlineMs, 1294); // 9600 baud: 1000 + 194
}

// ---- after a serial-parameters change: a reader heard only at the framing it holds ----

enum class Takes {
    AnswersAndSwitches,
    AnswersNoSwitch,
    SwitchesNoAnswer,
    Ignores,
    SwitchesEarly,  // its reply goes out at the new framing: lost
    MovesElsewhere, // answers, then switches to a framing of its own
};

const CommSettings AT_9600{9600, CommParity::None, 8, CommStopBits::One};
const CommSettings AT_19200{19200, CommParity::None, 8, CommStopBits::One};
const CommSettings AT_256000{256000, CommParity::None, 8, CommStopBits::One};
const CommSettings AT_19200_7E1{19200, CommParity::Even, 7, CommStopBits::One};

bool Same(const CommSettings& a, const CommSettings& b) {
    return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits &&
           a.stopBits == b.stopBits;
}

struct FramingCase {
    const char* name;
    Takes takes;
    CommSettings holdsAtStart;
    CommSettings elsewhere; // MovesElsewhere: where it goes
    Outcomes outcomes;      // baud_rate, data_bits, horn
    std::optional<CommSettings> answersAt;
    const char* where;
    const char* error;
};

void PrintTo(const FramingCase& c, std::ostream* os) {
    *os << c.name;
}

class SerialChange : public ::testing::TestWithParam<FramingCase> {};

TEST_P(SerialChange, EndsWhereTheReaderAnswersOrSaysItAnsweredNowhere) {
    const FramingCase& c = GetParam();
    // 19200 8N1 with the horn opened; the port is opened at 9600 8N1.
    const Profile profile =
        MakeProfile({{K::BaudRate, Item(19200)}, {K::DataBits, Item(8)}, {K::Horn, Item(1)}});
    const Bytes setSerial = HexBytes("05 26 0C 8D 00 4B 00 00 08 01 02 00");
    ProfileSequencer sequencer(profile, SequencerOptions{});
    CommSettings port = AT_9600;
    CommSettings holds = c.holdsAtStart;
    SerialParamRecord record = SampleReader();
    std::optional<CommSettings> lastReadAt; // where the last parameter reply was heard
    std::int64_t now = 0;
    SequencerStep step = sequencer.Start(now);
    for (int guard = 0; !step.done && guard < 100; ++guard) {
        if (step.reopen) {
            EXPECT_TRUE(step.drain); // the frame leaves before the port changes
            port = *step.reopen;
            step = sequencer.OnPortReopened(now += 1);
            continue;
        }
        Bytes reply;
        if (!step.write.empty() && Same(port, holds)) {
            if (step.write == HexBytes(QUERY)) {
                record.baudRate = holds.baudRate;
                record.dataBits = static_cast<std::uint8_t>(holds.dataBits);
                record.parity = holds.parity == CommParity::Even ? 0 : 2;
                reply = ParamReplyBytes(record);
                lastReadAt = port;
            } else if (step.write == HexBytes(HORN_OPEN)) {
                record.horn = 1;
                reply = HexBytes("05 17 06 39 0D 0A");
            } else if (step.write == setSerial) {
                const Bytes setOk = HexBytes("05 27 06 49 0D 0A");
                switch (c.takes) {
                case Takes::AnswersAndSwitches:
                    reply = setOk;
                    holds = AT_19200;
                    break;
                case Takes::MovesElsewhere:
                    reply = setOk;
                    holds = c.elsewhere;
                    break;
                case Takes::AnswersNoSwitch:
                    reply = setOk;
                    break;
                case Takes::SwitchesNoAnswer:
                    holds = AT_19200;
                    break;
                case Takes::SwitchesEarly:
                    // Its reply, sent at 19200 into a port at 9600, arrives as noise.
                    holds = AT_19200;
                    reply = HexBytes("E0 00 F8 80 00 E0");
                    break;
                case Takes::Ignores:
                    break;
                }
            } else {
                ADD_FAILURE() << "unexpected frame";
            }
        }
        if (!reply.empty()) {
            step = sequencer.OnBytes(reply, now += 5);
            continue;
        }
        ASSERT_TRUE(step.deadlineMs);
        now = *step.deadlineMs;
        step = sequencer.OnTick(now);
    }
    ASSERT_TRUE(step.done);
    const SequencerResult& result = sequencer.Result();

    Outcomes outcomes;
    for (const KeyResult& r : result.keys) {
        outcomes.emplace_back(r.key, r.outcome, r.sent);
        if (r.outcome == O::Verified) {
            // Never without a read-back at the framing claimed.
            ASSERT_TRUE(result.after && lastReadAt && result.answersAt);
            EXPECT_TRUE(Same(*lastReadAt, *result.answersAt));
            if (r.key == K::BaudRate) {
                EXPECT_EQ(lastReadAt->baudRate, 19200);
            }
        }
    }
    EXPECT_EQ(outcomes, c.outcomes);
    ASSERT_EQ(result.answersAt.has_value(), c.answersAt.has_value());
    if (c.answersAt) {
        EXPECT_EQ(FramingText(*result.answersAt), FramingText(*c.answersAt));
    }
    EXPECT_EQ(result.where, c.where);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.ok, std::string(c.error).empty());
}

INSTANTIATE_TEST_SUITE_P(
    FramedReader, SerialChange,
    ::testing::Values(
        FramingCase{"AnswersAndSwitches",
                    Takes::AnswersAndSwitches,
                    AT_9600,
                    {},
                    {{K::BaudRate, O::Verified, true},
                     {K::DataBits, O::Unchanged, true},
                     {K::Horn, O::Verified, true}},
                    AT_19200,
                    "the reader answers at 19200 8N1",
                    ""},
        FramingCase{"AnswersNoSwitch",
                    Takes::AnswersNoSwitch,
                    AT_9600,
                    {},
                    {{K::BaudRate, O::Mismatch, true},
                     {K::DataBits, O::Unchanged, true},
                     {K::Horn, O::Verified, true}},
                    AT_9600,
                    "the reader still answers at 9600 8N1",
                    "did not take: baud_rate; the reader still answers at 9600 8N1"},
        FramingCase{"SwitchesNoAnswer",
                    Takes::SwitchesNoAnswer,
                    AT_9600,
                    {},
                    {{K::BaudRate, O::Verified, true},
                     {K::DataBits, O::Unchanged, true},
                     {K::Horn, O::Verified, true}},
                    AT_19200,
                    "the reader answers at 19200 8N1",
                    ""},
        FramingCase{"Ignores",
                    Takes::Ignores,
                    AT_9600,
                    {},
                    {{K::BaudRate, O::Mismatch, true},
                     {K::DataBits, O::Unchanged, true},
                     {K::Horn, O::Verified, true}},
                    AT_9600,
                    "the reader still answers at 9600 8N1",
                    "did not take: baud_rate; the reader still answers at 9600 8N1"},
        FramingCase{"SwitchesEarly",
                    Takes::SwitchesEarly,
                    AT_9600,
                    {},
                    {{K::BaudRate, O::Verified, true},
                     {K::DataBits, O::Unchanged, true},
                     {K::Horn, O::Verified, true}},
                    AT_19200,
                    "the reader answers at 19200 8N1",
                    ""},
        // A rerun: the reader took 19200 in an earlier run; only the horn is left to send.
        FramingCase{"AlreadyAtTheNewSpeed",
                    Takes::AnswersAndSwitches,
                    AT_19200,
                    {},
                    {{K::BaudRate, O::Unchanged, false},
                     {K::DataBits, O::Unchanged, false},
                     {K::Horn, O::Verified, true}},
                    AT_19200,
                    "the reader answers at 19200 8N1",
                    ""},
        FramingCase{"FoundAtTheLastSpeedOfTheList",
                    Takes::MovesElsewhere,
                    AT_9600,
                    AT_256000,
                    {{K::BaudRate, O::Mismatch, true},
                     {K::DataBits, O::Unchanged, true},
                     {K::Horn, O::Verified, true}},
                    AT_256000,
                    "the reader answers at 256000 8N1",
                    "did not take: baud_rate; the reader answers at 256000 8N1"},
        FramingCase{"AnswersNowhereTried",
                    Takes::MovesElsewhere,
                    AT_9600,
                    AT_19200_7E1,
                    {{K::BaudRate, O::NoReply, true},
                     {K::DataBits, O::NoReply, true},
                     {K::Horn, O::NotVerifiable, true}},
                    std::nullopt,
                    "no answer at any speed tried: 19200 8N1, 9600 8N1, 115200 8N1, 4800 8N1, "
                    "14400 8N1, 256000 8N1",
                    "no answer at any speed tried: 19200 8N1, 9600 8N1, 115200 8N1, 4800 8N1, "
                    "14400 8N1, 256000 8N1"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
