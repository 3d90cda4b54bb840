// The one line that sums up an apply or a compare: every failure it has to say, a failure that is
// not a setting's (the port lost, the read-back unanswered) included.
#include "ui/ProfileResultsView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using O = KeyOutcome;

struct Row {
    const char* what;
    bool compare;
    std::vector<std::pair<ProfileKey, KeyOutcome>> keys;
    const char* error; // the run's error; "" when it went well
    const char* failure;
    const char* summary;
    // Where the reader answers after a framing change.
    SequencerResult::Found found = SequencerResult::Found::WhereBegun;
    std::optional<CommSettings> answersAt = std::nullopt;
    const char* where = "";
};

const CommSettings AT_9600{9600, CommParity::None, 8, CommStopBits::One};
const CommSettings AT_19200_7E1{19200, CommParity::Even, 7, CommStopBits::One};

TEST(ResultsSummary, SaysEveryFailure) {
    const Row rows[] = {
        {"all taken",
         false,
         {{ProfileKey::Horn, O::Verified},
          {ProfileKey::Light, O::Verified},
          {ProfileKey::OutputFormat, O::Unchanged}},
         "",
         "",
         "2 settings applied and verified, 1 already as in the profile"},
        {"one did not take",
         false,
         {{ProfileKey::Horn, O::Mismatch}, {ProfileKey::Light, O::Verified}},
         "did not take: horn",
         "",
         "1 setting did not take: horn"},
        // The port went while the second command was out: both its failures are said.
        {"port lost after a setting failed",
         false,
         {{ProfileKey::Horn, O::Mismatch}, {ProfileKey::Light, O::NoReply}},
         "the port was lost while sending light",
         "the port was lost while sending light",
         "2 settings did not take: horn, light; the port was lost while sending light"},
        // Sent and answered, but never read back: not called verified.
        {"read-back unanswered",
         false,
         {{ProfileKey::Horn, O::NotVerifiable}, {ProfileKey::Light, O::Unchanged}},
         "reading the reader's parameters back: no reply",
         "reading the reader's parameters back: no reply",
         "0 settings applied and verified, 1 sent but not read back, 1 already as in the "
         "profile; reading the reader's parameters back: no reply"},
        {"first read unanswered",
         true,
         {},
         "reading the reader's parameters: no reply",
         "reading the reader's parameters: no reply",
         "reading the reader's parameters: no reply"},
        {"compare, one not reported",
         true,
         {{ProfileKey::Horn, O::Unchanged}, {ProfileKey::CardOutputFormat, O::NotVerifiable}},
         "",
         "",
         "The reader holds 1 setting of the profile; 1 not reported by the reader"},
        {"compare, port lost at the end",
         true,
         {{ProfileKey::Horn, O::Mismatch}},
         "the port was lost",
         "the port was lost",
         "1 setting differs from the profile: horn; the port was lost"},
        {"found at another framing",
         false,
         {{ProfileKey::BaudRate, O::Verified}},
         "",
         "",
         "1 setting applied and verified; the reader answers at 19200 7E1",
         SequencerResult::Found::Elsewhere,
         AT_19200_7E1},
        {"kept its framing",
         false,
         {{ProfileKey::BaudRate, O::Mismatch}},
         "did not take: baud_rate; the reader still answers at 9600 8N1",
         "",
         "1 setting did not take: baud_rate; the reader still answers at 9600 8N1",
         SequencerResult::Found::StillAtOld,
         AT_9600},
        // Said once, though the failure and where the reader answers are the same words.
        {"answered nowhere after the change",
         false,
         {{ProfileKey::BaudRate, O::NoReply}},
         "no answer at any speed tried: 19200 8N1, 9600 8N1",
         "no answer at any speed tried: 19200 8N1, 9600 8N1",
         "1 setting did not take: baud_rate; no answer at any speed tried: 19200 8N1, 9600 8N1",
         SequencerResult::Found::Nowhere,
         std::nullopt,
         "no answer at any speed tried: 19200 8N1, 9600 8N1"},
        {"first read unanswered at either framing",
         false,
         {},
         "reading the reader's parameters: no reply; no answer at any speed tried: 9600 8N1, "
         "19200 8N1",
         "reading the reader's parameters: no reply",
         "reading the reader's parameters: no reply; no answer at any speed tried: 9600 8N1, "
         "19200 8N1",
         SequencerResult::Found::Nowhere,
         std::nullopt,
         "no answer at any speed tried: 9600 8N1, 19200 8N1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SequencerResult result;
        result.error = row.error;
        result.failure = row.failure;
        result.ok = result.error.empty();
        result.found = row.found;
        result.answersAt = row.answersAt;
        result.where = row.where;
        for (const auto& [key, outcome] : row.keys) {
            KeyResult k{key, "x", std::nullopt, std::nullopt, outcome, false};
            result.keys.push_back(k);
        }
        EXPECT_EQ(CProfileResultsView::SummaryText(result, row.compare).toStdString(), row.summary);
    }
}

} // namespace
